# The examiner decoration's Windows test, for include() from this folder's CMakeLists.txt: the
# program drives the decoration, its thumbwheels and the pop-up menu with SendInput under wine,
# on a private Xvfb display and in a wine prefix of its own, both kept by decoration_test.sh
# (which says why the prefix is not the shared one). It needs only their own sources, not Coin.
set(binding ${PROJECT_SOURCE_DIR}/binding)
add_executable(decoration_test decoration_test.cpp ${binding}/decoration_win32.cpp
                              ${binding}/thumbwheel_win32.cpp ${binding}/popup_menu_win32.cpp
                              ${binding}/icons_win32.cpp ${binding}/dpi_win32.cpp
                              ${binding}/window_win32.cpp)
target_include_directories(decoration_test PRIVATE ${PROJECT_SOURCE_DIR}/binding)
target_link_libraries(decoration_test PRIVATE user32 gdi32)
# <windows.h> without its min and max macros, as the stand-in itself builds.
target_compile_definitions(decoration_test PRIVATE NOMINMAX)
project_warnings(decoration_test)

add_test(NAME windows_decoration
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/decoration_test.sh $<TARGET_FILE:decoration_test>
                 ${CMAKE_CURRENT_BINARY_DIR}/work/decoration)
set_tests_properties(windows_decoration PROPERTIES
                     LABELS windows TIMEOUT 240
                     ENVIRONMENT "WINE=${OVERLAY_WINE};WINESERVER=${OVERLAY_WINESERVER}")
