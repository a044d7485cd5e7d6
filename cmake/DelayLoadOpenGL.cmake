# Windows builds: OpenGL::GL as a delay-load import library of opengl32, made at configure time
# from the names in mingw-w64's own import library.
# Requires: a mingw-w64 toolchain (its nm and dlltool, found beside the compiler) and
# libopengl32.a. Does not: load anything; the program asks for opengl32 itself
# (binding/dll_search_win32.cpp) before its first GL call.
#
# Why: opengl32 is not one of Windows' KnownDLLs, so for a plain import Windows looks in the
# program's own folder first, and an opengl32.dll lying there (in Downloads, say) would run
# inside the program. Delay-loaded, it is loaded only when the program asks for it, after it
# has limited the search to the system folder. Coin's exported target links OpenGL::GL after
# libCoin.a, so defining that target here, before Coin's package is found, reaches Coin's own
# GL calls too; a library named on the program's link line would come before Coin and miss them.

find_library(OVERLAY_OPENGL32_IMPORTS NAMES opengl32 DOC "mingw-w64's import library of opengl32")
if(NOT OVERLAY_OPENGL32_IMPORTS)
  message(FATAL_ERROR "no libopengl32.a in the mingw-w64 toolchain")
endif()
get_filename_component(tools_prefix ${CMAKE_CXX_COMPILER} NAME)
string(REGEX REPLACE "g\\+\\+(-[0-9.]+)?$" "" tools_prefix ${tools_prefix})
find_program(OVERLAY_DLLTOOL NAMES ${tools_prefix}dlltool REQUIRED)
find_program(OVERLAY_NM NAMES ${tools_prefix}nm REQUIRED)

set(delay_dir ${CMAKE_BINARY_DIR}/delay-load)
set(delay_library ${delay_dir}/libopengl32-delayed.a)
file(MAKE_DIRECTORY ${delay_dir})
execute_process(COMMAND ${OVERLAY_NM} ${OVERLAY_OPENGL32_IMPORTS}
                OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
# Each import's address slot is "__imp_NAME"; on i686 NAME carries the C prefix "_" and, for
# stdcall functions, the argument size ("_glClearColor@16").
string(REGEX MATCHALL "__imp__?[A-Za-z0-9_@]+" slots "${symbols}")
set(names)
foreach(slot ${slots})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(REGEX REPLACE "^__imp__" "" name ${slot})
  else()
    string(REGEX REPLACE "^__imp_" "" name ${slot})
  endif()
  list(APPEND names ${name})
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
list(LENGTH names count)
if(count LESS 100)
  message(FATAL_ERROR "found only ${count} names in ${OVERLAY_OPENGL32_IMPORTS}")
endif()
list(JOIN names "\n" exports)
file(WRITE ${delay_dir}/opengl32.def "LIBRARY opengl32.dll\nEXPORTS\n${exports}\n")
# -k: the DLL exports the stdcall names without their "@size".
set(kill_at)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(kill_at -k)
endif()
# Named relative to its folder: dlltool names the library's symbols after it, and the
# program's symbol table would otherwise hold the build's path.
execute_process(COMMAND ${OVERLAY_DLLTOOL} ${kill_at} -d opengl32.def -D opengl32.dll
                        -y libopengl32-delayed.a
                WORKING_DIRECTORY ${delay_dir} COMMAND_ERROR_IS_FATAL ANY)

# The names without their decoration, for the tests' stand-in opengl32.dll.
list(TRANSFORM names REPLACE "@[0-9]+$" "")
set(OVERLAY_OPENGL32_NAMES ${names})

if(NOT TARGET OpenGL::GL)
  add_library(OpenGL::GL INTERFACE IMPORTED)
  # The import descriptor's symbol, which dlltool names after the library's file, for the
  # code that resolves all imports at once (binding/dll_search_win32.cpp).
  set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES ${delay_library}
    INTERFACE_COMPILE_DEFINITIONS
      OPENGL32_DELAY_DESCRIPTOR="__DELAY_IMPORT_DESCRIPTOR_libopengl32_delayed_a")
endif()
# What FindOpenGL reports when Coin's package asks for it: found, and this library.
set(OPENGL_gl_LIBRARY ${delay_library} CACHE FILEPATH "opengl32, delay-loaded" FORCE)
