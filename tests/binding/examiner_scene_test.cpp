// The examiner's camera handling driven without a window: a cube seen through the camera the
// examiner adds, its camera type switched, a seek to a point on it, home, and pointer drags.
#include "examiner_drag.h"
#include "examiner_scene.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoPickedPoint.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoSensorManager.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using sowin_standin::Drag;
using sowin_standin::ExaminerDrag;
using sowin_standin::ExaminerScene;
using sowin_standin::HeldInput;

namespace
{

class ExaminerSceneTest : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        SoDB::init();
    }

    void SetUp() override
    {
        scene = std::make_unique<ExaminerScene>(nullptr, nullptr);
        auto *separator = new SoSeparator;
        separator->addChild(new SoCube);
        scene->setSceneGraph(separator, region);
        ASSERT_NE(scene->camera(), nullptr);
    }

    // Where `point` shows, in normalised window coordinates (depth left out).
    SbVec3f on_screen(const SbVec3f &point) const
    {
        SbVec3f screen;
        scene->camera()
            ->getViewVolume(region.getViewportAspectRatio())
            .projectToScreen(point, screen);
        return SbVec3f(screen[0], screen[1], 0);
    }

    // The scene's point under `pixel`, through the examiner's camera.
    bool pick(const SbVec2s &pixel, SbVec3f &point) const
    {
        SoRayPickAction action(region);
        action.setPoint(pixel);
        action.apply(scene->root());
        SoPickedPoint *picked = action.getPickedPoint();
        if (picked)
            point = picked->getPoint();
        return picked != nullptr;
    }

    // A point of the plane at the camera's focal distance, off its centre.
    SbVec3f in_focal_plane(void) const
    {
        const SoCamera &camera = *scene->camera();
        SbVec3f ahead, up, right;
        camera.orientation.getValue().multVec(SbVec3f(0, 0, -1), ahead);
        camera.orientation.getValue().multVec(SbVec3f(0, 1, 0), up);
        camera.orientation.getValue().multVec(SbVec3f(1, 0, 0), right);
        return camera.position.getValue() + camera.focalDistance.getValue() * ahead + 0.6f * up +
               0.4f * right;
    }

    SbViewportRegion region{400, 300};
    std::unique_ptr<ExaminerScene> scene;
};

void expect_near(const SbVec3f &a, const SbVec3f &b, float tolerance, const char *what)
{
    EXPECT_LT((a - b).length(), tolerance)
        << what << ": (" << a[0] << ", " << a[1] << ", " << a[2] << ") against (" << b[0] << ", "
        << b[1] << ", " << b[2] << ")";
}

TEST_F(ExaminerSceneTest, CameraTypeShowsTheSameAtTheFocalDistanceAndComesBack)
{
    SoCamera *perspective = scene->camera();
    ASSERT_TRUE(perspective->isOfType(SoPerspectiveCamera::getClassTypeId()));
    const float angle = static_cast<SoPerspectiveCamera *>(perspective)->heightAngle.getValue();
    const SbVec3f position = perspective->position.getValue();
    const SbVec3f point = in_focal_plane();
    const SbVec3f seen = on_screen(point);

    scene->toggleCameraType();
    SoCamera *orthographic = scene->camera();
    ASSERT_TRUE(orthographic->isOfType(SoOrthographicCamera::getClassTypeId()));
    expect_near(on_screen(point), seen, 1e-4f, "a focal-plane point, orthographic");
    // The new camera is the one in the graph: a search finds it, not the old one.
    SoSearchAction search;
    search.setType(SoCamera::getClassTypeId());
    search.apply(scene->root());
    ASSERT_NE(search.getPath(), nullptr);
    EXPECT_EQ(search.getPath()->getTail(), orthographic);

    scene->toggleCameraType();
    ASSERT_TRUE(scene->camera()->isOfType(SoPerspectiveCamera::getClassTypeId()));
    EXPECT_NEAR(static_cast<SoPerspectiveCamera *>(scene->camera())->heightAngle.getValue(), angle,
                1e-5f);
    expect_near(scene->camera()->position.getValue(), position, 1e-5f, "the position");
    expect_near(on_screen(point), seen, 1e-4f, "a focal-plane point, perspective again");
}

TEST_F(ExaminerSceneTest, HomeFollowsTheCameraType)
{
    scene->toggleCameraType();
    const float height = static_cast<SoOrthographicCamera *>(scene->camera())->height.getValue();
    const SbVec3f position = scene->camera()->position.getValue();
    scene->dolly(0.7f);
    scene->reorient(SbRotation(SbVec3f(0, 1, 0), 0.5f));
    scene->goHome();
    EXPECT_NEAR(static_cast<SoOrthographicCamera *>(scene->camera())->height.getValue(), height,
                1e-5f);
    expect_near(scene->camera()->position.getValue(), position, 1e-5f, "home's position");
}

TEST_F(ExaminerSceneTest, SeekEndsLookingStraightAtThePointFromHalfTheDistance)
{
    for (bool orthographic : {false, true}) {
        SCOPED_TRACE(orthographic ? "orthographic" : "perspective");
        if (orthographic) {
            scene->goHome();
            scene->toggleCameraType();
        }
        const SbVec2s pixel(240, 170); // off the centre (200, 150), on the cube
        SbVec3f target;
        ASSERT_TRUE(pick(pixel, target));
        const SbVec3f start = scene->camera()->position.getValue();
        const float distance = (target - start).length();
        const float height =
            orthographic ? static_cast<SoOrthographicCamera *>(scene->camera())->height.getValue()
                         : 0;

        scene->setSeekTime(0);
        ASSERT_TRUE(scene->seekTo(pixel, region));
        EXPECT_FALSE(scene->isSeeking());
        SbVec3f screen = on_screen(target);
        EXPECT_NEAR(screen[0], 0.5f, 1e-3f);
        EXPECT_NEAR(screen[1], 0.5f, 1e-3f);
        EXPECT_NEAR((target - scene->camera()->position.getValue()).length(), distance / 2,
                    1e-3f * distance);
        EXPECT_NEAR(scene->camera()->focalDistance.getValue(), distance / 2, 1e-3f * distance);
        if (orthographic) {
            EXPECT_NEAR(static_cast<SoOrthographicCamera *>(scene->camera())->height.getValue(),
                        height / 2, 1e-4f);
        }
    }
}

TEST_F(ExaminerSceneTest, SeekThatHitsNothingLeavesTheCameraAlone)
{
    const SbVec3f position = scene->camera()->position.getValue();
    const SbRotation orientation = scene->camera()->orientation.getValue();
    EXPECT_FALSE(scene->seekTo(SbVec2s(2, 2), region)); // a corner, beside the cube
    EXPECT_FALSE(scene->isSeeking());
    EXPECT_EQ(scene->camera()->position.getValue(), position);
    EXPECT_TRUE(scene->camera()->orientation.getValue() == orientation);
}

TEST_F(ExaminerSceneTest, SeekFollowsTheClockThroughPointsBetweenItsEnds)
{
    const SbVec2s pixel(150, 120);
    SbVec3f target;
    ASSERT_TRUE(pick(pixel, target));
    const float distance = (target - scene->camera()->position.getValue()).length();
    scene->setSeekTime(0.3f);
    ASSERT_TRUE(scene->seekTo(pixel, region));
    EXPECT_TRUE(scene->isSeeking());

    bool between = false; // seen nearer than the start and farther than the end
    auto start = std::chrono::steady_clock::now();
    while (scene->isSeeking() &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        SoDB::getSensorManager()->processTimerQueue(); // the seek's own timer sensor
        float now = (target - scene->camera()->position.getValue()).length();
        between = between || (now < distance * 0.98f && now > distance * 0.52f);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(scene->isSeeking()) << "the seek did not end within 5 s";
    EXPECT_TRUE(between) << "no step between the two ends was seen";
    EXPECT_NEAR((target - scene->camera()->position.getValue()).length(), distance / 2,
                1e-3f * distance);
}

TEST(ExaminerDrag, ButtonsAndKeysChooseTheMove)
{
    auto held = [](bool left, bool middle, bool shift, bool control) {
        HeldInput input;
        input.left = left;
        input.middle = middle;
        input.shift = shift;
        input.control = control;
        return sowin_standin::drag_for(input);
    };
    EXPECT_EQ(held(false, false, false, false), Drag::NONE);
    EXPECT_EQ(held(true, false, false, false), Drag::ROTATE);
    EXPECT_EQ(held(false, true, false, false), Drag::PAN);
    EXPECT_EQ(held(true, false, true, false), Drag::PAN);
    EXPECT_EQ(held(true, false, false, true), Drag::DOLLY);
    EXPECT_EQ(held(true, true, false, false), Drag::DOLLY);
}

// Drags across the area: the scene follows the pointer, and a key pressed during a drag starts
// the new move from where the pointer is, without a jump.
TEST_F(ExaminerSceneTest, DragsMoveTheCameraAsThePointerGoes)
{
    HeldInput left;
    left.left = true;
    ExaminerDrag drag;
    const float aspect = region.getViewportAspectRatio();

    const SbVec3f point = in_focal_plane();
    const SbVec3f seen = on_screen(point);
    HeldInput middle;
    middle.middle = true;
    drag.start(middle, SbVec2f(0.5f, 0.5f));
    drag.move(*scene, middle, SbVec2f(0.6f, 0.4f), aspect);
    expect_near(on_screen(point), seen + SbVec3f(0.1f, -0.1f, 0), 1e-3f, "a panned point");

    scene->goHome();
    const float distance = scene->camera()->position.getValue().length();
    drag.start(left, SbVec2f(0.5f, 0.5f));
    drag.move(*scene, left, SbVec2f(0.7f, 0.5f), aspect);
    // Dragged to the right, the cube turns right: the camera goes round to its left.
    EXPECT_LT(scene->camera()->position.getValue()[0], -0.1f * distance);

    HeldInput with_control = left;
    with_control.control = true;
    const SbVec3f before = scene->camera()->position.getValue();
    drag.move(*scene, with_control, SbVec2f(0.7f, 0.5f), aspect);
    EXPECT_EQ(drag.current(), Drag::DOLLY);
    expect_near(scene->camera()->position.getValue(), before, 1e-6f, "where Ctrl went down");
    drag.move(*scene, with_control, SbVec2f(0.7f, 0.7f), aspect);
    EXPECT_LT(scene->camera()->position.getValue().length(), before.length());

    drag.stop();
    const SbVec3f stopped = scene->camera()->position.getValue();
    drag.move(*scene, left, SbVec2f(0.1f, 0.1f), aspect);
    expect_near(scene->camera()->position.getValue(), stopped, 1e-6f, "after the drag stopped");
}

} // namespace
