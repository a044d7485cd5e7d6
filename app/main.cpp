// overlay-plane: an examiner viewer showing one light-green square in its overlay planes.
#include "overlay_scene.h"

#include <Inventor/SbColor.h>
#include <Inventor/SoInput.h>
#include <Inventor/Win/SoWin.h>
#include <Inventor/Win/viewers/SoWinExaminerViewer.h>

int main(int, char **argv)
{
    HWND main_window = SoWin::init(argv[0]);

    SoInput scene_input;
    SoNode *root = load_overlay_scene(scene_input, overlay_scene_text);

    SbColor overlay_color(0.5f, 1.0f, 0.5f);
    SoWinExaminerViewer *viewer = new SoWinExaminerViewer(
        main_window, nullptr, 1, SoWinFullViewer::BUILD_ALL, SoWinViewer::BROWSER);
    viewer->setOverlayColorMap(1, 1, &overlay_color);
    viewer->setOverlaySceneGraph(root);
    viewer->setTitle("Overlay Plane");
    viewer->show();
    SoWin::show(main_window);

    SoWin::mainLoop();
    return 0;
}
