# The download's tests under wine, from the host build (included by tests/windows/window, whose
# desktop, 96 dpi prefix, launchers and window_test they use), each where the Windows build
# has made what it needs: DLLs planted beside the program, the program started as Explorer
# starts it, and the installer. Labelled "download": the Windows stage runs them, the Debian 13
# stage's "-L windows" does not.
set(download_helpers ${windows_build}/tests/windows/download)
set(OVERLAY_WINDOWS_INSTALLER "" CACHE FILEPATH "The installer to test")
# Every DLL that the program, Coin or wine's own DLLs load by name once the program runs
# (wine's +loaddll shows them), and glu32, which Coin loads when it needs it: one start.
set(planted_names opengl32 glu32 uxtheme)
set(download_properties LABELS download RESOURCE_LOCK xvfb_display FIXTURES_REQUIRED wine_96)

if(EXISTS ${download_helpers}/planted.dll)
  set(planted ${CMAKE_CURRENT_BINARY_DIR}/planted)
  wine_launcher(${CMAKE_CURRENT_BINARY_DIR}/overlay-plane-planted ${planted}/overlay-plane.exe
                ${CMAKE_CURRENT_BINARY_DIR}/wine-96)
  add_test(NAME wine_planted_dlls
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/planted_dlls.sh ${OVERLAY_WINDOWS_PROGRAM}
                   ${download_helpers}/planted.dll ${planted} $<TARGET_FILE:window_test>
                   ${CMAKE_CURRENT_BINARY_DIR}/overlay-plane-planted ${planted_names})
  set_tests_properties(wine_planted_dlls PROPERTIES TIMEOUT 120 ${download_properties})
endif()

if(EXISTS ${download_helpers}/shell_start.exe)
  # The program's Windows path (wine's drive Z: is the root) as the starter's argument.
  string(REPLACE "/" "\\" windows_path "Z:${OVERLAY_WINDOWS_PROGRAM}")
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/shell-start CONTENT [[#!/bin/sh
WINEPREFIX='@CMAKE_CURRENT_BINARY_DIR@/wine-96' WINEDEBUG=-all exec '@OVERLAY_WINE_LOADER@' '@download_helpers@/shell_start.exe' '@windows_path@'
]] @ONLY)
  file(CHMOD ${CMAKE_CURRENT_BINARY_DIR}/shell-start PERMISSIONS OWNER_READ OWNER_WRITE
       OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  add_executable(shell_start_test ${CMAKE_CURRENT_LIST_DIR}/shell_start_test.cpp
                                  ${linux_tests}/viewer_run.cpp)
  target_include_directories(shell_start_test PRIVATE ${linux_tests})
  target_link_libraries(shell_start_test PRIVATE x11_test_support GTest::gtest_main)
  target_compile_definitions(shell_start_test PRIVATE
    VIEWER_PROGRAM="" DISPLAY_STATE_FILE="${state}" CAPTURE_DIR="${captures}")
  project_warnings(shell_start_test)
  add_test(NAME wine_shell_start COMMAND shell_start_test)
  set_tests_properties(wine_shell_start PROPERTIES TIMEOUT 120 ${download_properties}
    ENVIRONMENT OVERLAY_TEST_VIEWER=${CMAKE_CURRENT_BINARY_DIR}/shell-start)
endif()

if(OVERLAY_WINDOWS_INSTALLER AND EXISTS ${download_helpers}/planted.dll)
  # What NSIS's start-up loads by name itself. Not uxtheme: wine's comctl32, which the
  # installer imports, loads it before the installer's first instruction, from the
  # installer's folder first (a planted one ran under wine 8).
  set(installer_planted_names userenv setupapi apphelp propsys dwmapi oleacc shfolder)
  if(OVERLAY_WINE_LOADER MATCHES "64$")
    set(installer_arch x86_64)
  else()
    set(installer_arch i686)
  endif()
  add_test(NAME wine_installer
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installer.sh ${OVERLAY_WINDOWS_INSTALLER}
                   ${installer_arch} ${OVERLAY_WINE_LOADER} ${CMAKE_CURRENT_BINARY_DIR}/wine-96
                   $<TARGET_FILE:window_test> ${windows_build}/CPackConfig.cmake
                   ${CMAKE_CURRENT_BINARY_DIR}/installer ${download_helpers}/planted.dll
                   ${installer_planted_names})
  set_tests_properties(wine_installer PROPERTIES TIMEOUT 240 ${download_properties})
endif()
