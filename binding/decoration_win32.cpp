// The decoration's windows: three edge windows of our own class holding the thumbwheels and
// owner-drawn push buttons, whose notifications the edge windows receive.
#include "decoration_win32.h"

#include "dpi_win32.h"
#include "icons_win32.h"
#include "thumbwheel_win32.h"
#include "window_win32.h"

#include <windowsx.h>

#include <algorithm>

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

const wchar_t panel_class[] = L"OverlayPlaneDecorationEdge";

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

struct Parts {
    ExaminerControls *controls = nullptr;
    int dpi = 96;
    HWND left = nullptr, bottom = nullptr, right = nullptr;
    HWND wheels[3] = {}; // RotX, RotY, Dolly
    HWND buttons[button_count] = {};
    HFONT font = nullptr;
    bool visible = true;
    HWND focus_before_click = nullptr;

    int scaled(int pixels) const
    {
        return MulDiv(pixels, dpi, 96);
    }
};

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

HFONT create_label_font(int dpi)
{
    LOGFONTW face = message_font_for_dpi(dpi);
    return CreateFontIndirectW(&face);
}

HWND create_edge(HWND parent, Parts *parts)
{
    return CreateWindowExW(0, panel_class, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           parent, nullptr, module_instance(), parts);
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
    WNDCLASSEXW panel = {};
    panel.style = CS_HREDRAW | CS_VREDRAW;
    panel.lpfnWndProc = panel_procedure;
    panel.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    panel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    panel.lpszClassName = panel_class;
    register_window_class(panel);
    parts.font = create_label_font(parts.dpi);

    parts.left = create_edge(parent, &parts);
    parts.bottom = create_edge(parent, &parts);
    parts.right = create_edge(parent, &parts);

    parts.wheels[0] = create_thumbwheel(parts.left, Wheel::ROT_X, controls);
    parts.wheels[1] = create_thumbwheel(parts.bottom, Wheel::ROT_Y, controls);
    parts.wheels[2] = create_thumbwheel(parts.right, Wheel::DOLLY, controls);
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
    place(parts.wheels[0], across, side_height - gap - rot_x_length, thickness, rot_x_length);
    const int column = button_count * parts.scaled(button_size);
    const int dolly_length = std::min(parts.scaled(wheel_length), side_height - column - 2 * gap);
    place(parts.wheels[2], across, side_height - gap - dolly_length, thickness, dolly_length);
    for (int i = 0; i < button_count; ++i)
        place(parts.buttons[i], 0, i * parts.scaled(button_size), edge, parts.scaled(button_size));

    BottomPlaces places = place_bottom(parts, width);
    place(parts.wheels[1], places.wheel.left, places.wheel.top,
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

} // namespace sowin_standin
