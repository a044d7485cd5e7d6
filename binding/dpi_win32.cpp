// A window's dpi after WM_DPICHANGED is kept as a property of its top-level window, so that
// every window inside reads the same value whether or not this Windows reports it per window.
#include "dpi_win32.h"

namespace sowin_standin
{

namespace
{

const wchar_t dpi_property[] = L"OverlayPlaneDpi";

BOOL CALLBACK tell_child(HWND child, LPARAM)
{
    SendMessageW(child, WM_DPICHANGED_AFTERPARENT, 0, 0);
    return TRUE;
}

} // namespace

int system_dpi(void)
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int window_dpi(HWND window)
{
    HWND top = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (top) {
        auto kept = reinterpret_cast<INT_PTR>(GetPropW(top, dpi_property));
        if (kept > 0)
            return static_cast<int>(kept);
    }
    using GetDpiForWindowCall = UINT(WINAPI *)(HWND);
    static const auto get_dpi_for_window = user32_call<GetDpiForWindowCall>("GetDpiForWindow");
    if (window && get_dpi_for_window) {
        UINT dpi = get_dpi_for_window(window);
        if (dpi > 0)
            return static_cast<int>(dpi);
    }
    return system_dpi();
}

RECT window_rect_for_client(const RECT &client, DWORD style, DWORD extended_style, int dpi)
{
    using AdjustCall = BOOL(WINAPI *)(RECT *, DWORD, BOOL, DWORD, UINT);
    static const auto adjust_for_dpi = user32_call<AdjustCall>("AdjustWindowRectExForDpi");
    RECT rect = client;
    if (!adjust_for_dpi || !adjust_for_dpi(&rect, style, FALSE, extended_style, dpi)) {
        rect = client;
        AdjustWindowRectEx(&rect, style, FALSE, extended_style);
    }
    return rect;
}

LOGFONTW message_font_for_dpi(int dpi)
{
    using ParametersCall = BOOL(WINAPI *)(UINT, UINT, void *, UINT, UINT);
    static const auto parameters_for_dpi =
        user32_call<ParametersCall>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (parameters_for_dpi &&
        parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    // The system's font is sized for the system's dpi: scaled from it to `dpi`.
    LOGFONTW face = {};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        face = metrics.lfMessageFont;
    else
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfHeight = MulDiv(face.lfHeight, dpi, system_dpi());
    face.lfWidth = 0;
    return face;
}

LRESULT follow_dpi_change(HWND window, WPARAM wparam, LPARAM lparam)
{
    int dpi = HIWORD(wparam); // the y dpi; both words are the same
    if (dpi > 0)
        SetPropW(window, dpi_property, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
    // Kept before the resize, so that the children, laid out again as the window takes its
    // new size, are laid out at the new dpi at once; told afterwards for a size unchanged.
    const auto *suggested = reinterpret_cast<const RECT *>(lparam);
    if (suggested)
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    EnumChildWindows(window, tell_child, 0);
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

void forget_window_dpi(HWND window)
{
    RemovePropW(window, dpi_property);
}

} // namespace sowin_standin
