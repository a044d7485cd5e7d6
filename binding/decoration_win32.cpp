// The decoration's windows: three edge windows of our own class holding the thumbwheels (our
// own class too) and owner-drawn push buttons, whose notifications the edge windows receive.
// A wheel reports the angle its surface turned: positive when dragged up (RotX, Dolly) or to
// the right (RotY), by the pointer's travel over the wheel's radius.
#include "decoration_win32.h"

#include "dpi_win32.h"
#include "icons_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sowin_standin
{
namespace
{

// Sizes in pixels at 96 dpi, as the Linux examiner lays its decoration out; all scale by dpi/96.
constexpr int edge_size = 30;   // thickness of the left, right and bottom edges
constexpr int button_size = 30; // the square buttons of the right-hand column
constexpr int icon_size = 24;   // the picture inside a button
constexpr int wheel_length = 118;
constexpr int wheel_thickness = 14;
constexpr int wheel_end_gap = 2; // below the side wheels, and above the Dolly wheel
constexpr int rot_x_label_left = 3;
constexpr int rot_y_label_left = 45;
constexpr int bottom_wheel_left = 83;
constexpr int label_gap = 10; // the least room between a label and what follows it
constexpr int dolly_label_right_gap = 3;

constexpr double pi = 3.14159265358979323846;
// The surface angle between two ridges of a thumbwheel.
constexpr double ridge_step = pi / 18;

const wchar_t panel_class[] = L"OverlayPlaneDecorationEdge";
const wchar_t wheel_class[] = L"OverlayPlaneThumbwheel";

enum class Wheel { ROT_X, ROT_Y, DOLLY };

struct ButtonKind {
    ButtonIcon icon;
    const wchar_t *name;
};
// Top to bottom, as the Linux examiner orders them.
const ButtonKind button_kinds[] = {
    {ButtonIcon::PICK, L"Pick"},         {ButtonIcon::VIEW, L"View"},
    {ButtonIcon::HOME, L"Home"},         {ButtonIcon::SET_HOME, L"Set Home"},
    {ButtonIcon::VIEW_ALL, L"View All"}, {ButtonIcon::SEEK, L"Seek"},
    {ButtonIcon::CAMERA, L"Camera Type"}};
constexpr int button_count = sizeof button_kinds / sizeof button_kinds[0];
constexpr int first_button_id = 100;

struct WheelState {
    HWND window = nullptr;
    Wheel which = Wheel::ROT_X;
    ExaminerControls *controls = nullptr;
    double angle = 0; // where the ridges stand, radians of the wheel's surface
    bool dragging = false;
    int last = 0; // the pointer's last position along the wheel, client pixels
};

struct Parts {
    ExaminerControls *controls = nullptr;
    int dpi = 96;
    HWND left = nullptr, bottom = nullptr, right = nullptr;
    WheelState wheels[3];
    HWND buttons[button_count] = {};
    HFONT font = nullptr;
    bool visible = true;
    HWND focus_before_click = nullptr;

    int scaled(int pixels) const
    {
        return MulDiv(pixels, dpi, 96);
    }
};

bool is_vertical(Wheel which)
{
    return which != Wheel::ROT_Y;
}

// ---- the thumbwheel ----

void turn(WheelState &wheel, double radians)
{
    if (radians == 0)
        return;
    wheel.angle = std::remainder(wheel.angle + radians, 2 * pi);
    InvalidateRect(wheel.window, nullptr, FALSE);
    UpdateWindow(wheel.window);
    switch (wheel.which) {
    case Wheel::ROT_X:
        wheel.controls->rotateAboutX(static_cast<float>(radians));
        break;
    case Wheel::ROT_Y:
        wheel.controls->rotateAboutY(static_cast<float>(radians));
        break;
    case Wheel::DOLLY:
        wheel.controls->dolly(static_cast<float>(radians));
        break;
    }
}

// A ridged cylinder lit from the front: bright across the middle, darkening towards both
// ends, each ridge a bright line with a shadow after it. Drawn into a 32-bit DIB, then copied.
void paint_wheel(const WheelState &wheel, HDC dc, int width, int height)
{
    const bool vertical = is_vertical(wheel.which);
    const int length = vertical ? height : width;
    const int thickness = vertical ? width : height;
    const int border = 1;
    const int inner_length = length - 2 * border;
    const int inner_thickness = thickness - 2 * border;
    if (inner_length <= 0 || inner_thickness <= 0)
        return;

    // Along the wheel: the light each row gets, and where the ridges are.
    enum Ridge : unsigned char { NONE, CREST, SHADOW };
    std::vector<double> light(inner_length);
    std::vector<Ridge> ridge(inner_length, NONE);
    const double radius = inner_length / 2.0;
    for (int i = 0; i < inner_length; ++i) {
        double t = (i + 0.5) / radius - 1;
        light[i] = 0.2 + 0.8 * std::sqrt(std::max(0.0, 1 - t * t));
    }
    // Positive angles lie towards the top of a vertical wheel and the right of a horizontal one.
    double first =
        std::remainder(wheel.angle, ridge_step) - std::floor(pi / 2 / ridge_step) * ridge_step;
    for (double a = first; a < pi / 2; a += ridge_step) {
        if (std::cos(a) < 0.05)
            continue;
        double offset = radius * std::sin(a);
        int at = static_cast<int>(std::floor(vertical ? radius - offset : radius + offset));
        if (at >= 0 && at < inner_length)
            ridge[at] = CREST;
        if (at + 1 >= 0 && at + 1 < inner_length && ridge[at + 1] == NONE)
            ridge[at + 1] = SHADOW;
    }

    // Across the wheel: a plain rim at each side, a groove between them.
    const int rim = std::max(1, static_cast<int>(std::lround(inner_thickness * 0.15)));

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return;
    }
    auto *pixels = static_cast<std::uint32_t *>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int along = (vertical ? y : x) - border;
            int across = (vertical ? x : y) - border;
            std::uint32_t colour = 0; // the black outline
            if (along >= 0 && along < inner_length && across >= 0 && across < inner_thickness) {
                bool on_rim = across < rim || across >= inner_thickness - rim;
                double shade = 1.0;
                if (!on_rim) {
                    if (ridge[along] == CREST)
                        shade = 1.0;
                    else if (ridge[along] == SHADOW || across == rim)
                        shade = 0.64;
                    else
                        shade = 0.82;
                }
                double level = light[along] * shade;
                auto channel = [level](double full) {
                    return static_cast<std::uint32_t>(std::lround(std::min(255.0, full * level)));
                };
                colour = channel(255) << 16 | channel(215) << 8 | channel(215);
            }
            pixels[y * width + x] = colour;
        }
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

LRESULT CALLBACK wheel_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *wheel = reinterpret_cast<WheelState *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        wheel =
            static_cast<WheelState *>(reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wheel));
        wheel->window = window;
    }
    if (!wheel)
        return DefWindowProcW(window, message, wparam, lparam);

    const bool vertical = is_vertical(wheel->which);
    auto along = [vertical, lparam] {
        return vertical ? GET_Y_LPARAM(lparam) : GET_X_LPARAM(lparam);
    };
    switch (message) {
    case WM_LBUTTONDOWN:
        SetCapture(window);
        wheel->dragging = true;
        wheel->last = along();
        return 0;
    case WM_MOUSEMOVE:
        if (wheel->dragging && GetCapture() == window) {
            RECT client;
            GetClientRect(window, &client);
            int length = vertical ? client.bottom : client.right;
            int position = along();
            // Up and right turn the wheel forwards; the surface follows the pointer.
            int moved = vertical ? wheel->last - position : position - wheel->last;
            wheel->last = position;
            if (length > 1)
                turn(*wheel, moved / (length / 2.0));
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window)
            ReleaseCapture();
        wheel->dragging = false;
        return 0;
    case WM_CAPTURECHANGED:
        wheel->dragging = false;
        return 0;
    case WM_MOUSEWHEEL:
        turn(*wheel, ridge_step * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        paint_wheel(*wheel, dc, client.right, client.bottom);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// ---- the edges: labels, buttons ----

struct BottomPlaces {
    POINT rot_x, rot_y, dolly; // where each label's text starts
    RECT wheel;
};

int text_width(HDC dc, const wchar_t *text)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    return static_cast<int>(size.cx);
}

// The bottom edge, left to right: "RotX" under the left edge, "RotY", its wheel, and "Dolly"
// at the right end under the Dolly wheel.
BottomPlaces place_bottom(const Parts &parts, int width)
{
    BottomPlaces places = {};
    HDC dc = GetDC(parts.bottom);
    HGDIOBJ old = SelectObject(dc, parts.font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    const int rot_x = text_width(dc, L"RotX"), rot_y = text_width(dc, L"RotY"),
              dolly = text_width(dc, L"Dolly");
    SelectObject(dc, old);
    ReleaseDC(parts.bottom, dc);

    const int edge = parts.scaled(edge_size);
    const int top = (edge - static_cast<int>(metrics.tmHeight)) / 2;
    const int gap = parts.scaled(label_gap);
    const int rot_x_left = parts.scaled(rot_x_label_left);
    const int rot_y_left = std::max(parts.scaled(rot_y_label_left), rot_x_left + rot_x + gap);
    const int dolly_left = width - parts.scaled(dolly_label_right_gap) - dolly;
    places.rot_x = {rot_x_left, top};
    places.rot_y = {rot_y_left, top};
    places.dolly = {dolly_left, top};
    int wheel_left = std::max(parts.scaled(bottom_wheel_left), rot_y_left + rot_y + gap);
    int wheel_right = std::min(wheel_left + parts.scaled(wheel_length), dolly_left - gap);
    int thickness = parts.scaled(wheel_thickness);
    int wheel_top = (edge - thickness) / 2;
    places.wheel = {wheel_left, wheel_top, std::max(wheel_left, wheel_right),
                    wheel_top + thickness};
    return places;
}

void paint_labels(const Parts &parts, HDC dc)
{
    RECT client;
    GetClientRect(parts.bottom, &client);
    BottomPlaces places = place_bottom(parts, client.right);
    HGDIOBJ old = SelectObject(dc, parts.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutW(dc, places.rot_x.x, places.rot_x.y, L"RotX", 4);
    TextOutW(dc, places.rot_y.x, places.rot_y.y, L"RotY", 4);
    TextOutW(dc, places.dolly.x, places.dolly.y, L"Dolly", 5);
    SelectObject(dc, old);
}

bool shows_pressed(const Parts &parts, int index, bool held)
{
    if (held)
        return true;
    if (button_kinds[index].icon == ButtonIcon::PICK)
        return !parts.controls->isViewing();
    if (button_kinds[index].icon == ButtonIcon::VIEW)
        return parts.controls->isViewing();
    return false;
}

// A push button: a light face shading down to the window colour, or a flat darker face while
// pushed in (held, or the chosen one of pick and view), a grey frame, and the picture.
void paint_button(const Parts &parts, const DRAWITEMSTRUCT &item)
{
    const int index = static_cast<int>(item.CtlID) - first_button_id;
    if (index < 0 || index >= button_count)
        return;
    HDC dc = item.hDC;
    const RECT &box = item.rcItem;
    const int height = box.bottom - box.top;
    if (shows_pressed(parts, index, (item.itemState & ODS_SELECTED) != 0)) {
        HBRUSH face = CreateSolidBrush(RGB(219, 219, 219));
        FillRect(dc, &box, face);
        DeleteObject(face);
    } else {
        for (int row = 0; row < height; ++row) {
            int level = 254 - MulDiv(row, 18, std::max(1, height - 1));
            HBRUSH line = CreateSolidBrush(RGB(level, level, level));
            RECT strip = {box.left, box.top + row, box.right, box.top + row + 1};
            FillRect(dc, &strip, line);
            DeleteObject(line);
        }
    }
    HBRUSH frame = CreateSolidBrush(RGB(171, 171, 171));
    FrameRect(dc, &box, frame);
    DeleteObject(frame);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    SetPixel(dc, box.left, box.top, face);
    SetPixel(dc, box.right - 1, box.top, face);
    SetPixel(dc, box.left, box.bottom - 1, face);
    SetPixel(dc, box.right - 1, box.bottom - 1, face);

    const int icon = parts.scaled(icon_size);
    const int left = box.left + (box.right - box.left - icon) / 2;
    const int top = box.top + (height - icon) / 2;
    draw_button_icon(dc, button_kinds[index].icon, RECT{left, top, left + icon, top + icon});
}

void redraw_buttons(const Parts &parts)
{
    for (HWND button : parts.buttons)
        if (button)
            InvalidateRect(button, nullptr, FALSE);
}

void press(Parts &parts, int index)
{
    ExaminerControls &controls = *parts.controls;
    switch (button_kinds[index].icon) {
    case ButtonIcon::PICK:
        controls.setViewing(false);
        break;
    case ButtonIcon::VIEW:
        controls.setViewing(true);
        break;
    case ButtonIcon::HOME:
        controls.goHome();
        break;
    case ButtonIcon::SET_HOME:
        controls.saveHome();
        break;
    case ButtonIcon::VIEW_ALL:
        controls.viewAll();
        break;
    case ButtonIcon::SEEK:
        controls.setSeekMode(!controls.isSeekMode());
        break;
    case ButtonIcon::CAMERA:
        controls.toggleCameraType();
        break;
    }
    redraw_buttons(parts);
}

LRESULT CALLBACK panel_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *parts = reinterpret_cast<Parts *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        parts = static_cast<Parts *>(reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(parts));
    }
    if (!parts)
        return DefWindowProcW(window, message, wparam, lparam);

    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (window == parts->bottom)
            paint_labels(*parts, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DRAWITEM:
        paint_button(*parts, *reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
        return TRUE;
    case WM_PARENTNOTIFY:
        // A button takes the focus when pressed; it goes back where it was once the click is
        // done.
        if (LOWORD(wparam) == WM_LBUTTONDOWN) {
            POINT at = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            HWND under = ChildWindowFromPoint(window, at);
            bool on_button = false;
            for (HWND button : parts->buttons)
                on_button = on_button || (under && under == button);
            parts->focus_before_click = on_button ? GetFocus() : nullptr;
        }
        return 0;
    case WM_COMMAND: {
        int index = LOWORD(wparam) - first_button_id;
        int code = HIWORD(wparam);
        if (index >= 0 && index < button_count &&
            (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
            press(*parts, index);
            HWND before = parts->focus_before_click;
            parts->focus_before_click = nullptr;
            if (before && before != GetFocus() && IsWindow(before))
                SetFocus(before);
        }
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

HINSTANCE module_instance(void)
{
    return GetModuleHandleW(nullptr);
}

// Registers a window class of the decoration's unless it already is.
void register_class(const wchar_t *name, WNDPROC procedure, HBRUSH background)
{
    HINSTANCE instance = module_instance();
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, name, &existing))
        return;
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = background;
    window_class.lpszClassName = name;
    RegisterClassExW(&window_class);
}

void register_classes(void)
{
    register_class(panel_class, panel_procedure, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    register_class(wheel_class, wheel_procedure, nullptr);
}

HFONT create_label_font(int dpi)
{
    LOGFONTW face = message_font_for_dpi(dpi);
    return CreateFontIndirectW(&face);
}

HWND create_child(const wchar_t *window_class, const wchar_t *name, HWND parent, void *state)
{
    return CreateWindowExW(0, window_class, name,
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           parent, nullptr, module_instance(), state);
}

void place(HWND window, int x, int y, int width, int height)
{
    SetWindowPos(window, nullptr, x, y, std::max(0, width), std::max(0, height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

struct Decoration::Windows {
    Parts parts;
};

Decoration::Decoration(HWND parent, ExaminerControls &controls, int dpi) : windows(new Windows)
{
    Parts &parts = windows->parts;
    parts.controls = &controls;
    parts.dpi = dpi > 0 ? dpi : 96;
    register_classes();
    parts.font = create_label_font(parts.dpi);

    parts.left = create_child(panel_class, L"", parent, &parts);
    parts.bottom = create_child(panel_class, L"", parent, &parts);
    parts.right = create_child(panel_class, L"", parent, &parts);

    const struct {
        Wheel which;
        const wchar_t *name;
        HWND edge;
    } wheels[] = {{Wheel::ROT_X, L"RotX", parts.left},
                  {Wheel::ROT_Y, L"RotY", parts.bottom},
                  {Wheel::DOLLY, L"Dolly", parts.right}};
    for (int i = 0; i < 3; ++i) {
        WheelState &wheel = parts.wheels[i];
        wheel.which = wheels[i].which;
        wheel.controls = &controls;
        create_child(wheel_class, wheels[i].name, wheels[i].edge, &wheel);
    }
    for (int i = 0; i < button_count; ++i)
        parts.buttons[i] = CreateWindowExW(
            0, L"BUTTON", button_kinds[i].name, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0,
            parts.right, reinterpret_cast<HMENU>(static_cast<INT_PTR>(first_button_id + i)),
            module_instance(), nullptr);

    RECT client;
    if (GetClientRect(parent, &client))
        layout(client);
}

Decoration::~Decoration()
{
    Parts &parts = windows->parts;
    for (HWND edge : {parts.left, parts.bottom, parts.right})
        if (edge && IsWindow(edge))
            DestroyWindow(edge);
    if (parts.font)
        DeleteObject(parts.font);
    delete windows;
}

RECT Decoration::layout(const RECT &client)
{
    Parts &parts = windows->parts;
    if (!parts.visible)
        return client;
    const int width = std::max<LONG>(0, client.right - client.left);
    const int height = std::max<LONG>(0, client.bottom - client.top);
    const int edge = std::min(parts.scaled(edge_size), width / 2);
    const int bottom_edge = std::min(parts.scaled(edge_size), height);
    const int side_height = height - bottom_edge;

    place(parts.left, client.left, client.top, edge, side_height);
    place(parts.right, client.right - edge, client.top, edge, side_height);
    place(parts.bottom, client.left, client.top + side_height, width, bottom_edge);

    // The side wheels stand at the bottom of their edges, the Dolly wheel below the buttons.
    const int thickness = parts.scaled(wheel_thickness);
    const int gap = parts.scaled(wheel_end_gap);
    const int across = (edge - thickness) / 2;
    const int rot_x_length = std::min(parts.scaled(wheel_length), side_height - 2 * gap);
    place(parts.wheels[0].window, across, side_height - gap - rot_x_length, thickness,
          rot_x_length);
    const int column = button_count * parts.scaled(button_size);
    const int dolly_length = std::min(parts.scaled(wheel_length), side_height - column - 2 * gap);
    place(parts.wheels[2].window, across, side_height - gap - dolly_length, thickness,
          dolly_length);
    for (int i = 0; i < button_count; ++i)
        place(parts.buttons[i], 0, i * parts.scaled(button_size), edge, parts.scaled(button_size));

    BottomPlaces places = place_bottom(parts, width);
    place(parts.wheels[1].window, places.wheel.left, places.wheel.top,
          places.wheel.right - places.wheel.left, places.wheel.bottom - places.wheel.top);
    InvalidateRect(parts.bottom, nullptr, TRUE);

    RECT area = {client.left + edge, client.top, client.right - edge, client.top + side_height};
    area.right = std::max(area.left, area.right);
    return area;
}

void Decoration::setDpi(int dpi)
{
    Parts &parts = windows->parts;
    if (dpi <= 0 || dpi == parts.dpi)
        return;
    parts.dpi = dpi;
    HFONT font = create_label_font(dpi);
    if (font) {
        if (parts.font)
            DeleteObject(parts.font);
        parts.font = font;
    }
    for (HWND edge : {parts.left, parts.bottom, parts.right})
        RedrawWindow(edge, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

int Decoration::dpi(void) const
{
    return windows->parts.dpi;
}

void Decoration::setVisible(bool visible)
{
    Parts &parts = windows->parts;
    parts.visible = visible;
    for (HWND edge : {parts.left, parts.bottom, parts.right})
        ShowWindow(edge, visible ? SW_SHOWNA : SW_HIDE);
}

void Decoration::refresh(void)
{
    redraw_buttons(windows->parts);
}

// ---- the pop-up menu ----

namespace
{

enum MenuCommand : UINT {
    HOME = 1,
    SET_HOME,
    VIEW_ALL,
    SEEK,
    VIEWING,
    DECORATIONS,
    HEADLIGHT,
    FULLSCREEN,
    STILL_STYLE = 100, // + the entry's place in still_styles
    ANIMATING_STYLE = 200,
    TRANSPARENCY = 300,
    BUFFER = 400,
    STEREO = 500,
};

struct StillStyle {
    const wchar_t *label;
    bool offered; // the viewer draws it
    DrawStyle style;
};
const StillStyle still_styles[] = {{L"as is", true, DrawStyle::AS_IS},
                                   {L"hidden line", true, DrawStyle::HIDDEN_LINE},
                                   {L"wireframe overlay", false, DrawStyle::AS_IS},
                                   {L"no texture", false, DrawStyle::AS_IS},
                                   {L"low resolution", false, DrawStyle::AS_IS},
                                   {L"wireframe", true, DrawStyle::WIREFRAME},
                                   {L"points", true, DrawStyle::POINTS},
                                   {L"bounding box (no depth)", true, DrawStyle::BOUNDING_BOX}};
constexpr UINT still_style_count = sizeof still_styles / sizeof still_styles[0];

const wchar_t *const animating_styles[] = {L"same as still",
                                           L"no texture",
                                           L"low resolution",
                                           L"wireframe",
                                           L"low res wireframe (no depth)",
                                           L"points",
                                           L"low res points (no depth)",
                                           L"bounding box (no depth)"};
const wchar_t *const transparencies[] = {L"none",
                                         L"screen door",
                                         L"add",
                                         L"delayed add",
                                         L"sorted object add",
                                         L"blend",
                                         L"delayed blend",
                                         L"sorted object blend",
                                         L"sorted object sorted triangle add",
                                         L"sorted object sorted triangle blend",
                                         L"sorted layers blend"};
const wchar_t *const buffers[] = {L"single", L"double", L"interactive"};
const wchar_t *const stereo_modes[] = {L"Off", L"Red/Cyan Anaglyph", L"Quad buffer",
                                       L"Interleaved Rows", L"Interleaved Columns"};

void add_entry(HMENU menu, UINT command, const wchar_t *label, bool enabled, bool checked)
{
    UINT flags = MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED) | (checked ? MF_CHECKED : 0);
    AppendMenuW(menu, flags, command, label);
}

void add_submenu(HMENU menu, HMENU submenu, const wchar_t *label)
{
    AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), label);
}

// The examiner's menu as the Linux viewer shows it. What this viewer cannot do is shown greyed
// in its fixed state: double-buffered, stereo off, animating drawn as still.
HMENU build_menu(const ExaminerControls &controls)
{
    HMENU functions = CreatePopupMenu();
    add_entry(functions, HOME, L"Home", true, false);
    add_entry(functions, SET_HOME, L"Set Home", true, false);
    add_entry(functions, VIEW_ALL, L"View All", true, false);
    add_entry(functions, SEEK, L"Seek", controls.isViewing(), controls.isSeekMode());

    HMENU still = CreatePopupMenu();
    for (UINT i = 0; i < still_style_count; ++i) {
        const StillStyle &entry = still_styles[i];
        add_entry(still, STILL_STYLE + i, entry.label, entry.offered,
                  entry.offered && entry.style == controls.drawStyle());
    }
    HMENU animating = CreatePopupMenu();
    for (UINT n = 0; n < sizeof animating_styles / sizeof animating_styles[0]; ++n)
        add_entry(animating, ANIMATING_STYLE + n, animating_styles[n], n == 0, n == 0);
    HMENU transparency = CreatePopupMenu();
    for (UINT n = 0; n < sizeof transparencies / sizeof transparencies[0]; ++n)
        add_entry(transparency, TRANSPARENCY + n, transparencies[n], false, false);
    HMENU buffer = CreatePopupMenu();
    for (UINT n = 0; n < sizeof buffers / sizeof buffers[0]; ++n)
        add_entry(buffer, BUFFER + n, buffers[n], n == 1, n == 1);
    HMENU draw_styles = CreatePopupMenu();
    add_submenu(draw_styles, still, L"Still Drawstyle");
    add_submenu(draw_styles, animating, L"Animating Drawstyle");
    add_submenu(draw_styles, transparency, L"Transparency Type");
    add_submenu(draw_styles, buffer, L"Render Buffer Type");

    HMENU stereo = CreatePopupMenu();
    for (UINT n = 0; n < sizeof stereo_modes / sizeof stereo_modes[0]; ++n)
        add_entry(stereo, STEREO + n, stereo_modes[n], n == 0, n == 0);

    HMENU menu = CreatePopupMenu();
    add_submenu(menu, functions, L"Functions");
    add_submenu(menu, draw_styles, L"Draw Styles");
    add_submenu(menu, stereo, L"Stereo Viewing");
    add_entry(menu, VIEWING, L"Viewing", true, controls.isViewing());
    add_entry(menu, DECORATIONS, L"Decorations", true, controls.isDecorated());
    add_entry(menu, HEADLIGHT, L"Headlight", true, controls.isHeadlight());
    add_entry(menu, FULLSCREEN, L"Fullscreen", true, controls.isFullscreen());
    return menu;
}

void carry_out(UINT command, ExaminerControls &controls)
{
    if (command >= STILL_STYLE && command < STILL_STYLE + still_style_count) {
        const StillStyle &entry = still_styles[command - STILL_STYLE];
        if (entry.offered)
            controls.setDrawStyle(entry.style);
        return;
    }
    switch (command) {
    case HOME:
        controls.goHome();
        break;
    case SET_HOME:
        controls.saveHome();
        break;
    case VIEW_ALL:
        controls.viewAll();
        break;
    case VIEWING:
        controls.setViewing(!controls.isViewing());
        break;
    case DECORATIONS:
        controls.setDecorated(!controls.isDecorated());
        break;
    case SEEK:
        controls.setSeekMode(true);
        break;
    case HEADLIGHT:
        controls.setHeadlight(!controls.isHeadlight());
        break;
    case FULLSCREEN:
        controls.setFullscreen(!controls.isFullscreen());
        break;
    default: // an entry that keeps the state it shows
        break;
    }
}

} // namespace

void run_popup_menu(HWND owner, POINT screen_point, ExaminerControls &controls)
{
    HMENU menu = build_menu(controls);
    if (!menu)
        return;
    // A menu tracked for a window that is not in front would not close on a click elsewhere.
    HWND top = GetAncestor(owner, GA_ROOT);
    SetForegroundWindow(top ? top : owner);
    UINT command = static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                         screen_point.x, screen_point.y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (command != 0)
        carry_out(command, controls);
}

} // namespace sowin_standin
