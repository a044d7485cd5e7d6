// The floor of the Windows bench: the least a WGL program does to show the viewer's picture.
// A top-level window whose client area is WIDTH x HEIGHT, filled by a child window of a
// CS_OWNDC class with a double-buffered RGBA pixel format with depth, as the viewer's render
// area has; each WM_PAINT clears it black, clears the centred light-green square (a fifth of
// the smaller side) by scissor, and swaps (and for its first two seconds every 10 ms). No
// Coin, no copy. With "top", where OpenGL in a
// child window doesn't show (wine before 10), it draws into the top-level window itself.
//
// usage: wgl_floor WIDTH HEIGHT [top]   (its window is titled "WGL Floor")
#include <windows.h>

#include "floor_square.h"

#include <cstdlib>
#include <cstring>

namespace
{

HWND area = nullptr;
HDC area_dc = nullptr;
HGLRC context = nullptr;
int ticks = 0;

void draw(void)
{
    RECT client;
    GetClientRect(area, &client);
    int width = client.right, height = client.bottom;
    wglMakeCurrent(area_dc, context);
    draw_floor_square(width, height);
    SwapBuffers(area_dc);
}

LRESULT CALLBACK floor_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        if (window != area) {
            // Wine 10 repaints the parent, not the child, when the window is shown or
            // uncovered: the child draws again then, as the viewer's render area does.
            InvalidateRect(area, nullptr, FALSE);
            break;
        }
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        draw();
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        // Wine 10 sometimes shows neither the first frame nor a paint after the window is
        // mapped: for its first two seconds the floor draws every 10 ms, which only makes it
        // lower.
        if (++ticks >= 200)
            KillTimer(window, 1);
        InvalidateRect(area, nullptr, FALSE);
        return 0;
    case WM_SIZE:
        if (area && area != window)
            MoveWindow(area, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

int main(int argc, char **argv)
{
    int width = argc > 2 ? std::atoi(argv[1]) : 440, height = argc > 2 ? std::atoi(argv[2]) : 360;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = floor_procedure;
    window_class.lpszClassName = L"WglFloorTop";
    RegisterClassExW(&window_class);
    window_class.lpszClassName = L"WglFloorArea";
    RegisterClassExW(&window_class);

    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT size = {0, 0, width, height};
    AdjustWindowRect(&size, style, FALSE);
    HWND top = CreateWindowExW(0, L"WglFloorTop", L"WGL Floor", style, CW_USEDEFAULT, CW_USEDEFAULT,
                               size.right - size.left, size.bottom - size.top, nullptr, nullptr,
                               instance, nullptr);
    bool in_top = argc > 3 && std::strcmp(argv[3], "top") == 0;
    area = in_top
               ? top
               : CreateWindowExW(0, L"WglFloorArea", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                 0, 0, width, height, top, nullptr, instance, nullptr);
    if (!top || !area)
        return 1;
    area_dc = GetDC(area);
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cDepthBits = 24;
    int format = ChoosePixelFormat(area_dc, &wanted);
    if (!format || !SetPixelFormat(area_dc, format, &wanted) ||
        !(context = wglCreateContext(area_dc)))
        return 1;
    ShowWindow(top, SW_SHOWNORMAL);
    UpdateWindow(top);
    SetTimer(top, 1, 10, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    return 0;
}
