// The scene loading of overlay-plane on a damaged copy of its text, for memory checks of
// the failure path. Requires: the scene library only. Does not return: after the message
// and the exit banner it waits, as the program does, until it is ended from outside.
#include "overlay_scene.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>

#include <string>

int main()
{
    SoDB::init();
    std::string text = overlay_scene_text;
    text.replace(text.find("FaceSet"), 7, "FaceSot");
    SoInput input;
    load_overlay_scene(input, text.c_str());
    return 0;
}
