// The examiner's pointer drags on its render area, turned into camera moves: the left button
// rotates, the middle one (or Shift and left) pans, Ctrl and left (or left and middle) dollies.
// Pure Coin, so a test drives it without a window.
// Requires: Coin and an ExaminerScene. Does not: read any input itself; the platform's viewer
// says which buttons and keys are held and where the pointer is.
#pragma once

#include "examiner_scene.h"

#include <Inventor/SbLinear.h>
#include <Inventor/projectors/SbSphereSheetProjector.h>

namespace sowin_standin
{

// The mouse buttons and modifier keys held during a pointer event.
struct HeldInput {
    bool left = false, middle = false, shift = false, control = false;
};

enum class Drag { NONE, ROTATE, PAN, DOLLY };

Drag drag_for(const HeldInput &held);

class ExaminerDrag
{
  public:
    ExaminerDrag();

    // A button went down at `pointer` (normalised: 0 to 1, left to right and bottom to top).
    void start(const HeldInput &held, const SbVec2f &pointer);
    // The pointer moved to `pointer`: the camera follows the drag under way. A modifier key or
    // button that went down or up starts the drag over from here.
    void move(ExaminerScene &scene, const HeldInput &held, const SbVec2f &pointer,
              float aspect_ratio);
    void stop(void)
    {
        drag = Drag::NONE;
    }
    Drag current(void) const
    {
        return drag;
    }

  private:
    Drag drag = Drag::NONE;
    SbVec2f last_pointer;
    SbSphereSheetProjector projector{SbSphere(SbVec3f(0, 0, 0), 0.8f)};
};

} // namespace sowin_standin
