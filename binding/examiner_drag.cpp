// Drags: the rotation follows a sphere sheet under the whole area, as the Linux examiner's.
#include "examiner_drag.h"

#include <Inventor/SbViewVolume.h>

namespace sowin_standin
{

Drag drag_for(const HeldInput &held)
{
    if ((held.left && held.middle) || (held.control && (held.left || held.middle)))
        return Drag::DOLLY;
    if (held.middle || (held.left && held.shift))
        return Drag::PAN;
    return held.left ? Drag::ROTATE : Drag::NONE;
}

ExaminerDrag::ExaminerDrag()
{
    SbViewVolume unit;
    unit.ortho(-1, 1, -1, 1, -1, 1);
    projector.setViewVolume(unit);
}

void ExaminerDrag::start(const HeldInput &held, const SbVec2f &pointer)
{
    drag = drag_for(held);
    last_pointer = pointer;
    if (drag == Drag::ROTATE)
        projector.project(pointer);
}

void ExaminerDrag::move(ExaminerScene &scene, const HeldInput &held, const SbVec2f &pointer,
                        float aspect_ratio)
{
    if (drag == Drag::NONE)
        return;
    if (drag_for(held) != drag) {
        start(held, pointer);
        return;
    }
    switch (drag) {
    case Drag::ROTATE: {
        SbRotation rotation;
        projector.projectAndGetRotation(pointer, rotation);
        rotation.invert(); // the scene follows the pointer: the camera turns the other way
        scene.reorient(rotation);
        break;
    }
    case Drag::PAN:
        scene.pan(last_pointer, pointer, aspect_ratio);
        break;
    case Drag::DOLLY:
        scene.dolly(2.0f * (pointer[1] - last_pointer[1]));
        break;
    case Drag::NONE:
        break;
    }
    last_pointer = pointer;
}

} // namespace sowin_standin
