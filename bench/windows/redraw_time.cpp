// Times another program's redraws from outside, as Windows asks for them: the render area of
// the window titled TITLE (that window or its child of class AREA_CLASS) is made WIDTH x HEIGHT by
// resizing the top-level window, then invalidated and painted at once (RedrawWindow with
// RDW_UPDATENOW, which returns once the area's WM_PAINT has been handled), ROUNDS times after
// a few that are not counted.
//
// usage: redraw_time TITLE AREA_CLASS WIDTH HEIGHT ROUNDS
// Prints "redraw WIDTHxHEIGHT median MS min MS" in milliseconds; status 1 with a line on
// stderr where the window or its area is not found, or the area doesn't take the size.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

struct Search {
    const wchar_t *name;
    HWND found = nullptr;
};

BOOL CALLBACK find_area(HWND window, LPARAM data)
{
    Search &search = *reinterpret_cast<Search *>(data);
    wchar_t name[64] = {};
    if (GetClassNameW(window, name, 64) && lstrcmpW(name, search.name) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

int fail(const char *what)
{
    std::fprintf(stderr, "redraw_time: %s\n", what);
    return 1;
}

SIZE client_size(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return SIZE{r.right, r.bottom};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 6)
        return fail("usage: redraw_time TITLE AREA_CLASS WIDTH HEIGHT ROUNDS");
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    const int rounds = std::atoi(argv[5]);
    HWND top = nullptr;
    for (int tries = 0; tries < 200 && !top; ++tries)
        if (!(top = FindWindowA(nullptr, argv[1])))
            Sleep(50);
    if (!top)
        return fail("no window of that title");
    wchar_t area_class[64] = {};
    MultiByteToWideChar(CP_ACP, 0, argv[2], -1, area_class, 64);
    Search search{area_class};
    // The area is the window itself where that is of the class (a floor drawing in it).
    if (find_area(top, reinterpret_cast<LPARAM>(&search)))
        EnumChildWindows(top, find_area, reinterpret_cast<LPARAM>(&search));
    HWND area = search.found;
    if (!area)
        return fail("no child of that class");

    // The top-level grows by what the area lacks; its own layout gives the area the rest.
    for (int tries = 0; tries < 3; ++tries) {
        SIZE now = client_size(area);
        if (now.cx == width && now.cy == height)
            break;
        RECT place;
        GetWindowRect(top, &place);
        SetWindowPos(top, nullptr, 0, 0, place.right - place.left + width - now.cx,
                     place.bottom - place.top + height - now.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        for (int wait = 0; wait < 40; ++wait) {
            SIZE then = client_size(area);
            if (then.cx == width && then.cy == height)
                break;
            Sleep(25);
        }
    }
    SIZE now = client_size(area);
    if (now.cx != width || now.cy != height) {
        std::fprintf(stderr, "redraw_time: the area is %ldx%ld\n", static_cast<long>(now.cx),
                     static_cast<long>(now.cy));
        return 1;
    }

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = -5; i < rounds; ++i) {
        QueryPerformanceCounter(&start);
        RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        QueryPerformanceCounter(&end);
        if (i >= 0)
            times.push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(times.begin(), times.end());
    std::printf("redraw %dx%d median %.3f min %.3f\n", width, height, times[times.size() / 2],
                times.front());
    std::fflush(stdout);
    return 0;
}
