#include "icons_win32.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace sowin_standin
{
namespace
{

struct Point {
    double u, v;
};

// Draws on a 20 x 20 grid laid over the icon's box, so every shape scales with the button.
class Canvas
{
  public:
    Canvas(HDC dc, const RECT &box)
        : dc(dc), left(box.left), top(box.top),
          unit(std::min(box.right - box.left, box.bottom - box.top) / 20.0),
          line_width(std::max(1, static_cast<int>(std::lround(unit))))
    {
    }

    void polygon(std::initializer_list<Point> points, COLORREF fill, COLORREF outline) const
    {
        POINT device[16];
        int count = 0;
        for (const Point &point : points)
            if (count < 16)
                device[count++] = at(point);
        Shape shape(dc, fill, outline, line_width);
        Polygon(dc, device, count);
    }

    void rectangle(Point from, Point to, COLORREF fill, COLORREF outline) const
    {
        Shape shape(dc, fill, outline, line_width);
        POINT a = at(from), b = at(to);
        Rectangle(dc, a.x, a.y, b.x, b.y);
    }

    void ellipse(Point from, Point to, COLORREF fill, COLORREF outline) const
    {
        Shape shape(dc, fill, outline, line_width);
        POINT a = at(from), b = at(to);
        Ellipse(dc, a.x, a.y, b.x, b.y);
    }

    void rounded(Point from, Point to, double radius, COLORREF fill, COLORREF outline) const
    {
        Shape shape(dc, fill, outline, line_width);
        POINT a = at(from), b = at(to);
        int corner = static_cast<int>(std::lround(2 * radius * unit));
        RoundRect(dc, a.x, a.y, b.x, b.y, corner, corner);
    }

    void polyline(std::initializer_list<Point> points, COLORREF colour) const
    {
        POINT device[16];
        int count = 0;
        for (const Point &point : points)
            if (count < 16)
                device[count++] = at(point);
        Shape shape(dc, CLR_INVALID, colour, line_width);
        Polyline(dc, device, count);
    }

  private:
    // One fill and outline selected for the life of a shape; CLR_INVALID leaves it hollow.
    class Shape
    {
      public:
        Shape(HDC dc, COLORREF fill, COLORREF outline, int width) : dc(dc)
        {
            brush = fill == CLR_INVALID ? nullptr : CreateSolidBrush(fill);
            pen = CreatePen(PS_SOLID, width, outline);
            old_brush = SelectObject(dc, brush ? brush : GetStockObject(NULL_BRUSH));
            old_pen = SelectObject(dc, pen);
        }
        ~Shape()
        {
            SelectObject(dc, old_pen);
            SelectObject(dc, old_brush);
            DeleteObject(pen);
            if (brush)
                DeleteObject(brush);
        }
        Shape(const Shape &) = delete;
        Shape &operator=(const Shape &) = delete;

      private:
        HDC dc;
        HBRUSH brush;
        HPEN pen;
        HGDIOBJ old_brush, old_pen;
    };

    POINT at(Point point) const
    {
        return {left + static_cast<LONG>(std::lround(point.u * unit)),
                top + static_cast<LONG>(std::lround(point.v * unit))};
    }

    HDC dc;
    LONG left, top;
    double unit;
    int line_width;
};

const COLORREF black = RGB(0, 0, 0);
const COLORREF white = RGB(255, 255, 255);

// The selection arrow, pointing up and to the left.
void draw_pick(const Canvas &canvas)
{
    canvas.polygon(
        {{3, 3}, {14.7, 6.9}, {12.2, 9.4}, {18.2, 15.4}, {15.4, 18.2}, {9.4, 12.2}, {6.9, 14.7}},
        RGB(232, 24, 24), black);
}

// An open gloved hand: palm, four fingers with their knuckle lines, thumb, cuff.
void draw_view(const Canvas &canvas)
{
    const COLORREF seam = RGB(150, 150, 150);
    canvas.rectangle({5.6, 16.5}, {15.4, 19.6}, RGB(200, 200, 200), black);
    canvas.polygon({{5.6, 15.2}, {1.2, 10.4}, {1.8, 8.6}, {3.6, 8.6}, {6.4, 11.2}}, white, black);
    canvas.rounded({4.6, 8.5}, {16.4, 18}, 3.5, white, black);
    canvas.rounded({4.6, 3.6}, {7.7, 11.6}, 1.5, white, black);
    canvas.rounded({7.5, 1.6}, {10.6, 11.6}, 1.5, white, black);
    canvas.rounded({10.4, 2.2}, {13.5, 11.6}, 1.5, white, black);
    canvas.rounded({13.3, 4.4}, {16.4, 11.6}, 1.5, white, black);
    canvas.polyline({{7.6, 13.4}, {7.6, 15.6}}, seam);
    canvas.polyline({{10.5, 13.4}, {10.5, 15.6}}, seam);
    canvas.polyline({{13.4, 13.4}, {13.4, 15.6}}, seam);
}

// A house with a chimney, door and window.
void draw_home(const Canvas &canvas)
{
    canvas.rectangle({13.4, 3.6}, {15.6, 8}, RGB(64, 64, 64), black);
    canvas.rectangle({4, 9.5}, {16, 18}, white, black);
    canvas.polygon({{1.5, 10.5}, {10, 2.8}, {18.5, 10.5}}, RGB(56, 56, 56), black);
    canvas.rectangle({8.4, 12.8}, {11.6, 18}, RGB(140, 140, 140), black);
    canvas.rectangle({12.6, 12}, {14.8, 14.2}, RGB(170, 170, 170), black);
}

// A sheet with a folded corner, the frame of the "set home" and "view all" pictures.
void draw_sheet(const Canvas &canvas, COLORREF fill, COLORREF fold, COLORREF outline)
{
    canvas.polygon({{2.5, 1.5}, {14.5, 1.5}, {18, 5}, {18, 18.5}, {2.5, 18.5}}, fill, outline);
    canvas.polygon({{14.5, 1.5}, {14.5, 5}, {18, 5}}, fold, outline);
}

// A blue sheet holding the outline of a house: the place "home" is taken from.
void draw_set_home(const Canvas &canvas)
{
    draw_sheet(canvas, RGB(58, 150, 245), RGB(160, 205, 255), RGB(16, 54, 132));
    canvas.polyline({{5, 11}, {10.2, 5.8}, {15.4, 11}}, white);
    canvas.polyline({{6.8, 10}, {6.8, 16}, {13.6, 16}, {13.6, 10}}, white);
    canvas.polyline({{9.2, 16}, {9.2, 12.6}, {11.2, 12.6}, {11.2, 16}}, white);
}

// A yellow sheet with an open eye: everything in view.
void draw_view_all(const Canvas &canvas)
{
    draw_sheet(canvas, RGB(250, 222, 40), RGB(255, 246, 170), black);
    canvas.ellipse({3.5, 6.2}, {17.2, 15.6}, white, black);
    canvas.ellipse({7.2, 7.4}, {13.6, 14.4}, RGB(40, 110, 220), RGB(16, 54, 132));
    canvas.ellipse({9.2, 9.6}, {11.6, 12.2}, black, black);
    canvas.ellipse({10.8, 8.8}, {12.2, 10.2}, white, white);
}

// A torch shining down and to the left: seeking a point of the scene.
void draw_seek(const Canvas &canvas)
{
    const COLORREF blue = RGB(30, 100, 224);
    canvas.polygon({{17.9, 4.4}, {15.1, 1.6}, {7.6, 9.1}, {10.4, 11.9}}, blue, black);
    canvas.polygon({{10.4, 11.9}, {7.6, 9.1}, {3.3, 10.5}, {9, 16.2}}, blue, black);
    canvas.polygon({{3.3, 10.5}, {9, 16.2}, {7.6, 17.6}, {1.9, 11.9}}, RGB(252, 232, 48), black);
    canvas.polyline({{14.2, 5.6}, {12.6, 7.2}}, RGB(170, 210, 255));
}

// A box seen in perspective: the camera type.
void draw_camera(const Canvas &canvas)
{
    const Point top = {10, 4.5}, upper_right = {15.8, 7.8}, lower_right = {15.8, 14.2},
                bottom = {10, 17.5}, lower_left = {4.2, 14.2}, upper_left = {4.2, 7.8},
                centre = {10, 11};
    canvas.polygon({top, upper_right, centre, upper_left}, RGB(140, 40, 24), black);
    canvas.polygon({upper_left, centre, bottom, lower_left}, RGB(226, 32, 32), black);
    canvas.polygon({centre, upper_right, lower_right, bottom}, RGB(250, 214, 40), black);
}

} // namespace

void draw_button_icon(HDC dc, ButtonIcon icon, const RECT &box)
{
    Canvas canvas(dc, box);
    switch (icon) {
    case ButtonIcon::PICK:
        draw_pick(canvas);
        break;
    case ButtonIcon::VIEW:
        draw_view(canvas);
        break;
    case ButtonIcon::HOME:
        draw_home(canvas);
        break;
    case ButtonIcon::SET_HOME:
        draw_set_home(canvas);
        break;
    case ButtonIcon::VIEW_ALL:
        draw_view_all(canvas);
        break;
    case ButtonIcon::SEEK:
        draw_seek(canvas);
        break;
    case ButtonIcon::CAMERA:
        draw_camera(canvas);
        break;
    }
}

} // namespace sowin_standin
