// The main window's class icons, drawn for a dpi from the program's icon group.
#include "program_icon_win32.h"

#include "dpi_win32.h"

namespace
{

using sowin_standin::system_dpi;
using sowin_standin::user32_call;
using sowin_standin::window_dpi;

// The program's icon at the size the system gives `metric` (SM_CXICON or SM_CXSMICON) at
// `dpi`; null where the program has no icon.
HICON load_program_icon(int metric, int dpi)
{
    using GetSystemMetricsForDpiCall = int(WINAPI *)(int, UINT);
    static const auto metric_for_dpi =
        user32_call<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
    int size = metric_for_dpi ? metric_for_dpi(metric, static_cast<UINT>(dpi))
                              : MulDiv(GetSystemMetrics(metric), dpi, system_dpi());
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(PROGRAM_ICON_ID), IMAGE_ICON, size, size,
                                         LR_DEFAULTCOLOR));
}

struct Icons {
    HICON big = nullptr, small = nullptr;
};

// Both of the program's icons at `dpi`, or none.
Icons load_program_icons(int dpi)
{
    Icons icons = {load_program_icon(SM_CXICON, dpi), load_program_icon(SM_CXSMICON, dpi)};
    if (icons.big && icons.small)
        return icons;
    if (icons.big)
        DestroyIcon(icons.big);
    if (icons.small)
        DestroyIcon(icons.small);
    return {};
}

// The program's icons that the class holds now, destroyed when replaced.
Icons class_icons;
int class_icons_dpi = 0;

} // namespace

namespace sowin_standin
{

void fill_class_icons(WNDCLASSEXW &window_class)
{
    class_icons_dpi = system_dpi();
    class_icons = load_program_icons(class_icons_dpi);
    if (class_icons.big) {
        window_class.hIcon = class_icons.big;
        window_class.hIconSm = class_icons.small;
    } else {
        window_class.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    }
}

void update_class_icons(HWND window, int dpi)
{
    if (dpi <= 0)
        dpi = window_dpi(window);
    if (!class_icons.big || dpi == class_icons_dpi)
        return;
    Icons icons = load_program_icons(dpi);
    if (!icons.big)
        return;
    SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icons.big));
    SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(icons.small));
    DestroyIcon(class_icons.big);
    DestroyIcon(class_icons.small);
    class_icons = icons;
    class_icons_dpi = dpi;
}

} // namespace sowin_standin
