// Scenes that depend on time still move: the stand-in's viewer, with a scene of this test's own
// on the test display, keeps realTime ticking while an engine or a node listens to it, and
// stops it once none does.
#include "x11_client.h"

#include <Inventor/SbColor.h>
#include <Inventor/SoDB.h>
#include <Inventor/Win/SoWin.h>
#include <Inventor/Win/viewers/SoWinExaminerViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/engines/SoElapsedTime.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/nodes/SoCallback.h>
#include <Inventor/nodes/SoColorIndex.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoRotor.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoRotationXYZ.h>

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

int frames = 0;

void count_frame(void *, SoAction *action)
{
    if (action->isOfType(SoGLRenderAction::getClassTypeId()))
        frames++;
}

// Runs the event loop for `seconds`.
void run_for(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

SbTime real_time(void)
{
    return static_cast<SoSFTime *>(SoDB::getGlobalField("realTime"))->getValue();
}

// Frames drawn and realTime's progress over half a second of leaving the viewer alone.
struct Activity {
    int frames;
    double real_time_moved;
};

Activity half_a_second(void)
{
    int frames_before = frames;
    SbTime time_before = real_time();
    run_for(0.5);
    return {frames - frames_before, (real_time() - time_before).getValue()};
}

TEST(RealTimeTest, TicksWhileAnEngineOrANodeListensAndStopsWhenNoneDoes)
{
    std::string display = read_display_file(DISPLAY_STATE_FILE);
    ASSERT_FALSE(display.empty()) << "no test display recorded in " << DISPLAY_STATE_FILE;
    setenv("DISPLAY", display.c_str(), 1);
    HWND window = SoWin::init("real_time_test");

    auto *root = new SoSeparator;
    root->addChild(new SoOrthographicCamera);
    auto *counter = new SoCallback;
    counter->setCallback(count_frame);
    root->addChild(counter);
    auto *moving = new SoSeparator; // what listens to realTime goes in here
    root->addChild(moving);
    root->addChild(new SoColorIndex);
    root->addChild(new SoCube);
    SbColor green(0.5f, 1.0f, 0.5f);
    auto *viewer = new SoWinExaminerViewer(window);
    viewer->setOverlayColorMap(1, 1, &green);
    viewer->setOverlaySceneGraph(root);
    viewer->show();
    SoWin::show(window);
    run_for(1.0); // the window's start-up and first frames

    Activity still = half_a_second();
    EXPECT_EQ(still.frames, 0) << "a still scene was redrawn while idle";
    EXPECT_EQ(still.real_time_moved, 0.0) << "realTime ticked with nothing listening";

    // A node with a sensor on realTime.
    moving->addChild(new SoRotor);
    Activity rotating = half_a_second();
    EXPECT_GE(rotating.frames, 3) << "a rotor did not turn";

    moving->removeAllChildren();
    run_for(0.3);
    Activity stopped = half_a_second();
    EXPECT_EQ(stopped.frames, 0) << "redrawn after the rotor was gone";
    EXPECT_EQ(stopped.real_time_moved, 0.0) << "realTime ticked after the rotor was gone";

    // An engine connected to realTime, driving a field of the scene.
    auto *elapsed = new SoElapsedTime;
    auto *turn = new SoRotationXYZ;
    ASSERT_TRUE(turn->angle.connectFrom(&elapsed->timeOut));
    moving->addChild(turn);
    Activity moved = half_a_second();
    EXPECT_GE(moved.frames, 3) << "an elapsed-time engine did not move the scene";

    moving->removeAllChildren(); // the engine goes with the rotation it fed
    run_for(0.3);
    Activity stopped_again = half_a_second();
    EXPECT_EQ(stopped_again.frames, 0) << "redrawn after the engine was gone";
    EXPECT_EQ(stopped_again.real_time_moved, 0.0) << "realTime ticked after the engine was gone";
}

} // namespace
