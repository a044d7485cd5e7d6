// The baseline peer: a bare SoQt examiner viewer showing the square as an ordinary scene.
// Requires: an X display with GLX. Does not: use overlay planes or their emulation, or fix
// the first frame (its first frame may be drawn into a buffer of the wrong size).
// Built like overlay-plane: a main window from SoQt::init holding an embedded viewer.
#include <Inventor/Qt/SoQt.h>
#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoNode.h>

#include <QWidget>

#include <cstdio>
#include <cstring>

namespace
{

// overlay-plane's scene with the colour given directly instead of as a colour-map index.
const char *const square_text = "#Inventor V2.0 ascii\n"
                                "Separator {"
                                "    OrthographicCamera {"
                                "       position 0 0 5"
                                "       nearDistance 1.0"
                                "       farDistance 10.0"
                                "       height 10"
                                "    }"
                                "    LightModel { model BASE_COLOR }"
                                "    BaseColor { rgb 0.5 1 0.5 }"
                                "    Coordinate3 { point [ -1 -1 0, -1 1 0, 1 1 0, 1 -1 0] }"
                                "    FaceSet {}"
                                " } ";

} // namespace

int main(int, char **argv)
{
    QWidget *main_window = SoQt::init(argv[0]);

    SoInput input;
    input.setBuffer(square_text, strlen(square_text));
    SoNode *root = nullptr;
    if (!SoDB::read(&input, root) || !root) {
        fprintf(stderr, "bare-viewer: couldn't read the scene\n");
        return 1;
    }

    auto *viewer = new SoQtExaminerViewer(main_window);
    viewer->setSceneGraph(root);
    viewer->setTitle("Bare SoQt viewer");
    viewer->show();
    SoQt::show(main_window);

    SoQt::mainLoop();
    return 0;
}
