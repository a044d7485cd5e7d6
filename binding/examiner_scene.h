// The examiner's own graph around the scene it shows, and its camera handling: draw-style
// overrides, the headlight, the camera (added where the scene has none), home, view all,
// rotate, pan, dolly, the camera type and seek. Pure Coin, so a test drives it without a window.
// Requires: Coin, initialised (SoDB::init). Does not: draw, open windows or read any input; the
// platform's viewer turns its mouse and menu into these calls.
#pragma once

#include "draw_style.h"

#include <Inventor/SbLinear.h>
#include <Inventor/SbTime.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/sensors/SoNodeSensor.h>
#include <Inventor/sensors/SoTimerSensor.h>

class SoCamera;
class SoComplexity;
class SoDirectionalLight;
class SoDrawStyle;
class SoGLRenderAction;
class SoNode;
class SoPolygonOffset;
class SoSeparator;

namespace sowin_standin
{

class ExaminerScene
{
  public:
    // `changed` is called whenever the graph changes and wants a new frame.
    ExaminerScene(void (*changed)(void *), void *data);
    ~ExaminerScene();
    ExaminerScene(const ExaminerScene &) = delete;
    ExaminerScene &operator=(const ExaminerScene &) = delete;

    // Shows `scene` (null for none) through its first camera, or through a perspective camera
    // added in front of it and aimed at all of it. That view becomes home.
    void setSceneGraph(SoNode *scene, const SbViewportRegion &region);
    SoNode *sceneGraph(void) const
    {
        return scene;
    }
    SoCamera *camera(void) const
    {
        return camera_;
    }

    // Renders the graph into the current GL context, `region` sized (two passes for hidden
    // lines). Does nothing without a scene.
    void render(SoGLRenderAction &action, const SbViewportRegion &region);

    void goHome(void);
    void saveHome(void);
    void viewAll(const SbViewportRegion &region);

    // Turns the camera about the point it looks at; `rotation` is in the camera's own frame.
    void reorient(const SbRotation &rotation);
    // Moves the camera in its view plane so that the point under `from` comes under `to`
    // (normalised window coordinates, 0 to 1 from the bottom left).
    void pan(const SbVec2f &from, const SbVec2f &to, float aspect_ratio);
    // Positive `amount` brings the camera nearer the point it looks at (or narrows an
    // orthographic view), by a factor of e to the `amount`.
    void dolly(float amount);

    void setDrawStyle(DrawStyle style);
    DrawStyle drawStyle(void) const
    {
        return draw_style;
    }

    void setHeadlight(bool on);
    bool isHeadlight(void) const;

    // Perspective becomes orthographic and back, showing the same at the focal distance. The
    // camera is replaced where it stands, in the scene or in front of it; home follows.
    void toggleCameraType(void);

    // Starts moving the camera towards the scene's point under `pixel` (window pixels from the
    // bottom left): it ends looking straight at that point from half the distance, the seek
    // time later, moved by a timer sensor about 60 times a second as Coin's timer queue runs.
    // False, with nothing started, where no geometry is under the pixel.
    bool seekTo(const SbVec2s &pixel, const SbViewportRegion &region);
    // Places the camera `fraction` (0 to 1) of the way from where the seek started to its end;
    // 1 ends the seek.
    void seekStep(float fraction);
    // Places the camera where the seek is at `now`, the seek time after its start at its end.
    void seekStepAt(const SbTime &now);
    bool isSeeking(void) const
    {
        return seeking;
    }
    void setSeekTime(float seconds)
    {
        seek_time = seconds;
    }

    SoSeparator *root(void) const
    {
        return root_;
    }

  private:
    static void graphChanged(void *data, SoSensor *);
    static void seekTicked(void *data, SoSensor *);
    void fitClippingPlanes(const SbViewportRegion &region);
    // Sets the overrides for one pass of a frame without scheduling another frame.
    void switchOverrides(int style, bool offset);

    void (*changed)(void *);
    void *changed_data;
    SoSeparator *root_;
    SoDrawStyle *style_override;
    SoComplexity *complexity_override;
    SoPolygonOffset *fill_offset;
    SoDirectionalLight *headlight;
    SoNodeSensor root_watch;
    SoNode *scene = nullptr;
    SoCamera *camera_ = nullptr;
    SoCamera *home = nullptr;
    DrawStyle draw_style = DrawStyle::AS_IS;

    bool seeking = false;
    SoTimerSensor seek_ticker;
    float seek_time = 2.0f; // seconds, as the Linux examiner takes
    SbTime seek_start;
    SbVec3f from_position, to_position;
    SbRotation from_orientation, to_orientation;
    float from_focal = 1, to_focal = 1, from_height = 1, to_height = 1;
};

} // namespace sowin_standin
