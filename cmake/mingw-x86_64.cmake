# Toolchain for 64-bit Windows console programs with Debian's x86_64-w64-mingw32 cross compiler.
# Requires g++-mingw-w64-x86-64. Does not: pick a runtime other than the compiler's default.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_prefix x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
