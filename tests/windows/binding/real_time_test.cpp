// Scenes that depend on time move on Windows too: the Win32 viewer, run by SoWin::mainLoop,
// keeps realTime ticking while an engine or a node listens to it, and stops it once none does.
// The steps run from a thread timer that the loop dispatches. Prints one line per check; the
// exit status is the number of failures.
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
#include <Inventor/nodes/SoRotationXYZ.h>
#include <Inventor/nodes/SoRotor.h>
#include <Inventor/nodes/SoSeparator.h>

#include <windows.h>

#include <cstdio>

namespace
{

HWND main_window = nullptr;
SoSeparator *moving = nullptr; // what listens to realTime goes in here
int frames = 0;
int failures = 0;

void count_frame(void *, SoAction *action)
{
    if (action->isOfType(SoGLRenderAction::getClassTypeId()))
        frames++;
}

double real_time(void)
{
    return static_cast<SoSFTime *>(SoDB::getGlobalField("realTime"))->getValue().getValue();
}

void check(bool ok, const char *what, int counted, double moved)
{
    printf("%s: %s (%d frames, realTime moved %.3f s)\n", ok ? "ok" : "FAIL", what, counted, moved);
    fflush(stdout);
    failures += ok ? 0 : 1;
}

// Each step changes the scene, lets it run, then half a second is counted and judged.
enum class Expect { STILL, MOVING };
struct Step {
    const char *what;
    void (*change)(void);
    Expect expect;
};

void nothing(void) {}
void add_rotor(void)
{
    auto *rotor = new SoRotor;
    // Not at angle 0: Coin's rotor then loses its direction, and under this build turns not
    // at all.
    rotor->rotation.setValue(SbVec3f(0, 0, 1), 0.1f);
    moving->addChild(rotor);
}
void add_engine(void)
{
    auto *elapsed = new SoElapsedTime;
    auto *turn = new SoRotationXYZ;
    turn->angle.connectFrom(&elapsed->timeOut);
    moving->addChild(turn);
}
void remove_all(void)
{
    moving->removeAllChildren();
}

const Step steps[] = {
    {"a still scene is not redrawn and realTime does not tick", nothing, Expect::STILL},
    {"a rotor turns", add_rotor, Expect::MOVING},
    {"nothing ticks once the rotor is gone", remove_all, Expect::STILL},
    {"an elapsed-time engine moves the scene", add_engine, Expect::MOVING},
    {"nothing ticks once the engine is gone", remove_all, Expect::STILL},
};
const int step_count = sizeof steps / sizeof steps[0];

// The start-up's own frames, then for each step: its change, 0.3 s to settle, 0.5 s counted.
void CALLBACK next(HWND, UINT, UINT_PTR timer, DWORD)
{
    static int step = -1;
    static int frames_before = 0;
    static double time_before = 0;
    static bool counting = false;
    if (counting) {
        const Step &done = steps[step];
        int counted = frames - frames_before;
        double moved = real_time() - time_before;
        check(done.expect == Expect::STILL ? counted == 0 && moved == 0.0 : counted >= 3, done.what,
              counted, moved);
        counting = false;
        if (++step == step_count) {
            KillTimer(nullptr, timer);
            DestroyWindow(main_window);
            return;
        }
        steps[step].change();
        SetTimer(nullptr, timer, 300, next);
        return;
    }
    if (step < 0) {
        step = 0;
        steps[0].change();
    }
    frames_before = frames;
    time_before = real_time();
    counting = true;
    SetTimer(nullptr, timer, 500, next);
}

} // namespace

int main(void)
{
    main_window = SoWin::init("real_time_test");
    if (!main_window)
        return 100;
    auto *root = new SoSeparator;
    root->addChild(new SoOrthographicCamera);
    auto *counter = new SoCallback;
    counter->setCallback(count_frame);
    root->addChild(counter);
    moving = new SoSeparator;
    root->addChild(moving);
    root->addChild(new SoColorIndex);
    root->addChild(new SoCube);
    SbColor green(0.5f, 1.0f, 0.5f);
    auto *viewer = new SoWinExaminerViewer(main_window);
    viewer->setOverlayColorMap(1, 1, &green);
    viewer->setOverlaySceneGraph(root);
    viewer->show();
    SoWin::show(main_window);
    SetTimer(nullptr, 0, 1000, next);
    SoWin::mainLoop();
    printf("%d failure(s)\n", failures);
    return failures;
}
