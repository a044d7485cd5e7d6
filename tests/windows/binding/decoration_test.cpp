// The examiner decoration driven as a user drives it: a window holding the decoration at 96 dpi
// and one at 144 dpi, a fake viewer recording what the decoration asks of it, and a second
// thread that moves the pointer and presses keys with SendInput and checks calls and pixels.
// Started with "show", it only shows the two windows until they are closed. A failing run
// leaves a picture of the screen in decoration_failure.bmp in the current folder.
#include "decoration_win32.h"
#include "popup_menu_win32.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace sowin_standin;

namespace
{

constexpr double pi = 3.14159265358979323846;

// Records every call; touched by the window thread, read by the driver under the lock.
class Recorder : public ExaminerControls
{
  public:
    Recorder()
    {
        InitializeSRWLock(&lock);
    }

    void rotateAboutX(float radians) override
    {
        record("rotateAboutX", radians);
    }
    void rotateAboutY(float radians) override
    {
        record("rotateAboutY", radians);
    }
    void dolly(float radians) override
    {
        record("dolly", radians);
    }
    void goHome(void) override
    {
        record("goHome");
    }
    void saveHome(void) override
    {
        record("saveHome");
    }
    void viewAll(void) override
    {
        record("viewAll");
    }
    void setViewing(bool on) override
    {
        record(on ? "setViewing(on)" : "setViewing(off)");
        viewing = on;
        if (decoration)
            decoration->refresh();
    }
    bool isViewing(void) const override
    {
        return viewing;
    }
    void setDrawStyle(DrawStyle style) override
    {
        record("setDrawStyle", static_cast<float>(static_cast<int>(style)));
        draw_style = style;
    }
    DrawStyle drawStyle(void) const override
    {
        return draw_style;
    }
    void setDecorated(bool on) override
    {
        record(on ? "setDecorated(on)" : "setDecorated(off)");
        decorated = on;
        if (decoration) {
            decoration->setVisible(on);
            relayout();
        }
    }
    bool isDecorated(void) const override
    {
        return decorated;
    }
    void setSeekMode(bool on) override
    {
        record(on ? "setSeekMode(on)" : "setSeekMode(off)");
        seek_mode = on;
    }
    bool isSeekMode(void) const override
    {
        return seek_mode;
    }
    void toggleCameraType(void) override
    {
        record("toggleCameraType");
    }
    void setHeadlight(bool on) override
    {
        record(on ? "setHeadlight(on)" : "setHeadlight(off)");
        headlight = on;
    }
    bool isHeadlight(void) const override
    {
        return headlight;
    }
    void setFullscreen(bool on) override
    {
        record(on ? "setFullscreen(on)" : "setFullscreen(off)");
        fullscreen = on;
    }
    bool isFullscreen(void) const override
    {
        return fullscreen;
    }

    struct Call {
        std::string name;
        float value;
    };
    // Takes the calls recorded since the last take.
    std::vector<Call> take(void)
    {
        AcquireSRWLockExclusive(&lock);
        std::vector<Call> taken;
        taken.swap(calls);
        ReleaseSRWLockExclusive(&lock);
        return taken;
    }

    Decoration *decoration = nullptr;
    HWND frame = nullptr, area = nullptr;
    void relayout(void)
    {
        RECT client;
        GetClientRect(frame, &client);
        RECT place = decoration->layout(client);
        MoveWindow(area, place.left, place.top, place.right - place.left, place.bottom - place.top,
                   TRUE);
    }

  private:
    void record(const char *name, float value = 0)
    {
        AcquireSRWLockExclusive(&lock);
        calls.push_back({name, value});
        ReleaseSRWLockExclusive(&lock);
    }

    SRWLOCK lock;
    std::vector<Call> calls;
    bool viewing = true;
    bool decorated = true;
    bool seek_mode = false;
    bool headlight = true;
    bool fullscreen = false;
    DrawStyle draw_style = DrawStyle::AS_IS;
};

Recorder at_96, at_144;

LRESULT CALLBACK frame_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *recorder = reinterpret_cast<Recorder *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_SIZE:
        if (recorder && recorder->decoration)
            recorder->relayout();
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_APP: // from the driver: the dpi in wparam, taken as a viewer takes WM_DPICHANGED
        if (recorder && recorder->decoration) {
            int dpi = static_cast<int>(wparam);
            recorder->decoration->setDpi(dpi);
            RECT size = {0, 0, MulDiv(500, dpi, 96), MulDiv(390, dpi, 96)};
            AdjustWindowRectEx(&size, WS_OVERLAPPEDWINDOW, FALSE, 0);
            SetWindowPos(window, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            recorder->relayout();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK area_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CONTEXTMENU) {
        auto *recorder = reinterpret_cast<Recorder *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        POINT at = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        run_popup_menu(window, at, *recorder);
        return 0;
    }
    if (message == WM_LBUTTONDOWN)
        SetFocus(window);
    return DefWindowProcW(window, message, wparam, lparam);
}

void open_viewer(Recorder &recorder, int dpi, int x, int y)
{
    RECT size = {0, 0, MulDiv(500, dpi, 96), MulDiv(390, dpi, 96)};
    AdjustWindowRectEx(&size, WS_OVERLAPPEDWINDOW, FALSE, 0);
    recorder.frame = CreateWindowExW(0, L"DecorationTestFrame", dpi == 96 ? L"at 96" : L"at 144",
                                     WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                                     size.right - size.left, size.bottom - size.top, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    recorder.area = CreateWindowExW(0, L"DecorationTestArea", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0,
                                    0, recorder.frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(recorder.area, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&recorder));
    recorder.decoration = new Decoration(recorder.frame, recorder, dpi);
    SetWindowLongPtrW(recorder.frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&recorder));
    recorder.relayout();
    ShowWindow(recorder.frame, SW_SHOWNORMAL);
    UpdateWindow(recorder.frame);
}

// ---- what the driver thread uses ----

int failures = 0;

void check(bool ok, const std::string &what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

struct Found {
    const wchar_t *window_class;
    const wchar_t *text;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect(HWND window, LPARAM data)
{
    auto *found = reinterpret_cast<Found *>(data);
    wchar_t name[64] = {}, text[64] = {};
    GetClassNameW(window, name, 64);
    GetWindowTextW(window, text, 64);
    if (lstrcmpiW(name, found->window_class) == 0 && (!found->text || !lstrcmpW(text, found->text)))
        found->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> children(HWND frame, const wchar_t *window_class, const wchar_t *text = nullptr)
{
    Found found = {window_class, text, {}};
    EnumChildWindows(frame, collect, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

HWND child(HWND frame, const wchar_t *window_class, const wchar_t *text)
{
    std::vector<HWND> all = children(frame, window_class, text);
    return all.empty() ? nullptr : all.front();
}

RECT screen_rect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

SIZE size_of(HWND window)
{
    RECT rect = screen_rect(window);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

POINT centre(HWND window)
{
    RECT rect = screen_rect(window);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void settle(void)
{
    Sleep(120);
}

void send_mouse(DWORD flags, POINT at = {0, 0})
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_MOVE) {
        input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
        input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof input);
    Sleep(40);
}

void move_to(POINT at)
{
    send_mouse(MOUSEEVENTF_MOVE, at);
}

void click(POINT at, bool right = false)
{
    move_to(at);
    send_mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    send_mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    settle();
}

// Drags from `from` by (dx, dy) in `steps` equal moves.
void drag(POINT from, int dx, int dy, int steps)
{
    move_to(from);
    send_mouse(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= steps; ++i)
        move_to({from.x + dx * i / steps, from.y + dy * i / steps});
    send_mouse(MOUSEEVENTF_LEFTUP);
    settle();
}

void press_key(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    Sleep(80);
}

std::vector<HWND> open_menus(void)
{
    std::vector<HWND> menus;
    for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
         menu = FindWindowExW(nullptr, menu, L"#32768", nullptr))
        if (IsWindowVisible(menu))
            menus.push_back(menu);
    return menus;
}

template <class Condition> bool wait_for(Condition condition, int milliseconds = 3000)
{
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

std::wstring entry_text(HMENU menu, int position)
{
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

// The root of the open pop-up menu (submenus open above it), or null.
HMENU open_menu_handle(void)
{
    for (HWND window : open_menus()) {
        auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
        if (menu && entry_text(menu, 0) == L"Functions")
            return menu;
    }
    return nullptr;
}

bool entry_checked(HMENU menu, int position)
{
    return (GetMenuState(menu, position, MF_BYPOSITION) & MF_CHECKED) != 0;
}

bool open_popup(const Recorder &viewer)
{
    click(centre(viewer.area), true);
    return wait_for([] { return !open_menus().empty(); });
}

bool close_all_menus(void)
{
    for (int i = 0; i < 4 && !open_menus().empty(); ++i)
        press_key(VK_ESCAPE);
    return wait_for([] { return open_menus().empty(); });
}

std::string names(const std::vector<Recorder::Call> &calls)
{
    std::string all;
    for (const Recorder::Call &call : calls)
        all += (all.empty() ? "" : " ") + call.name;
    return all.empty() ? "nothing" : all;
}

bool only(const std::vector<Recorder::Call> &calls, const char *name)
{
    if (calls.empty())
        return false;
    for (const Recorder::Call &call : calls)
        if (call.name != name)
            return false;
    return true;
}

double total(const std::vector<Recorder::Call> &calls)
{
    double sum = 0;
    for (const Recorder::Call &call : calls)
        sum += call.value;
    return sum;
}

// The pixels of a window's client area, read back from the screen.
std::vector<COLORREF> pixels(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    std::vector<COLORREF> all;
    HDC dc = GetDC(window);
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            all.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return all;
}

int brightness(COLORREF colour)
{
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

// Height of the dark text drawn in the left part of the bottom edge ("RotX").
int label_height(HWND bottom_edge, int width)
{
    RECT client;
    GetClientRect(bottom_edge, &client);
    HDC dc = GetDC(bottom_edge);
    int top = -1, bottom = -1;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < width; ++x)
            if (brightness(GetPixel(dc, x, y)) < 3 * 110) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
    ReleaseDC(bottom_edge, dc);
    return top < 0 ? 0 : bottom - top + 1;
}

std::string show(SIZE size)
{
    return std::to_string(size.cx) + "x" + std::to_string(size.cy);
}

void check_sizes(const Recorder &viewer, int dpi)
{
    const std::string at = " at " + std::to_string(dpi) + " dpi";
    auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    RECT area = screen_rect(viewer.area), frame_client;
    GetClientRect(viewer.frame, &frame_client);
    POINT origin = {0, 0};
    ClientToScreen(viewer.frame, &origin);
    check(area.left - origin.x == scaled(30) && area.top == origin.y &&
              frame_client.right - (area.right - origin.x) == scaled(30) &&
              frame_client.bottom - (area.bottom - origin.y) == scaled(30),
          "the render area is inset by the edges" + at);
    SIZE vertical = {scaled(14), scaled(118)}, horizontal = {scaled(118), scaled(14)};
    for (const wchar_t *name : {L"RotX", L"Dolly"}) {
        HWND wheel = child(viewer.frame, L"OverlayPlaneThumbwheel", name);
        SIZE size = size_of(wheel);
        check(wheel && size.cx == vertical.cx && size.cy == vertical.cy,
              "a vertical wheel is " + show(vertical) + at + " (" + show(size) + ")");
    }
    HWND rot_x = child(viewer.frame, L"OverlayPlaneThumbwheel", L"RotX");
    check(rot_x && screen_rect(rot_x).left < area.left && screen_rect(rot_x).bottom <= area.bottom,
          "RotX stands at the bottom of the left edge" + at);
    HWND rot_y = child(viewer.frame, L"OverlayPlaneThumbwheel", L"RotY");
    SIZE size = size_of(rot_y);
    check(rot_y && size.cx == horizontal.cx && size.cy == horizontal.cy &&
              screen_rect(rot_y).top >= area.bottom,
          "RotY lies below the area, " + show(horizontal) + at + " (" + show(size) + ")");
    std::vector<HWND> buttons = children(viewer.frame, L"Button");
    bool square = buttons.size() == 7;
    for (HWND button : buttons) {
        RECT rect = screen_rect(button);
        square = square && size_of(button).cx == scaled(30) && size_of(button).cy == scaled(30) &&
                 rect.left >= area.right;
    }
    check(square, "seven " + std::to_string(scaled(30)) + "-pixel buttons right of the area" + at);
}

void check_wheels(Recorder &viewer)
{
    viewer.take();
    HWND rot_x = child(viewer.frame, L"OverlayPlaneThumbwheel", L"RotX");
    std::vector<COLORREF> before = pixels(rot_x);
    const double radius = size_of(rot_x).cy / 2.0;
    drag(centre(rot_x), 0, -40, 8);
    std::vector<Recorder::Call> calls = viewer.take();
    check(only(calls, "rotateAboutX") && calls.size() >= 4,
          "dragging RotX up calls rotateAboutX at each step (" + names(calls) + ")");
    check(std::fabs(total(calls) - 40 / radius) < 0.05,
          "RotX turned by the angle dragged: " + std::to_string(total(calls)) + " rad for 40 px");
    check(pixels(rot_x) != before, "RotX's ridges moved");

    HWND rot_y = child(viewer.frame, L"OverlayPlaneThumbwheel", L"RotY");
    drag(centre(rot_y), 30, 0, 5);
    calls = viewer.take();
    check(only(calls, "rotateAboutY") && total(calls) > 0,
          "dragging RotY right turns it forwards (" + names(calls) + " " +
              std::to_string(total(calls)) + ")");

    HWND dolly = child(viewer.frame, L"OverlayPlaneThumbwheel", L"Dolly");
    drag(centre(dolly), 0, 20, 4);
    calls = viewer.take();
    check(only(calls, "dolly") && total(calls) < 0, "dragging Dolly down turns it backwards (" +
                                                        names(calls) + " " +
                                                        std::to_string(total(calls)) + ")");
    SendMessageW(dolly, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    calls = viewer.take();
    check(only(calls, "dolly") && std::fabs(total(calls) - pi / 18) < 1e-4,
          "a mouse-wheel notch over Dolly turns it one ridge");

    drag({centre(rot_x).x, screen_rect(rot_x).bottom + 30}, 0, -20, 4);
    calls = viewer.take();
    check(calls.empty(), "a drag beside a wheel turns nothing (" + names(calls) + ")");
}

void check_buttons(Recorder &viewer)
{
    auto button = [&viewer](const wchar_t *name) { return child(viewer.frame, L"Button", name); };
    click(centre(viewer.area));
    viewer.take();
    const struct {
        const wchar_t *name;
        const char *call;
    } acting[] = {{L"Home", "goHome"}, {L"Set Home", "saveHome"}, {L"View All", "viewAll"}};
    for (const auto &entry : acting) {
        click(centre(button(entry.name)));
        std::vector<Recorder::Call> calls = viewer.take();
        check(calls.size() == 1 && calls[0].name == entry.call,
              std::string("the button calls ") + entry.call + " (" + names(calls) + ")");
    }
    GUITHREADINFO focus = {};
    focus.cbSize = sizeof focus;
    GetGUIThreadInfo(GetWindowThreadProcessId(viewer.frame, nullptr), &focus);
    check(focus.hwndFocus == viewer.area, "the focus goes back to the render area after a click");
    const struct {
        const wchar_t *name;
        const char *call;
    } toggling[] = {{L"Seek", "setSeekMode(on)"},
                    {L"Seek", "setSeekMode(off)"},
                    {L"Camera Type", "toggleCameraType"}};
    for (const auto &entry : toggling) {
        click(centre(button(entry.name)));
        std::vector<Recorder::Call> calls = viewer.take();
        check(calls.size() == 1 && calls[0].name == entry.call,
              std::string("the button calls ") + entry.call + " (" + names(calls) + ")");
    }

    // Pushed in shows a darker face than standing out; sample just inside the frame.
    auto face = [](HWND window) {
        HDC dc = GetDC(window);
        COLORREF colour = GetPixel(dc, 3, 3);
        ReleaseDC(window, dc);
        return brightness(colour);
    };
    check(face(button(L"View")) < face(button(L"Pick")), "viewing: the view button is pushed in");
    click(centre(button(L"Pick")));
    std::vector<Recorder::Call> calls = viewer.take();
    check(calls.size() == 1 && calls[0].name == "setViewing(off)",
          "the pick button leaves viewing (" + names(calls) + ")");
    check(face(button(L"Pick")) < face(button(L"View")), "picking: the pick button is pushed in");
    click(centre(button(L"View")));
    calls = viewer.take();
    check(calls.size() == 1 && calls[0].name == "setViewing(on)",
          "the view button enters viewing (" + names(calls) + ")");
}

void check_menu(Recorder &viewer)
{
    viewer.take();
    check(open_popup(viewer), "a right click over the area opens the pop-up menu");
    HMENU menu = open_menu_handle();
    const wchar_t *expected[] = {L"Functions",   L"Draw Styles", L"Stereo Viewing", L"Viewing",
                                 L"Decorations", L"Headlight",   L"Fullscreen"};
    bool same = GetMenuItemCount(menu) == 7;
    for (int i = 0; same && i < 7; ++i)
        same = entry_text(menu, i) == expected[i];
    check(same, "the menu holds the examiner's entries in the Linux viewer's order");
    check(entry_checked(menu, 3) && entry_checked(menu, 4), "Viewing and Decorations are checked");
    HMENU still = GetSubMenu(GetSubMenu(menu, 1), 0);
    check(still && entry_checked(still, 0) && !entry_checked(still, 5),
          "the still draw style shows \"as is\"");
    press_key(VK_ESCAPE);
    check(wait_for([] { return open_menus().empty(); }), "Escape closes the menu");
    std::vector<Recorder::Call> calls = viewer.take();
    check(calls.empty(), "Escape does nothing else (" + names(calls) + ")");

    // Functions > Home, and Functions > View All, from the keyboard.
    open_popup(viewer);
    for (WORD key : {VK_DOWN, VK_RIGHT, VK_RETURN})
        press_key(key);
    wait_for([] { return open_menus().empty(); });
    calls = viewer.take();
    check(calls.size() == 1 && calls[0].name == "goHome",
          "Functions > Home (" + names(calls) + ")");
    open_popup(viewer);
    for (WORD key : {VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN})
        press_key(key);
    wait_for([] { return open_menus().empty(); });
    calls = viewer.take();
    check(calls.size() == 1 && calls[0].name == "viewAll",
          "Functions > View All (" + names(calls) + ")");

    // Draw Styles > Still Drawstyle > wireframe, clicked with the mouse.
    open_popup(viewer);
    for (WORD key : {VK_DOWN, VK_DOWN, VK_RIGHT, VK_RIGHT})
        press_key(key);
    menu = open_menu_handle();
    still = GetSubMenu(GetSubMenu(menu, 1), 0);
    RECT wireframe = {};
    bool shown = wait_for([] { return open_menus().size() == 3; }) &&
                 GetMenuItemRect(nullptr, still, 5, &wireframe);
    check(shown,
          "the still draw styles open (" + std::to_string(open_menus().size()) + " menus open)");
    click({(wireframe.left + wireframe.right) / 2, (wireframe.top + wireframe.bottom) / 2});
    wait_for([] { return open_menus().empty(); });
    calls = viewer.take();
    check(calls.size() == 1 && calls[0].name == "setDrawStyle" &&
              calls[0].value == static_cast<float>(static_cast<int>(DrawStyle::WIREFRAME)),
          "Still Drawstyle > wireframe sets wireframe (" + names(calls) + ")");
    open_popup(viewer);
    still = GetSubMenu(GetSubMenu(open_menu_handle(), 1), 0);
    check(still && entry_checked(still, 5) && !entry_checked(still, 0),
          "the menu then shows wireframe checked");
    close_all_menus();

    // Headlight and Fullscreen, the last two entries, switch and show their state.
    const struct {
        int entry;
        const char *call;
    } switches[] = {{5, "setHeadlight(off)"},
                    {5, "setHeadlight(on)"},
                    {6, "setFullscreen(on)"},
                    {6, "setFullscreen(off)"}};
    for (const auto &entry : switches) {
        open_popup(viewer);
        HMENU root = open_menu_handle();
        bool was = root && entry_checked(root, entry.entry);
        bool enabled =
            root && !(GetMenuState(root, entry.entry, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED));
        for (int down = 0; down <= entry.entry; ++down)
            press_key(VK_DOWN);
        press_key(VK_RETURN);
        wait_for([] { return open_menus().empty(); });
        calls = viewer.take();
        check(enabled && calls.size() == 1 && calls[0].name == entry.call &&
                  was == (std::string(entry.call).find("(on)") == std::string::npos),
              std::string("the menu's entry calls ") + entry.call +
                  " and showed the state before (" + names(calls) + ")");
    }

    // Decorations off and on again.
    HWND rot_x = child(viewer.frame, L"OverlayPlaneThumbwheel", L"RotX");
    open_popup(viewer);
    for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        press_key(key);
    wait_for([] { return open_menus().empty(); });
    calls = viewer.take();
    settle();
    RECT client, area = screen_rect(viewer.area);
    GetClientRect(viewer.frame, &client);
    check(calls.size() == 1 && calls[0].name == "setDecorated(off)" && !IsWindowVisible(rot_x) &&
              area.right - area.left == client.right,
          "Decorations off hides the decoration and the area fills the window (" + names(calls) +
              ")");
    open_popup(viewer);
    check(!entry_checked(open_menu_handle(), 4), "the menu then shows Decorations unchecked");
    for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        press_key(key);
    wait_for([] { return open_menus().empty(); });
    calls = viewer.take();
    settle();
    check(calls.size() == 1 && calls[0].name == "setDecorated(on)" && IsWindowVisible(rot_x),
          "Decorations on shows it again (" + names(calls) + ")");
}

// The whole screen as a 24-bit BMP file, for looking at a failure afterwards.
void save_screen(const char *path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const int stride = (width * 3 + 3) & ~3;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<unsigned char> rows(static_cast<size_t>(stride) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, height, rows.data(), reinterpret_cast<BITMAPINFO *>(&header),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4d42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
    if (FILE *out = std::fopen(path, "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&header, sizeof header, 1, out);
        std::fwrite(rows.data(), 1, rows.size(), out);
        std::fclose(out);
        std::printf("the screen is saved in %s\n", path);
    }
}

// On the window thread: the layout of a window too small for the decoration still leaves a
// rectangle inside the client for the area, and nothing breaks.
void check_small_layouts(Recorder &viewer)
{
    bool inside = true;
    for (SIZE size : {SIZE{0, 0}, SIZE{10, 10}, SIZE{40, 300}, SIZE{300, 40}, SIZE{61, 61}}) {
        RECT client = {0, 0, size.cx, size.cy};
        RECT area = viewer.decoration->layout(client);
        inside = inside && area.left >= 0 && area.top >= 0 && area.left <= area.right &&
                 area.top <= area.bottom && area.right <= size.cx && area.bottom <= size.cy;
    }
    viewer.relayout();
    check(inside, "in a window smaller than the decoration the area stays inside the client");
}

DWORD WINAPI drive(void *)
{
    wait_for([] { return IsWindowVisible(at_96.frame) && IsWindowVisible(at_144.frame); });
    Sleep(500);
    check_sizes(at_96, 96);
    check_sizes(at_144, 144);
    HWND bottom_96 = GetParent(child(at_96.frame, L"OverlayPlaneThumbwheel", L"RotY"));
    HWND bottom_144 = GetParent(child(at_144.frame, L"OverlayPlaneThumbwheel", L"RotY"));
    int text_96 = label_height(bottom_96, 40), text_144 = label_height(bottom_144, 60);
    // "RotX" has no descender: its height is the font's capital height, 8 or 9 pixels for a
    // GUI font at 96 dpi whatever dpi the system itself runs at.
    check(text_96 >= 6 && text_96 <= 10 && text_144 * 4 >= text_96 * 5 &&
              text_144 * 4 <= text_96 * 7,
          "the labels' text is sized for each decoration's dpi: " + std::to_string(text_96) +
              " px at 96, " + std::to_string(text_144) + " px at 144");

    SetForegroundWindow(at_96.frame);
    Sleep(300);
    check_wheels(at_96);
    check_buttons(at_96);
    check_menu(at_96);

    // The decoration taken to 144 dpi and back in its window, as a viewer does on
    // WM_DPICHANGED: sizes and the labels' text follow.
    HWND bottom = GetParent(child(at_96.frame, L"OverlayPlaneThumbwheel", L"RotY"));
    SendMessageW(at_96.frame, WM_APP, 144, 0);
    settle();
    check_sizes(at_96, 144);
    int text_now = label_height(bottom, 60);
    check(text_now * 4 >= text_96 * 5 && text_now * 4 <= text_96 * 7,
          "at 144 dpi the labels' text is larger: " + std::to_string(text_now) + " px");
    SendMessageW(at_96.frame, WM_APP, 96, 0);
    settle();
    check_sizes(at_96, 96);
    check(label_height(bottom, 40) == text_96, "back at 96 dpi the labels' text is as before");
    if (failures > 0)
        save_screen("decoration_failure.bmp");
    close_all_menus();
    PostMessageW(at_96.frame, WM_CLOSE, 0, 0);
    return 0;
}

void register_test_classes(void)
{
    WNDCLASSEXW frame = {};
    frame.cbSize = sizeof frame;
    frame.lpfnWndProc = frame_procedure;
    frame.hInstance = GetModuleHandleW(nullptr);
    frame.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frame.lpszClassName = L"DecorationTestFrame";
    RegisterClassExW(&frame);
    WNDCLASSEXW area = frame;
    area.lpfnWndProc = area_procedure;
    area.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    area.lpszClassName = L"DecorationTestArea";
    RegisterClassExW(&area);
}

} // namespace

int main(int argc, char **argv)
{
    const bool only_show = argc > 1 && std::strcmp(argv[1], "show") == 0;
    // As the viewer does: the decoration is sized for the dpi, the system needn't stretch it.
    SetProcessDPIAware();
    register_test_classes();
    open_viewer(at_96, 96, 20, 20);
    open_viewer(at_144, 144, 560, 20);
    RECT client = {};
    GetClientRect(at_96.frame, &client);
    if (client.right == 0) {
        std::printf("FAILED: the test window got no size: wine's desktop has no display driver\n");
        return 1;
    }
    HDC screen = GetDC(nullptr);
    std::printf("the system runs at %d dpi\n", GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    if (!only_show)
        check_small_layouts(at_96);
    HANDLE driver = only_show ? nullptr : CreateThread(nullptr, 0, drive, nullptr, 0, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (driver) {
        WaitForSingleObject(driver, 10000);
        CloseHandle(driver);
    }
    delete at_96.decoration;
    delete at_144.decoration;
    if (!only_show)
        std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
