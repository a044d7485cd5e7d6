# FindSoWin: the SoWin binding for Coin on Windows, as the imported target SoWin::SoWin.
# Requires Coin found first (Coin::Coin). Does not build or download SoWin.
#
# SoWin's own config package is used when one is installed; otherwise set the cache variables
# SOWIN_INCLUDE_DIR (the folder holding Inventor/Win/SoWin.h) and SOWIN_LIBRARY (the import
# library, e.g. SoWin1.lib), or put SoWin's prefix on CMAKE_PREFIX_PATH.
find_package(SoWin CONFIG QUIET)
if(SoWin_FOUND AND TARGET SoWin::SoWin)
  return()
endif()

find_path(SOWIN_INCLUDE_DIR Inventor/Win/SoWin.h DOC "Folder holding Inventor/Win/SoWin.h")
find_library(SOWIN_LIBRARY NAMES SoWin1 SoWin SoWin1d SoWind DOC "SoWin import library")

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(SoWin REQUIRED_VARS SOWIN_LIBRARY SOWIN_INCLUDE_DIR)

if(SoWin_FOUND AND NOT TARGET SoWin::SoWin)
  add_library(SoWin::SoWin UNKNOWN IMPORTED)
  set_target_properties(SoWin::SoWin PROPERTIES
                        IMPORTED_LOCATION ${SOWIN_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${SOWIN_INCLUDE_DIR}
                        # SoWin's headers select the DLL import declarations with this.
                        INTERFACE_COMPILE_DEFINITIONS SOWIN_DLL
                        INTERFACE_LINK_LIBRARIES Coin::Coin)
endif()
mark_as_advanced(SOWIN_INCLUDE_DIR SOWIN_LIBRARY)
