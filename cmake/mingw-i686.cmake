# Toolchain for 32-bit Windows console programs with Debian's i686-w64-mingw32 cross compiler.
# Requires g++-mingw-w64-i686. Does not: pick a runtime other than the compiler's default.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingw_prefix i686-w64-mingw32)
# GCC 12's identical code folding merges functions whose bodies match even when their calling
# conventions differ: an empty virtual member (thiscall, which pops its arguments) and an empty
# static function (cdecl, which leaves them to the caller) became one, and every call through
# the other convention left the stack a word off. In Coin that sent SoAction::apply's return
# into the stack. Only 32-bit Windows has two conventions, so only this target needs it off;
# Coin is built with this toolchain too.
set(CMAKE_C_FLAGS_INIT "-fno-ipa-icf")
set(CMAKE_CXX_FLAGS_INIT "-fno-ipa-icf")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
