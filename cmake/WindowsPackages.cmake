# The Windows downloads, made by CPack from the install() rules: a zip (for people without
# administrator rights) and an NSIS installer, per arch, with the same bytes from every build
# of one commit.
# Requires: the overlay-plane target, OVERLAY_SOURCE_DATE_EPOCH (cmake/SourceDateEpoch.cmake),
# Coin's config package (its prefix holds COPYING), and for the installer Debian's nsis
# (makensis). Does not: sign anything.
#
# usage: cpack --config CPackConfig.cmake -B DIR   (in the build folder; both generators)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(arch x86_64)
else()
  set(arch i686)
endif()

# The text files beside the program, with Windows line ends, for Notepad.
set(texts ${CMAKE_BINARY_DIR}/windows-texts)
function(write_windows_text name content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${texts}/${name} "${content}")
endfunction()
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
write_windows_text(LICENSE "${license}")
# Coin's licence, and that of the Expat parser it builds in: the program links both in.
get_filename_component(coin_prefix ${Coin_DIR}/../../.. ABSOLUTE)
file(READ ${coin_prefix}/COPYING coin_license)
file(READ ${PROJECT_SOURCE_DIR}/data/expat-COPYING expat_license)
write_windows_text(COIN-LICENSE.txt "${coin_license}
Coin contains the Expat XML parser, under this licence:

${expat_license}")
set(VERSION ${PROJECT_VERSION})
set(ARCH ${arch})
file(READ ${PROJECT_SOURCE_DIR}/data/README-windows.txt.in readme)
string(CONFIGURE "${readme}" readme @ONLY)
write_windows_text(README.txt "${readme}")
install(FILES ${texts}/LICENSE ${texts}/COIN-LICENSE.txt ${texts}/README.txt DESTINATION .)

set(CPACK_PACKAGE_NAME "Overlay Plane")
set(CPACK_PACKAGE_VENDOR "The Overlay Plane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Overlay Plane 3D viewer")
set(CPACK_PACKAGE_FILE_NAME overlay-plane-${PROJECT_VERSION}-windows-${arch})
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_RESOURCE_FILE_LICENSE ${texts}/LICENSE)
set(CPACK_SOURCE_DATE_EPOCH ${OVERLAY_SOURCE_DATE_EPOCH})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package-times.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package-zip.cmake)

# The installer, from the project's own template (cmake/nsis/NSIS.template.in): one folder and
# one Apps & features entry whatever the version, so that a newer one installs over an older.
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/nsis/per-generator.cmake)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Overlay Plane")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Overlay Plane")
set(CPACK_NSIS_DISPLAY_NAME "Overlay Plane")
set(CPACK_NSIS_PACKAGE_NAME "Overlay Plane")
set(CPACK_NSIS_URL_INFO_ABOUT ${OVERLAY_HOMEPAGE})
set(CPACK_NSIS_INSTALLED_ICON_NAME overlay-plane.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_BINARY_DIR}/app/resources/overlay-plane.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_BINARY_DIR}/app/resources/overlay-plane.ico)
if(arch STREQUAL x86_64)
  set(CPACK_NSIS_TARGET amd64-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_REGISTRY_VIEW 64)
else()
  set(CPACK_NSIS_TARGET x86-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
  set(CPACK_NSIS_REGISTRY_VIEW 32)
endif()
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
include(CPack)
