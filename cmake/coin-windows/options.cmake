# Initial cache for Coin cross-built with mingw-w64 for the Windows viewer (cmake -C).
# Static, with what the viewer does not use switched off: it reads one scene from memory
# and draws it with OpenGL, and needs no VRML97, scripting, sound, 3DS import or tests.
set(COIN_BUILD_SHARED_LIBS OFF CACHE BOOL "")
set(COIN_BUILD_TESTS OFF CACHE BOOL "")
set(COIN_BUILD_DOCUMENTATION OFF CACHE BOOL "")
set(HAVE_VRML97 OFF CACHE BOOL "")
set(COIN_HAVE_JAVASCRIPT OFF CACHE BOOL "")
set(HAVE_SOUND OFF CACHE BOOL "")
set(HAVE_3DS_IMPORT_CAPABILITIES OFF CACHE BOOL "")
set(CMAKE_BUILD_TYPE Release CACHE STRING "")

# Both quoting checks compile and run a test program, which can't run when cross-compiling
# (CMake 3.25 stops at the first). GCC's preprocessor quotes with #.
set(HAVE_HASH_QUOTING 1 CACHE INTERNAL "")
set(HAVE_HASH_QUOTING_EXITCODE 0 CACHE INTERNAL "")
