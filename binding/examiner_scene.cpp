// The examiner's graph: root { draw-style override, complexity override, polygon offset,
// headlight, [the camera it added], scene }. The overrides stay in place and are switched by
// their fields, so the scene's own nodes are never touched.
#include "examiner_scene.h"

#include <Inventor/SoPath.h>
#include <Inventor/SoPickedPoint.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoPolygonOffset.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/system/gl.h>

#include <algorithm>
#include <cmath>

namespace sowin_standin
{

namespace
{

// The root's first children, always there: the overrides and the headlight.
const int fixed_nodes = 4;
// How far a seek goes: to this share of the distance to the point sought.
const float seek_distance = 0.5f;

SbVec3f view_direction(const SoCamera &camera)
{
    SbVec3f direction;
    camera.orientation.getValue().multVec(SbVec3f(0, 0, -1), direction);
    return direction;
}

SoCamera *first_camera_in(SoNode *scene)
{
    SoSearchAction search;
    search.setType(SoCamera::getClassTypeId());
    search.setInterest(SoSearchAction::FIRST);
    search.apply(scene);
    SoPath *path = search.getPath();
    return path ? static_cast<SoCamera *>(path->getTail()) : nullptr;
}

bool is_orthographic(const SoCamera &camera)
{
    return camera.isOfType(SoOrthographicCamera::getClassTypeId());
}

// A camera of the other type that shows at its focal distance what `camera` shows there.
SoCamera *converted(const SoCamera &camera)
{
    float focal = camera.focalDistance.getValue();
    SoCamera *other;
    if (is_orthographic(camera)) {
        auto *perspective = new SoPerspectiveCamera;
        float height = static_cast<const SoOrthographicCamera &>(camera).height.getValue();
        perspective->heightAngle = 2.0f * std::atan(height / 2.0f / focal);
        other = perspective;
    } else {
        auto *orthographic = new SoOrthographicCamera;
        float angle = static_cast<const SoPerspectiveCamera &>(camera).heightAngle.getValue();
        orthographic->height = 2.0f * focal * std::tan(angle / 2.0f);
        other = orthographic;
    }
    other->position = camera.position.getValue();
    other->orientation = camera.orientation.getValue();
    other->focalDistance = focal;
    other->aspectRatio = camera.aspectRatio.getValue();
    other->viewportMapping = camera.viewportMapping.getValue();
    other->nearDistance = camera.nearDistance.getValue();
    other->farDistance = camera.farDistance.getValue();
    return other;
}

} // namespace

ExaminerScene::ExaminerScene(void (*changed)(void *), void *data)
    : changed(changed), changed_data(data), root_(new SoSeparator), style_override(new SoDrawStyle),
      complexity_override(new SoComplexity), fill_offset(new SoPolygonOffset),
      headlight(new SoDirectionalLight), root_watch(graphChanged, this)
{
    seek_ticker.setFunction(seekTicked);
    seek_ticker.setData(this);
    root_->ref();
    root_->addChild(style_override);
    root_->addChild(complexity_override);
    root_->addChild(fill_offset);
    // Ahead of any camera a light shines along the view: it lights whatever the camera sees.
    root_->addChild(headlight);
    fill_offset->on = FALSE;
    // Hidden lines switch the overrides between two passes of one frame, which a cache of
    // the whole graph would not see; the scene's own separators still cache.
    root_->renderCaching = SoSeparator::OFF;
    setDrawStyle(DrawStyle::AS_IS);
    root_watch.attach(root_);
}

ExaminerScene::~ExaminerScene()
{
    root_watch.detach();
    if (home)
        home->unref();
    root_->unref();
}

void ExaminerScene::graphChanged(void *data, SoSensor *)
{
    auto *self = static_cast<ExaminerScene *>(data);
    if (self->changed)
        self->changed(self->changed_data);
}

void ExaminerScene::setSceneGraph(SoNode *new_scene, const SbViewportRegion &region)
{
    seekStep(1);
    if (new_scene)
        new_scene->ref();
    while (root_->getNumChildren() > fixed_nodes)
        root_->removeChild(fixed_nodes);
    if (home)
        home->unref();
    home = nullptr;
    camera_ = nullptr;
    scene = new_scene;
    if (!scene)
        return;
    // A scene without a camera is shown through one the viewer adds, aimed at all of it.
    camera_ = first_camera_in(scene);
    bool added = !camera_;
    if (added) {
        camera_ = new SoPerspectiveCamera;
        root_->addChild(camera_);
    }
    root_->addChild(scene);
    if (added)
        viewAll(region);
    saveHome();
    scene->unrefNoDelete(); // the root holds it now
}

void ExaminerScene::render(SoGLRenderAction &action, const SbViewportRegion &region)
{
    if (!scene)
        return;
    fitClippingPlanes(region);
    glEnable(GL_DEPTH_TEST); // the render action leaves it as it finds it
    if (draw_style == DrawStyle::HIDDEN_LINE) {
        // Filled faces first, into the depth buffer only and pushed back a little, so that
        // only the lines in front of them show.
        switchOverrides(SoDrawStyle::FILLED, true);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        action.apply(root_);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        switchOverrides(SoDrawStyle::LINES, false);
    }
    action.apply(root_);
}

void ExaminerScene::switchOverrides(int style, bool offset)
{
    style_override->enableNotify(FALSE);
    fill_offset->enableNotify(FALSE);
    style_override->style = style;
    fill_offset->on = offset;
    style_override->enableNotify(TRUE);
    fill_offset->enableNotify(TRUE);
}

void ExaminerScene::goHome(void)
{
    seekStep(1);
    if (camera_ && home && home->getTypeId() == camera_->getTypeId())
        camera_->copyFieldValues(home);
}

void ExaminerScene::saveHome(void)
{
    if (!camera_)
        return;
    if (home)
        home->unref();
    home = static_cast<SoCamera *>(camera_->copy());
    home->ref();
}

void ExaminerScene::viewAll(const SbViewportRegion &region)
{
    if (camera_ && scene)
        camera_->viewAll(scene, region);
}

void ExaminerScene::setDrawStyle(DrawStyle style)
{
    draw_style = style;
    bool as_is = style == DrawStyle::AS_IS;
    style_override->style = style == DrawStyle::POINTS ? SoDrawStyle::POINTS : SoDrawStyle::LINES;
    style_override->style.setIgnored(as_is);
    style_override->setOverride(!as_is);
    bool boxes = style == DrawStyle::BOUNDING_BOX;
    complexity_override->type = SoComplexity::BOUNDING_BOX;
    complexity_override->type.setIgnored(!boxes);
    complexity_override->setOverride(boxes);
}

void ExaminerScene::setHeadlight(bool on)
{
    headlight->on = on;
}

bool ExaminerScene::isHeadlight(void) const
{
    return headlight->on.getValue();
}

void ExaminerScene::toggleCameraType(void)
{
    if (!camera_)
        return;
    seekStep(1);
    SoSearchAction search;
    search.setNode(camera_);
    search.setInterest(SoSearchAction::FIRST);
    search.setSearchingAll(TRUE);
    search.apply(root_);
    SoPath *path = search.getPath();
    if (!path || path->getLength() < 2 ||
        !path->getNodeFromTail(1)->isOfType(SoGroup::getClassTypeId()))
        return;
    auto *parent = static_cast<SoGroup *>(path->getNodeFromTail(1));
    int index = path->getIndexFromTail(0);
    SoCamera *other = converted(*camera_);
    if (home && home->getTypeId() == camera_->getTypeId()) {
        SoCamera *other_home = converted(*home);
        other_home->ref();
        home->unref();
        home = other_home;
    }
    camera_ = other;
    parent->replaceChild(index, other);
}

bool ExaminerScene::seekTo(const SbVec2s &pixel, const SbViewportRegion &region)
{
    if (!camera_ || !scene)
        return false;
    SoRayPickAction pick(region);
    pick.setPoint(pixel);
    pick.setRadius(2);
    pick.apply(root_);
    SoPickedPoint *picked = pick.getPickedPoint();
    if (!picked)
        return false;
    SbVec3f target = picked->getPoint();
    SbVec3f position = camera_->position.getValue();
    SbVec3f toward = target - position;
    float distance = toward.length();
    if (!(distance > 0))
        return false;
    toward /= distance;

    from_position = position;
    from_orientation = camera_->orientation.getValue();
    from_focal = camera_->focalDistance.getValue();
    // Turned to look straight at the point, then moved along that line.
    to_orientation = from_orientation * SbRotation(view_direction(*camera_), toward);
    to_focal = distance * seek_distance;
    to_position = target - to_focal * toward;
    from_height = to_height = 1;
    if (is_orthographic(*camera_)) {
        from_height = static_cast<SoOrthographicCamera *>(camera_)->height.getValue();
        to_height = from_height * seek_distance;
    }
    seeking = true;
    seek_start = SbTime::getTimeOfDay();
    if (seek_time <= 0) {
        seekStep(1);
    } else {
        seek_ticker.setInterval(SbTime(1.0 / 60));
        seek_ticker.schedule();
    }
    return true;
}

void ExaminerScene::seekStep(float fraction)
{
    if (!seeking || !camera_)
        return;
    float t = std::clamp(fraction, 0.0f, 1.0f);
    camera_->position = from_position + t * (to_position - from_position);
    camera_->orientation = SbRotation::slerp(from_orientation, to_orientation, t);
    camera_->focalDistance = from_focal + t * (to_focal - from_focal);
    if (is_orthographic(*camera_))
        static_cast<SoOrthographicCamera *>(camera_)->height =
            from_height + t * (to_height - from_height);
    if (t >= 1) {
        seeking = false;
        seek_ticker.unschedule();
    }
}

void ExaminerScene::seekTicked(void *data, SoSensor *)
{
    static_cast<ExaminerScene *>(data)->seekStepAt(SbTime::getTimeOfDay());
}

void ExaminerScene::seekStepAt(const SbTime &now)
{
    double elapsed = (now - seek_start).getValue();
    seekStep(seek_time > 0 ? static_cast<float>(elapsed / seek_time) : 1.0f);
}

// Near and far planes around the scene's bounding sphere, as the camera now sees it, so that
// dollying never cuts the scene. Set quietly: the frame being drawn already uses them.
void ExaminerScene::fitClippingPlanes(const SbViewportRegion &region)
{
    SoGetBoundingBoxAction bounds(region);
    bounds.apply(root_);
    SbBox3f box = bounds.getBoundingBox();
    if (box.isEmpty() || !camera_)
        return;
    SbSphere sphere;
    sphere.circumscribe(box);
    float radius = sphere.getRadius() * 1.01f + 1e-4f;
    float centre = view_direction(*camera_).dot(sphere.getCenter() - camera_->position.getValue());
    float far_plane = centre + radius;
    float near_plane = centre - radius;
    if (!is_orthographic(*camera_))
        near_plane = std::max(near_plane, far_plane * 0.001f);
    if (far_plane <= near_plane)
        return;
    camera_->enableNotify(FALSE);
    camera_->nearDistance = near_plane;
    camera_->farDistance = far_plane;
    camera_->enableNotify(TRUE);
}

void ExaminerScene::reorient(const SbRotation &rotation)
{
    if (!camera_)
        return;
    float distance = camera_->focalDistance.getValue();
    SbVec3f focal_point = camera_->position.getValue() + distance * view_direction(*camera_);
    camera_->orientation = rotation * camera_->orientation.getValue();
    camera_->position = focal_point - distance * view_direction(*camera_);
}

void ExaminerScene::pan(const SbVec2f &from, const SbVec2f &to, float aspect_ratio)
{
    if (!camera_)
        return;
    SbViewVolume volume = camera_->getViewVolume(aspect_ratio);
    SbPlane plane = volume.getPlane(camera_->focalDistance.getValue());
    SbLine line;
    SbVec3f start, end;
    volume.projectPointToLine(from, line);
    plane.intersect(line, start);
    volume.projectPointToLine(to, line);
    plane.intersect(line, end);
    camera_->position = camera_->position.getValue() - (end - start);
}

void ExaminerScene::dolly(float amount)
{
    if (!camera_)
        return;
    float factor = std::exp(-amount);
    if (is_orthographic(*camera_)) {
        auto *orthographic = static_cast<SoOrthographicCamera *>(camera_);
        orthographic->height = orthographic->height.getValue() * factor;
        return;
    }
    float distance = camera_->focalDistance.getValue();
    SbVec3f focal_point = camera_->position.getValue() + distance * view_direction(*camera_);
    camera_->focalDistance = distance * factor;
    camera_->position = focal_point - distance * factor * view_direction(*camera_);
}

} // namespace sowin_standin
