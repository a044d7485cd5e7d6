// The embedded overlay scene and its loading.
#include "overlay_scene.h"

#include "console.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>

#include <cstring>

// Written on one line after the header; runs of blanks stand in for the layout.
const char *const overlay_scene_text = "#Inventor V2.0 ascii\n"
                                       "Separator {"
                                       "    OrthographicCamera {"
                                       "       position 0 0 5"
                                       "       nearDistance 1.0"
                                       "       farDistance 10.0"
                                       "       height 10"
                                       "    }"
                                       "    LightModel { model BASE_COLOR }"
                                       "    ColorIndex { index 1 }"
                                       "    Coordinate3 { point [ -1 -1 0, -1 1 0, 1 1 0, 1 -1 0] }"
                                       "    FaceSet {}"
                                       " } ";

SoNode *load_overlay_scene(SoInput &input, const char *text)
{
    input.setBuffer(text, strlen(text));
    SoNode *root = nullptr;
    if (!SoDB::read(&input, root) || !root) {
        console_printf("Couldn't read scene\n");
        console_exit(1);
    }
    return root;
}
