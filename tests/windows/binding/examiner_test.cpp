// The Win32 examiner driven as a user drives it: a coloured cube as the normal scene and the
// program's overlay square, turned with the RotX thumbwheel and a drag in the render area,
// dollied away with the mouse wheel and brought back with the pop-up menu's "View all", its
// headlight switched off and on, its camera type switched and back, a seek to a point on the
// cube, and its decoration switched off from the menu. The
// screen's pixels are read after each step: the cube's picture must change, and the square
// must stay where it was. Prints one line per step; the exit status is the number of failures.
#include "overlay_scene.h"

#include <Inventor/SbColor.h>
#include <Inventor/SoInput.h>
#include <Inventor/Win/SoWin.h>
#include <Inventor/Win/viewers/SoWinExaminerViewer.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace
{

HWND main_window = nullptr;
int failures = 0;

void check(bool ok, const char *step, const std::string &detail = "")
{
    printf("%s: %s%s%s\n", ok ? "ok" : "FAIL", step, detail.empty() ? "" : ": ", detail.c_str());
    fflush(stdout);
    if (!ok)
        failures++;
}

// ---- the screen as the user sees it ----

struct Picture {
    RECT place = {}; // on the screen
    std::vector<COLORREF> pixels;
    int width(void) const
    {
        return place.right - place.left;
    }
    int height(void) const
    {
        return place.bottom - place.top;
    }
    bool empty(void) const
    {
        return pixels.empty();
    }
};

Picture capture(HWND window)
{
    Picture picture;
    RECT client;
    if (!IsWindow(window) || !GetClientRect(window, &client) || client.right <= 0 ||
        client.bottom <= 0)
        return picture;
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    picture.place = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ before = SelectObject(memory, bitmap);
    if (bits &&
        BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY)) {
        GdiFlush();
        const DWORD *row = static_cast<const DWORD *>(bits);
        for (int i = 0; i < client.right * client.bottom; i++) // 0x00RRGGBB
            picture.pixels.push_back(RGB((row[i] >> 16) & 255, (row[i] >> 8) & 255, row[i] & 255));
    }
    SelectObject(memory, before);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

bool close_to(int value, int wanted)
{
    return abs(value - wanted) <= 24;
}

bool is_square(COLORREF c) // the overlay's light green, (128, 255, 128)
{
    return close_to(GetRValue(c), 128) && close_to(GetGValue(c), 255) &&
           close_to(GetBValue(c), 128);
}

bool is_background(COLORREF c)
{
    return GetRValue(c) < 12 && GetGValue(c) < 12 && GetBValue(c) < 12;
}

struct Looks {
    RECT square = {}; // the light-green pixels' bounds, in the picture
    int square_pixels = 0;
    int cube_pixels = 0; // neither background nor square
};

Looks look_at(const Picture &picture)
{
    Looks looks;
    looks.square = {picture.width(), picture.height(), -1, -1};
    for (int y = 0; y < picture.height(); y++) {
        for (int x = 0; x < picture.width(); x++) {
            COLORREF c = picture.pixels[y * picture.width() + x];
            if (is_square(c)) {
                looks.square_pixels++;
                looks.square.left = std::min<LONG>(looks.square.left, x);
                looks.square.top = std::min<LONG>(looks.square.top, y);
                looks.square.right = std::max<LONG>(looks.square.right, x + 1);
                looks.square.bottom = std::max<LONG>(looks.square.bottom, y + 1);
            } else if (!is_background(c)) {
                looks.cube_pixels++;
            }
        }
    }
    return looks;
}

std::string describe(const RECT &r)
{
    char text[80];
    snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left),
             static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

// The square filled, centred and a fifth of the smaller side: the overlay drawn right.
bool square_is_right(const Picture &picture, const Looks &looks, std::string &problem)
{
    int side = std::min(picture.width(), picture.height()) / 5;
    int width = looks.square.right - looks.square.left;
    int height = looks.square.bottom - looks.square.top;
    int centre_x = (looks.square.left + looks.square.right) / 2;
    int centre_y = (looks.square.top + looks.square.bottom) / 2;
    bool ok = abs(width - side) <= 3 && abs(height - side) <= 3 &&
              abs(centre_x - picture.width() / 2) <= 3 &&
              abs(centre_y - picture.height() / 2) <= 3 &&
              looks.square_pixels >= width * height * 95 / 100;
    problem = "square at " + describe(looks.square) + " with " +
              std::to_string(looks.square_pixels) + " pixels in a " +
              std::to_string(picture.width()) + "x" + std::to_string(picture.height()) +
              " area (a side of " + std::to_string(side) + " expected)";
    return ok;
}

// The sum of all channels of all pixels but the square's: how bright the cube is drawn.
long brightness(const Picture &picture)
{
    long sum = 0;
    for (COLORREF c : picture.pixels)
        if (!is_square(c))
            sum += GetRValue(c) + GetGValue(c) + GetBValue(c);
    return sum;
}

// A pixel of the cube on the middle row, a sixth of the width right of the square; (-1, -1)
// where there is none.
POINT cube_point(const Picture &picture)
{
    int y = picture.height() / 2;
    for (int x = picture.width() / 2 + picture.width() / 6; x < picture.width(); x++) {
        COLORREF c = picture.pixels[y * picture.width() + x];
        if (!is_square(c) && !is_background(c))
            return {x, y};
    }
    return {-1, -1};
}

int pixels_changed(const Picture &a, const Picture &b)
{
    if (a.pixels.size() != b.pixels.size())
        return static_cast<int>(std::max(a.pixels.size(), b.pixels.size()));
    int changed = 0;
    for (size_t i = 0; i < a.pixels.size(); i++)
        changed += a.pixels[i] != b.pixels[i];
    return changed;
}

// Waits until the area shows the same picture twice in a row, 100 ms apart.
Picture settled(HWND area, int tries = 40)
{
    Picture last = capture(area);
    for (int i = 0; i < tries; i++) {
        Sleep(100);
        Picture now = capture(area);
        if (!now.empty() && pixels_changed(now, last) == 0)
            return now;
        last = now;
    }
    return last;
}

// The picture once a step has shown: the viewer may take a while to draw it (a slow or
// emulated machine), so this waits up to 10 s for `shown` to hold before waiting for the
// picture to settle. Judging is left to the caller.
template <typename Shown> Picture settled_after(HWND area, Shown shown)
{
    for (int i = 0; i < 100 && !shown(capture(area)); i++)
        Sleep(100);
    return settled(area);
}

// ---- the mouse, as the system's input ----

void mouse(DWORD flags, int x = 0, int y = 0, DWORD data = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    if (flags & MOUSEEVENTF_MOVE) {
        flags |= MOUSEEVENTF_ABSOLUTE;
        input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    SendInput(1, &input, sizeof input);
    Sleep(30);
}

void drag(POINT from, POINT to, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP)
{
    mouse(MOUSEEVENTF_MOVE, from.x, from.y);
    mouse(down);
    for (int step = 1; step <= 10; step++)
        mouse(MOUSEEVENTF_MOVE, from.x + (to.x - from.x) * step / 10,
              from.y + (to.y - from.y) * step / 10);
    mouse(up);
}

// ---- the viewer's windows ----

struct ChildSearch {
    const char *class_name, *text;
    HWND found;
};

BOOL CALLBACK match_child(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<ChildSearch *>(data);
    char name[64] = "", title[64] = "";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(name, search->class_name) != 0 || (search->text && strcmp(title, search->text) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The first window below `parent` of class `class_name` (and with `text`, if given).
HWND find_child(HWND parent, const char *class_name, const char *text = nullptr)
{
    ChildSearch search = {class_name, text, nullptr};
    EnumChildWindows(parent, match_child, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string plain_label(const char *text) // "View &All\tA" -> "view all"
{
    std::string label;
    for (const char *c = text; *c && *c != '\t'; c++)
        if (*c != '&')
            label += static_cast<char>(tolower(static_cast<unsigned char>(*c)));
    return label;
}

void click(POINT at)
{
    mouse(MOUSEEVENTF_MOVE, at.x, at.y);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
}

struct MenuEntry {
    std::string wanted;
    RECT place;
    bool found;
};

// Looks for the entry in `window` if it is an open menu.
BOOL CALLBACK match_menu_entry(HWND window, LPARAM data)
{
    auto *entry = reinterpret_cast<MenuEntry *>(data);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32768") != 0 || !IsWindowVisible(window))
        return TRUE;
    auto menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    for (int item = 0; menu && item < GetMenuItemCount(menu); item++) {
        char text[128] = "";
        GetMenuStringA(menu, item, text, sizeof text, MF_BYPOSITION);
        if (plain_label(text) == entry->wanted &&
            GetMenuItemRect(nullptr, menu, item, &entry->place)) {
            entry->found = true;
            return FALSE;
        }
    }
    return TRUE;
}

// Clicks the entry labelled `wanted` in whichever open menu shows it; false when no open
// menu does within a few seconds.
bool click_menu_entry(const char *wanted)
{
    MenuEntry entry = {wanted, {}, false};
    for (int i = 0; i < 50 && !entry.found; i++, Sleep(100))
        EnumWindows(match_menu_entry, reinterpret_cast<LPARAM>(&entry));
    if (entry.found)
        click({(entry.place.left + entry.place.right) / 2,
               (entry.place.top + entry.place.bottom) / 2});
    return entry.found;
}

// Opens the pop-up menu with a right click at `at` and follows `path` through its entries.
bool choose_from_popup(POINT at, std::initializer_list<const char *> path)
{
    mouse(MOUSEEVENTF_MOVE, at.x, at.y);
    mouse(MOUSEEVENTF_RIGHTDOWN);
    mouse(MOUSEEVENTF_RIGHTUP);
    for (const char *wanted : path) {
        if (!click_menu_entry(wanted)) {
            keybd_event(VK_ESCAPE, 0, 0, 0); // leave no menu open behind the failure
            keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
            return false;
        }
    }
    return true;
}

RECT screen_place(HWND window)
{
    RECT place = {};
    GetWindowRect(window, &place);
    return place;
}

POINT centre_of(const RECT &r, int dx = 0, int dy = 0)
{
    return {(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2 + dy};
}

// ---- the steps ----

// After each step: the cube's pixels changed by more than `at_least`, the square as before.
Looks expect_change(HWND area, const char *step, const Picture &before, const Looks &first,
                    int at_least)
{
    Picture after = settled_after(
        area, [&](const Picture &now) { return pixels_changed(before, now) > at_least; });
    Looks looks = look_at(after);
    int changed = pixels_changed(before, after);
    check(changed > at_least, step,
          std::to_string(changed) + " pixels changed, more than " + std::to_string(at_least) +
              " expected");
    check(EqualRect(&looks.square, &first.square) &&
              abs(looks.square_pixels - first.square_pixels) <= 4,
          (std::string(step) + ", the square stayed put").c_str(),
          "now " + describe(looks.square) + ", first " + describe(first.square));
    return looks;
}

DWORD WINAPI drive(void *)
{
    HWND area = nullptr;
    Picture first;
    std::string problem;
    // The first frame: the cube behind the square, drawn within a generous start-up bound.
    for (int i = 0; i < 300; i++, Sleep(100)) {
        if (!area)
            area = find_child(main_window, "OverlayPlaneRenderArea");
        first = capture(area);
        if (!first.empty() && look_at(first).square_pixels > 0)
            break;
    }
    first = settled(area);
    Looks looks = look_at(first);
    check(!first.empty() && square_is_right(first, looks, problem), "first frame", problem);
    int area_pixels = first.width() * first.height();
    check(looks.cube_pixels > area_pixels / 10, "the cube fills the view",
          std::to_string(looks.cube_pixels) + " of " + std::to_string(area_pixels) + " pixels");
    if (failures) {
        PostMessageA(main_window, WM_CLOSE, 0, 0);
        return 0;
    }
    int some = area_pixels / 50;
    Picture before = first;

    // The RotX thumbwheel, dragged along its length, turns the cube about the horizontal axis.
    HWND rot_x = find_child(main_window, "OverlayPlaneThumbwheel", "RotX");
    check(rot_x != nullptr, "the RotX thumbwheel is there");
    if (rot_x) {
        RECT wheel = screen_place(rot_x);
        int reach = (wheel.bottom - wheel.top) / 3;
        drag(centre_of(wheel, 0, reach), centre_of(wheel, 0, -reach));
        looks = expect_change(area, "RotX thumbwheel", before, look_at(first), some);
        before = settled(area);
    }

    // A left drag across the render area turns the cube.
    drag(centre_of(first.place, -first.width() / 4, first.height() / 3),
         centre_of(first.place, first.width() / 4, first.height() / 3));
    looks = expect_change(area, "drag in the render area", before, look_at(first), some);
    before = settled(area);
    Looks turned = look_at(before);

    // The wheel over the area takes the camera away: the cube shrinks.
    mouse(MOUSEEVENTF_MOVE, centre_of(first.place).x, centre_of(first.place).y + 50);
    for (int notch = 0; notch < 10; notch++)
        mouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(-WHEEL_DELTA));
    looks = expect_change(area, "mouse wheel", before, look_at(first), some);
    check(looks.cube_pixels < turned.cube_pixels / 2, "mouse wheel moves the camera away",
          std::to_string(turned.cube_pixels) + " cube pixels before, " +
              std::to_string(looks.cube_pixels) + " after");
    before = settled(area);

    // "View all" from the pop-up menu brings the whole cube back into view.
    bool chosen =
        choose_from_popup(centre_of(first.place, first.width() / 3, 0), {"functions", "view all"});
    check(chosen, "the pop-up menu offers Functions, View All");
    looks = expect_change(area, "view all", before, look_at(first), some);
    check(looks.cube_pixels > turned.cube_pixels * 3 / 4, "view all shows the cube again",
          std::to_string(looks.cube_pixels) + " cube pixels, " +
              std::to_string(turned.cube_pixels) + " before the wheel");

    // "Headlight" from the menu switches the light that shines along the view: without it
    // the cube is much darker; with it again, as bright as before.
    before = settled(area);
    long lit = brightness(before);
    check(choose_from_popup(centre_of(first.place, first.width() / 3, 0), {"headlight"}),
          "the pop-up menu offers Headlight");
    Picture dark =
        settled_after(area, [&](const Picture &now) { return brightness(now) < lit / 2; });
    check(brightness(dark) < lit / 2, "headlight off darkens the cube",
          std::to_string(brightness(dark)) + " against " + std::to_string(lit));
    choose_from_popup(centre_of(first.place, first.width() / 3, 0), {"headlight"});
    auto as_before = [&](const Picture &now) {
        return pixels_changed(now, before) < area_pixels / 200;
    };
    Picture relit = settled_after(area, as_before);
    check(pixels_changed(relit, before) < area_pixels / 200, "headlight on lights it as before",
          std::to_string(pixels_changed(relit, before)) + " pixels differ");

    // The Camera Type button: orthographic shows the cube otherwise; pressed again, the
    // perspective view comes back as it was.
    HWND camera_type = find_child(main_window, "Button", "Camera Type");
    check(camera_type != nullptr, "the Camera Type button is there");
    if (camera_type) {
        before = settled(area);
        click(centre_of(screen_place(camera_type)));
        looks = expect_change(area, "camera type", before, look_at(first), area_pixels / 200);
        click(centre_of(screen_place(camera_type)));
        Picture back = settled_after(area, as_before);
        check(pixels_changed(back, before) < area_pixels / 200,
              "camera type twice: the view as before",
              std::to_string(pixels_changed(back, before)) + " pixels differ");
    }

    // Seek, then a click on the cube beside the square: the camera moves towards that point,
    // and the cube grows.
    HWND seek = find_child(main_window, "Button", "Seek");
    check(seek != nullptr, "the Seek button is there");
    if (seek) {
        before = settled(area);
        Looks start = look_at(before);
        POINT on_cube = cube_point(before);
        check(on_cube.x >= 0, "a point of the cube beside the square");
        click(centre_of(screen_place(seek)));
        click({before.place.left + on_cube.x, before.place.top + on_cube.y});
        Sleep(2500); // the seek takes 2 s
        looks = expect_change(area, "seek", before, look_at(first), some);
        check(looks.cube_pixels > start.cube_pixels + area_pixels / 20,
              "seek brings the cube nearer",
              std::to_string(start.cube_pixels) + " cube pixels before, " +
                  std::to_string(looks.cube_pixels) + " after");
    }

    // "Decorations" from the menu hides the decoration: the area takes the whole window and
    // the square is centred in it, a fifth of its new size.
    chosen = choose_from_popup(centre_of(first.place, first.width() / 3, 0), {"decorations"});
    check(chosen, "the pop-up menu offers Decorations");
    Picture bare = settled(area);
    looks = look_at(bare);
    check(bare.width() > first.width() && bare.height() > first.height() &&
              square_is_right(bare, looks, problem),
          "decorations off: the area fills the window", problem);

    PostMessageA(main_window, WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

int main(int, char **argv)
{
    main_window = SoWin::init(argv[0]);
    SoInput scene_input;
    SoNode *square = load_overlay_scene(scene_input, overlay_scene_text);

    auto *cube = new SoSeparator;
    auto *material = new SoMaterial;
    material->diffuseColor.setValue(1.0f, 0.3f, 0.1f);
    cube->addChild(material);
    cube->addChild(new SoCube);

    SbColor green(0.5f, 1.0f, 0.5f);
    auto *viewer = new SoWinExaminerViewer(main_window);
    viewer->setSceneGraph(cube);
    viewer->setOverlayColorMap(1, 1, &green);
    viewer->setOverlaySceneGraph(square);
    viewer->setTitle("examiner_test");
    viewer->show();
    SoWin::show(main_window);

    HANDLE driver = CreateThread(nullptr, 0, drive, nullptr, 0, nullptr);
    SoWin::mainLoop();
    WaitForSingleObject(driver, INFINITE);
    printf("%d failure(s)\n", failures);
    return failures;
}
