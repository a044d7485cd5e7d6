// Overlay emulation at pixel level, apart from any viewer: the emulation draws into a GL
// context of the test's own on a private Xvfb display, and its pixels are read back.
#include "overlay_emulation.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/nodes/SoColorIndex.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/sensors/SoSensorManager.h>

#include <gtest/gtest.h>

#include <GL/glx.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using sowin_standin::OverlayEmulation;

namespace
{

// A private Xvfb for the off-screen renderer, on a display number it picks itself.
class XvfbEnvironment : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t test = getpid();
        server = fork();
        if (server == 0) {
            // A test that crashes never reaches TearDown: the server goes with it all the same.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != test)
                _exit(0);
            close(ready[0]);
            std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                   "-noreset", "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // Xvfb writes the number and the newline separately, and dies if the pipe has
        // closed in between: read the whole line.
        std::string number;
        char c;
        while (read(ready[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(ready[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        std::string display_name = ":" + number;
        display = XOpenDisplay(display_name.c_str());
        ASSERT_NE(display, nullptr);
        int attributes[] = {
            GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8,   GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE,
            8,        GLX_DEPTH_SIZE,   16,           None};
        XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
        ASSERT_NE(visual, nullptr);
        XSetWindowAttributes window_attributes = {};
        window_attributes.colormap = XCreateColormap(display, RootWindow(display, visual->screen),
                                                     visual->visual, AllocNone);
        window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, size, size, 0,
                               visual->depth, InputOutput, visual->visual, CWColormap,
                               &window_attributes);
        context = glXCreateContext(display, visual, nullptr, True);
        XFree(visual);
        ASSERT_NE(context, nullptr);
        ASSERT_TRUE(glXMakeCurrent(display, window, context));
        SoDB::init();
    }

    static constexpr int size = 100;
    void TearDown() override
    {
        if (server > 0) {
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }

  private:
    pid_t server = -1;
    Display *display = nullptr;
    Window window = 0;
    GLXContext context = nullptr;
};

struct Rgb {
    int r, g, b;
};

// A scene like the program's: its own camera, base colours, one index, a 2 x 2 square.
SoSeparator *square_scene(int index)
{
    auto *root = new SoSeparator;
    auto *camera = new SoOrthographicCamera;
    camera->position.setValue(0, 0, 5);
    camera->height = 10;
    root->addChild(camera);
    auto *light_model = new SoLightModel;
    light_model->model = SoLightModel::BASE_COLOR;
    root->addChild(light_model);
    auto *color_index = new SoColorIndex;
    color_index->index = index;
    root->addChild(color_index);
    auto *coordinates = new SoCoordinate3;
    const SbVec3f corners[] = {{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}};
    coordinates->point.setValues(0, 4, corners);
    root->addChild(coordinates);
    root->addChild(new SoFaceSet);
    return root;
}

// A scene for the normal planes: a blue cube nearer to its camera than anything in the
// overlay, filling the view.
SoSeparator *normal_scene()
{
    auto *root = new SoSeparator;
    auto *camera = new SoPerspectiveCamera;
    camera->position.setValue(0, 0, 3);
    camera->nearDistance = 1.9f; // the cube's face, 2 away, lies just past the near plane
    camera->farDistance = 100;
    root->addChild(camera);
    auto *light_model = new SoLightModel;
    light_model->model = SoLightModel::BASE_COLOR;
    root->addChild(light_model);
    auto *colour = new SoBaseColor;
    colour->rgb.setValue(0, 0, 1);
    root->addChild(colour);
    root->addChild(new SoCube);
    return root;
}

class OverlayEmulationTest : public ::testing::Test
{
  protected:
    OverlayEmulationTest()
        : emulation([this] { redraws++; }),
          area_action(SbViewportRegion(XvfbEnvironment::size, XvfbEnvironment::size))
    {
        area_action.setCacheContext(SoGLCacheContextElement::getUniqueCacheContext());
    }

    // Draws one frame as the viewer does (the normal planes, then the overlay) and
    // returns the pixel at (x, y), counted from the bottom left.
    Rgb pixel_at(int x, int y, SoNode *normal = nullptr)
    {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST); // as the viewer's scene manager leaves it
        if (normal)
            area_action.apply(normal);
        emulation.render(SbViewportRegion(XvfbEnvironment::size, XvfbEnvironment::size),
                         area_action);
        glFinish();
        unsigned char p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

    Rgb centre(SoNode *normal = nullptr)
    {
        return pixel_at(XvfbEnvironment::size / 2, XvfbEnvironment::size / 2, normal);
    }

    // Keeps `node` alive until the end of the test.
    template <class Node> Node *keep(Node *node)
    {
        node->ref();
        kept.push_back(node);
        return node;
    }

    // Installs a square drawn with `index`, as the program's scene is.
    SoSeparator *install_square(int index)
    {
        SoSeparator *scene = keep(square_scene(index));
        emulation.setSceneGraph(scene);
        return scene;
    }

    ~OverlayEmulationTest() override
    {
        emulation.setSceneGraph(nullptr);
        for (SoNode *node : kept)
            node->unref();
    }

    const SbColor green{0.5f, 1.0f, 0.5f};
    std::vector<SoNode *> kept;
    OverlayEmulation emulation;
    SoGLRenderAction area_action;
    int redraws = 0;
};

void expect_colour(Rgb actual, int r, int g, int b)
{
    EXPECT_NEAR(actual.r, r, 2);
    EXPECT_NEAR(actual.g, g, 2);
    EXPECT_NEAR(actual.b, b, 2);
}

} // namespace

TEST_F(OverlayEmulationTest, IndicesResolveThroughTheColourMap)
{
    const SbColor map[] = {green, {1.0f, 0.0f, 0.0f}};
    emulation.setColorMap(1, 2, map);
    install_square(1);
    expect_colour(centre(), 128, 255, 128);
    expect_colour(pixel_at(5, 5), 0, 0, 0); // the square covers 20 % of the view
    install_square(2);
    expect_colour(centre(), 255, 0, 0);
    // Indices without an entry are black, not Coin's default grey: below the first entry,
    // just past the last one (the map's size), far past it, and in a gap between entries.
    for (int unmapped : {0, 3, 9}) {
        install_square(unmapped);
        SCOPED_TRACE("index " + std::to_string(unmapped));
        expect_colour(centre(), 0, 0, 0);
    }
    const SbColor blue(0.0f, 0.0f, 1.0f);
    emulation.setColorMap(5, 1, &blue);
    install_square(4);
    expect_colour(centre(), 0, 0, 0);
    install_square(5);
    expect_colour(centre(), 0, 0, 255);
    emulation.setSceneGraph(nullptr);
    EXPECT_EQ(emulation.resolvedScene(), nullptr);
    expect_colour(centre(), 0, 0, 0); // nothing installed, nothing drawn
}

TEST_F(OverlayEmulationTest, ChangesAfterInstallingRedrawWithNewColours)
{
    const SbColor blue(0.0f, 0.0f, 1.0f);
    emulation.setColorMap(1, 1, &green);
    SoSeparator *scene = install_square(1);
    expect_colour(centre(), 128, 255, 128);

    int before = redraws;
    emulation.setColorMap(1, 1, &blue);
    EXPECT_GT(redraws, before);
    expect_colour(centre(), 0, 0, 255);

    // An edit of the installed graph itself is seen once Coin delivers its notification.
    emulation.setColorMap(3, 1, &green);
    before = redraws;
    static_cast<SoColorIndex *>(scene->getChild(2))->index = 3;
    SoDB::getSensorManager()->processDelayQueue(FALSE);
    EXPECT_GT(redraws, before);
    expect_colour(centre(), 128, 255, 128);
}

TEST_F(OverlayEmulationTest, DrawsOverTheNormalScene)
{
    emulation.setColorMap(1, 1, &green);
    install_square(1);
    SoSeparator *normal = keep(normal_scene());
    expect_colour(centre(normal), 128, 255, 128); // nearer in the normal planes, yet hidden
    expect_colour(pixel_at(5, 5, normal), 0, 0, 255);
}

TEST_F(OverlayEmulationTest, LeavesTheInstalledGraphAsItWas)
{
    emulation.setColorMap(1, 1, &green);
    SoSeparator *scene = install_square(1);
    ASSERT_NE(emulation.resolvedScene(), nullptr);
    EXPECT_NE(emulation.resolvedScene(), scene);
    ASSERT_EQ(scene->getNumChildren(), 5);
    EXPECT_TRUE(scene->getChild(2)->isOfType(SoColorIndex::getClassTypeId()));
    EXPECT_EQ(static_cast<SoColorIndex *>(scene->getChild(2))->index[0], 1);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
