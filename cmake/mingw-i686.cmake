# Toolchain for 32-bit Windows console programs with Debian's i686-w64-mingw32 cross compiler.
# Requires g++-mingw-w64-i686. Does not: pick a runtime other than the compiler's default.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw_prefix i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
