// Loads fontconfig's configuration and font caches on a thread of its own while Qt and Coin
// start, so that the viewer's decoration, the first to ask for a font, finds them ready.
// Requires: fontconfig, which Qt's X11 platform uses for its fonts. Does not: choose fonts
// or change any setting; a failed load is left for Qt to meet as it would have.
#pragma once

namespace sowin_standin
{

void start_font_loading(void);
// Waits for the load; call it before anything asks for a font.
void finish_font_loading(void);

} // namespace sowin_standin
