// SoWin stand-in: the full viewer level, which adds only the build flags.
// Requires: SoWin::init() first. Does not: build decoration itself; the examiner does.
#pragma once

#include <Inventor/Win/viewers/SoWinViewer.h>

class SoWinFullViewer : public SoWinViewer
{
  public:
    enum BuildFlag { BUILD_NONE = 0, BUILD_DECORATION = 1, BUILD_POPUP = 2, BUILD_ALL = 3 };

  protected:
    using SoWinViewer::SoWinViewer;
};
