// The examiner viewer behind the SoWin classes on Linux: SoQt's examiner viewer.
#include "overlay_emulation.h"
#include "real_time_gate.h"
#include "viewer_backend.h"

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/events/SoKeyboardEvent.h>

#include <QEvent>
#include <QGLFormat>
#include <QWidget>
#include <QWindow>
#include <GL/glx.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace sowin_standin
{

namespace
{

bool is_arrow_key(const SoEvent *event)
{
    if (!event->isOfType(SoKeyboardEvent::getClassTypeId()))
        return false;
    switch (static_cast<const SoKeyboardEvent *>(event)->getKey()) {
    case SoKeyboardEvent::LEFT_ARROW:
    case SoKeyboardEvent::RIGHT_ARROW:
    case SoKeyboardEvent::UP_ARROW:
    case SoKeyboardEvent::DOWN_ARROW:
        return true;
    default:
        return false;
    }
}

// Qt lays widgets out in logical pixels and GL draws in device pixels; this is the one
// place where one becomes the other. Qt rounds a native window's scaled size the same way.
SbVec2s device_pixels(const QWidget *widget, const QSize &logical)
{
    QSize device = logical * widget->devicePixelRatioF();
    return SbVec2s(static_cast<short>(std::min(device.width(), 32767)),
                   static_cast<short>(std::min(device.height(), 32767)));
}

// When a window moves onto a monitor of another scale factor, Qt sizes the top-level with
// the new factor but has already placed the native windows inside it (the GL area and the
// panels around it) with the old one, and it never places them again: their X windows keep
// the old device size, and their late configure notices shrink or grow the layout. Each
// native window's QWindow now reads its geometry back with the new factor, so setting the
// widget's logical geometry on it again gives the X window its new device size.
void place_native_windows(QWidget *top)
{
    for (QWidget *widget : top->findChildren<QWidget *>()) {
        QWindow *window = widget->windowHandle();
        if (!window || widget->isWindow())
            continue;
        QRect logical(widget->mapTo(widget->nativeParentWidget(), QPoint()), widget->size());
        if (window->geometry() != logical)
            window->setGeometry(logical);
    }
}

// Keeps the render area fitted to its frame whenever the frame's layout resizes it or the
// window moves onto another monitor.
class FrameWatch : public QObject
{
  public:
    FrameWatch(QWidget *frame, std::function<void()> fit) : QObject(frame), fit(std::move(fit))
    {
        frame->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // Qt tells every widget of a window that moved onto another monitor with this event.
        if (event->type() == QEvent::Resize || event->type() == QEvent::ScreenChangeInternal)
            fit();
        return false;
    }

  private:
    std::function<void()> fit;
};

// SoQt's examiner viewer with the overlay drawn into its frame where the display has
// no overlay planes, and a right first frame.
class EmulatingExaminerViewer : public SoQtExaminerViewer
{
  public:
    EmulatingExaminerViewer(QWidget *parent, const char *name, SbBool embed,
                            SoQtFullViewer::BuildFlag flag, SoQtViewer::Type type)
        : SoQtExaminerViewer(parent, name, embed, flag, type), overlay([this] { scheduleRedraw(); })
    {
        if (QWidget *frame = getGLWidget()->parentWidget())
            new FrameWatch(frame, [this] { fitRenderArea(); });
    }

    OverlayEmulation overlay;

  protected:
    // Qt makes the GL context current for the first time before it has given the X
    // window its size, and Mesa's software rasteriser sizes its buffers then and again
    // only at a swap: the first frame would be drawn into a stale 100 x 30 buffer.
    // While the window is still unmapped, give it its size and swap once; nothing is
    // presented, and the first visible frame is drawn at full size.
    void initGraphic(void) override
    {
        SoQtExaminerViewer::initGraphic();
        fitRenderArea();
        Display *display = glXGetCurrentDisplay();
        GLXDrawable drawable = glXGetCurrentDrawable();
        if (!display || !drawable)
            return;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, drawable, &attributes) ||
            attributes.map_state == IsViewable)
            return;
        SbVec2s size = getViewportRegion().getWindowSize();
        if (size[0] <= 0 || size[1] <= 0)
            return;
        if (attributes.width != size[0] || attributes.height != size[1])
            XResizeWindow(display, drawable, size[0], size[1]);
        XSync(display, False);
        glXSwapBuffers(display, drawable);
    }

    void sizeChanged(const SbVec2s &size) override
    {
        SoQtExaminerViewer::sizeChanged(size);
        fitRenderArea();
    }

    // SoQt's arrow-key panning moves the viewer's camera, and without a normal scene
    // graph there is none: it would dereference a null camera. The overlay keeps its own
    // camera, so the keys have nothing to move.
    SbBool processSoEvent(const SoEvent *const event) override
    {
        if (!getCamera() && is_arrow_key(event))
            return FALSE;
        return SoQtExaminerViewer::processSoEvent(event);
    }

    void actualRedraw(void) override
    {
        // With no normal scene SoQt draws nothing, not even the background.
        bool cleared = !getSceneGraph();
        if (cleared) {
            const SbColor &background = getBackgroundColor();
            glClearColor(background[0], background[1], background[2], 0.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
        SoQtExaminerViewer::actualRedraw();
        if (!hasOverlayGLArea())
            overlay.render(getViewportRegion(), *getGLRenderAction(), cleared);
        update_real_time_after_redraw();
    }

  private:
    // SoQt sizes the GL widget in logical pixels multiplied by the whole part of Qt's
    // scale factor, and hands that to GL as the viewport: at 2 the widget grows past its
    // frame, at 1.5 the viewport covers only part of the window. The widget belongs in
    // its frame at the frame's logical size; GL gets that size in device pixels. Once the
    // factor has changed, on another monitor, the window's native windows are placed anew
    // first, so that the frame's size and the factor agree again.
    void fitRenderArea(void)
    {
        QWidget *area = getGLWidget();
        QWidget *frame = area ? area->parentWidget() : nullptr;
        if (!frame)
            return;
        qreal ratio = area->devicePixelRatioF();
        if (ratio != placed_at_ratio) {
            place_native_windows(area->window());
            placed_at_ratio = ratio;
        }
        if (area->geometry() != frame->rect())
            area->setGeometry(frame->rect());
        SbVec2s device = device_pixels(area, frame->size());
        if (device[0] > 0 && device[1] > 0 && getViewportRegion().getWindowSize() != device)
            setViewportRegion(SbViewportRegion(device));
    }

    qreal placed_at_ratio = 0; // the scale factor the native windows were last placed at
};

// Without overlay visuals SoQt would still build a second GL widget and context for an
// overlay it can never show; the emulation alone draws it then.
bool display_has_overlay_planes(void)
{
    static const bool has_overlays = QGLFormat::hasOpenGLOverlays();
    return has_overlays;
}

class SoQtBackend : public ViewerBackend
{
  public:
    explicit SoQtBackend(EmulatingExaminerViewer *viewer) : viewer(viewer) {}

    // SoQt titles the top-level window, also that of an embedded component.
    void setTitle(const char *title) override
    {
        viewer->setTitle(title);
    }

    void show(void) override
    {
        viewer->show();
    }

    void setSceneGraph(SoNode *scene) override
    {
        viewer->setSceneGraph(scene);
    }

    void setOverlayColorMap(int start, int count, const SbColor *colors) override
    {
        if (display_has_overlay_planes())
            viewer->setOverlayColorMap(start, count, colors);
        viewer->overlay.setColorMap(start, count, colors);
    }

    void setOverlaySceneGraph(SoNode *scene) override
    {
        if (display_has_overlay_planes())
            viewer->setOverlaySceneGraph(scene);
        viewer->overlay.setSceneGraph(scene);
    }

  private:
    EmulatingExaminerViewer *viewer;
};

} // namespace

ViewerBackend *new_examiner_backend(HWND parent, const char *name, int embed, int build_flag,
                                    int type)
{
    auto *viewer = new EmulatingExaminerViewer(reinterpret_cast<QWidget *>(parent), name, embed,
                                               static_cast<SoQtFullViewer::BuildFlag>(build_flag),
                                               static_cast<SoQtViewer::Type>(type));
    return new SoQtBackend(viewer);
}

} // namespace sowin_standin
