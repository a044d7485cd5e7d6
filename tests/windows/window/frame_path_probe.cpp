// Tells from outside how the viewer's frames reach its window: whether the program that owns
// the window titled TITLE has a window of the class that its frame copy draws on
// ("OverlayPlaneGLSurface", hidden; see binding/frame_copy_win32.h), and which wine release
// this is, which decides whether it should.
//
// usage: frame_path_probe TITLE
// Prints "wine RELEASE" ("wine none" on Windows) and "copy-windows N". Status 0 when the
// window was found; 1 with a line on stderr otherwise.
#include <windows.h>

#include <cstdio>

namespace
{

struct Search {
    DWORD process = 0;
    int found = 0;
};

BOOL CALLBACK count_copy_windows(HWND window, LPARAM data)
{
    Search &search = *reinterpret_cast<Search *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    if (owner == search.process && GetClassNameW(window, name, 64) &&
        lstrcmpW(name, L"OverlayPlaneGLSurface") == 0)
        search.found++;
    return TRUE;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: frame_path_probe TITLE\n");
        return 2;
    }
    HWND window = nullptr;
    for (int tries = 0; tries < 100 && !window; ++tries) {
        if (!(window = FindWindowA(nullptr, argv[1])))
            Sleep(50);
    }
    if (!window) {
        std::fprintf(stderr, "frame_path_probe: no window titled %s\n", argv[1]);
        return 1;
    }
    using WineVersion = const char *(__cdecl *)(void);
    auto wine_version = reinterpret_cast<WineVersion>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    std::printf("wine %s\n", wine_version ? wine_version() : "none");
    Search search;
    GetWindowThreadProcessId(window, &search.process);
    EnumWindows(count_copy_windows, reinterpret_cast<LPARAM>(&search));
    std::printf("copy-windows %d\n", search.found);
    std::fflush(stdout);
    return 0;
}
