// Sends WM_DPICHANGED to another program's window as Windows sends it when the window moves to
// a monitor at another scale: the new dpi in both words of wParam, and in lParam a pointer to
// the suggested window rectangle, valid in the receiving process. Windows doesn't copy this
// message's lParam between processes, so the rectangle is written into the receiver's memory,
// at an address that is also allocated (and holds the same rectangle) here: valid on either
// side, whichever one reads it.
// The suggested rectangle keeps the window's top-left corner and scales its client area by
// TO_DPI / FROM_DPI, the frame added for the window's style.
//
// usage: dpi_message TITLE FROM_DPI TO_DPI
// Prints "suggested L T R B" and, once the message has been handled, "now L T R B" (the
// window's rectangle then). Status 0 when the message was delivered; 1 with a line on stderr
// otherwise.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

int fail(const char *what)
{
    std::fprintf(stderr, "dpi_message: %s (error %lu)\n", what,
                 static_cast<unsigned long>(GetLastError()));
    return 1;
}

HWND find_window(const char *title)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (HWND window = FindWindowA(nullptr, title))
            return window;
        Sleep(50);
    }
    return nullptr;
}

void print(const char *name, const RECT &r)
{
    std::printf("%s %ld %ld %ld %ld\n", name, static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
}

// A page allocated in both processes at one address; null where none was found. The places
// tried are the starts of the other process's free regions, so that two processes with much
// the same layout (two 32-bit ones, say) still find one.
void *shared_address(HANDLE process)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uintptr_t granularity = system.dwAllocationGranularity;
    auto *at = static_cast<char *>(system.lpMinimumApplicationAddress);
    MEMORY_BASIC_INFORMATION region;
    while (at < system.lpMaximumApplicationAddress &&
           VirtualQueryEx(process, at, &region, sizeof region) == sizeof region) {
        char *next = static_cast<char *>(region.BaseAddress) + region.RegionSize;
        uintptr_t start = (reinterpret_cast<uintptr_t>(region.BaseAddress) + granularity - 1) /
                          granularity * granularity;
        if (region.State == MEM_FREE && start + 4096 <= reinterpret_cast<uintptr_t>(next)) {
            void *page = reinterpret_cast<void *>(start);
            if (VirtualAlloc(page, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) == page) {
                if (VirtualAllocEx(process, page, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) ==
                    page)
                    return page;
                VirtualFree(page, 0, MEM_RELEASE);
            }
        }
        if (next <= at)
            break;
        at = next;
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: dpi_message TITLE FROM_DPI TO_DPI\n");
        return 2;
    }
    const int from = std::atoi(argv[2]), to = std::atoi(argv[3]);
    if (from <= 0 || to <= 0)
        return fail("the dpi must be positive");
    HWND window = find_window(argv[1]);
    if (!window)
        return fail("no window with that title");

    RECT place, client;
    GetWindowRect(window, &place);
    GetClientRect(window, &client);
    RECT suggested = {0, 0, MulDiv(client.right, to, from), MulDiv(client.bottom, to, from)};
    AdjustWindowRectEx(&suggested, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    OffsetRect(&suggested, place.left - suggested.left, place.top - suggested.top);
    print("suggested", suggested);

    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process)
        return fail("cannot open the window's process");
    void *address = shared_address(process);
    if (!address)
        return fail("no address free in both processes");
    *static_cast<RECT *>(address) = suggested;
    SIZE_T written = 0;
    if (!WriteProcessMemory(process, address, &suggested, sizeof suggested, &written) ||
        written != sizeof suggested)
        return fail("cannot write the rectangle into the window's process");

    DWORD_PTR result = 0;
    bool sent = SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(to, to),
                                    reinterpret_cast<LPARAM>(address), SMTO_ABORTIFHUNG, 10000,
                                    &result) != 0;
    if (!sent)
        return fail("the message was not delivered");
    GetWindowRect(window, &place);
    print("now", place);
    VirtualFreeEx(process, address, 0, MEM_RELEASE);
    VirtualFree(address, 0, MEM_RELEASE);
    CloseHandle(process);
    std::fflush(stdout);
    return 0;
}
