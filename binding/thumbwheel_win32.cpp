// The thumbwheel window: its state lives with the window, from WM_NCCREATE to WM_NCDESTROY.
#include "thumbwheel_win32.h"

#include "window_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace sowin_standin
{
namespace
{

constexpr double pi = 3.14159265358979323846;

const wchar_t wheel_class[] = L"OverlayPlaneThumbwheel";

struct WheelState {
    HWND window = nullptr;
    Wheel which = Wheel::ROT_X;
    ExaminerControls *controls = nullptr;
    double angle = 0; // where the ridges stand, radians of the wheel's surface
    bool dragging = false;
    int last = 0; // the pointer's last position along the wheel, client pixels
};

bool is_vertical(Wheel which)
{
    return which != Wheel::ROT_Y;
}

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
    double first = std::remainder(wheel.angle, thumbwheel_ridge_step) -
                   std::floor(pi / 2 / thumbwheel_ridge_step) * thumbwheel_ridge_step;
    for (double a = first; a < pi / 2; a += thumbwheel_ridge_step) {
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
        // The window takes the state over, and deletes it as it goes.
        wheel = static_cast<std::unique_ptr<WheelState> *>(
                    reinterpret_cast<CREATESTRUCTW *>(lparam)->lpCreateParams)
                    ->release();
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
        turn(*wheel, thumbwheel_ridge_step * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
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
        delete wheel;
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

HWND create_thumbwheel(HWND parent, Wheel which, ExaminerControls &controls)
{
    WNDCLASSEXW wheel = {};
    wheel.style = CS_HREDRAW | CS_VREDRAW;
    wheel.lpfnWndProc = wheel_procedure;
    wheel.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wheel.lpszClassName = wheel_class;
    register_window_class(wheel);
    const wchar_t *name = which == Wheel::ROT_X   ? L"RotX"
                          : which == Wheel::ROT_Y ? L"RotY"
                                                  : L"Dolly";
    auto state = std::make_unique<WheelState>();
    state->which = which;
    state->controls = &controls;
    return CreateWindowExW(0, wheel_class, name,
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           parent, nullptr, GetModuleHandleW(nullptr), &state);
}

} // namespace sowin_standin
