// The pop-up menu: built afresh each time it opens, so that its checks show the viewer's state;
// the entries this viewer can't change are shown greyed in their fixed state.
#include "popup_menu_win32.h"

namespace sowin_standin
{
namespace
{

enum MenuCommand : UINT {
    HOME = 1,
    SET_HOME,
    VIEW_ALL,
    SEEK,
    VIEWING,
    DECORATIONS,
    HEADLIGHT,
    FULLSCREEN,
    STILL_STYLE = 100, // + the entry's place in still_styles
    ANIMATING_STYLE = 200,
    TRANSPARENCY = 300,
    BUFFER = 400,
    STEREO = 500,
};

struct StillStyle {
    const wchar_t *label;
    bool offered; // the viewer draws it
    DrawStyle style;
};
const StillStyle still_styles[] = {{L"as is", true, DrawStyle::AS_IS},
                                   {L"hidden line", true, DrawStyle::HIDDEN_LINE},
                                   {L"wireframe overlay", false, DrawStyle::AS_IS},
                                   {L"no texture", false, DrawStyle::AS_IS},
                                   {L"low resolution", false, DrawStyle::AS_IS},
                                   {L"wireframe", true, DrawStyle::WIREFRAME},
                                   {L"points", true, DrawStyle::POINTS},
                                   {L"bounding box (no depth)", true, DrawStyle::BOUNDING_BOX}};
constexpr UINT still_style_count = sizeof still_styles / sizeof still_styles[0];

const wchar_t *const animating_styles[] = {L"same as still",
                                           L"no texture",
                                           L"low resolution",
                                           L"wireframe",
                                           L"low res wireframe (no depth)",
                                           L"points",
                                           L"low res points (no depth)",
                                           L"bounding box (no depth)"};
const wchar_t *const transparencies[] = {L"none",
                                         L"screen door",
                                         L"add",
                                         L"delayed add",
                                         L"sorted object add",
                                         L"blend",
                                         L"delayed blend",
                                         L"sorted object blend",
                                         L"sorted object sorted triangle add",
                                         L"sorted object sorted triangle blend",
                                         L"sorted layers blend"};
const wchar_t *const buffers[] = {L"single", L"double", L"interactive"};
const wchar_t *const stereo_modes[] = {L"Off", L"Red/Cyan Anaglyph", L"Quad buffer",
                                       L"Interleaved Rows", L"Interleaved Columns"};

void add_entry(HMENU menu, UINT command, const wchar_t *label, bool enabled, bool checked)
{
    UINT flags = MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED) | (checked ? MF_CHECKED : 0);
    AppendMenuW(menu, flags, command, label);
}

void add_submenu(HMENU menu, HMENU submenu, const wchar_t *label)
{
    AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), label);
}

// The examiner's menu as the Linux viewer shows it. What this viewer cannot do is shown greyed
// in its fixed state: double-buffered, stereo off, animating drawn as still.
HMENU build_menu(const ExaminerControls &controls)
{
    HMENU functions = CreatePopupMenu();
    add_entry(functions, HOME, L"Home", true, false);
    add_entry(functions, SET_HOME, L"Set Home", true, false);
    add_entry(functions, VIEW_ALL, L"View All", true, false);
    add_entry(functions, SEEK, L"Seek", controls.isViewing(), controls.isSeekMode());

    HMENU still = CreatePopupMenu();
    for (UINT i = 0; i < still_style_count; ++i) {
        const StillStyle &entry = still_styles[i];
        add_entry(still, STILL_STYLE + i, entry.label, entry.offered,
                  entry.offered && entry.style == controls.drawStyle());
    }
    HMENU animating = CreatePopupMenu();
    for (UINT n = 0; n < sizeof animating_styles / sizeof animating_styles[0]; ++n)
        add_entry(animating, ANIMATING_STYLE + n, animating_styles[n], n == 0, n == 0);
    HMENU transparency = CreatePopupMenu();
    for (UINT n = 0; n < sizeof transparencies / sizeof transparencies[0]; ++n)
        add_entry(transparency, TRANSPARENCY + n, transparencies[n], false, false);
    HMENU buffer = CreatePopupMenu();
    for (UINT n = 0; n < sizeof buffers / sizeof buffers[0]; ++n)
        add_entry(buffer, BUFFER + n, buffers[n], n == 1, n == 1);
    HMENU draw_styles = CreatePopupMenu();
    add_submenu(draw_styles, still, L"Still Drawstyle");
    add_submenu(draw_styles, animating, L"Animating Drawstyle");
    add_submenu(draw_styles, transparency, L"Transparency Type");
    add_submenu(draw_styles, buffer, L"Render Buffer Type");

    HMENU stereo = CreatePopupMenu();
    for (UINT n = 0; n < sizeof stereo_modes / sizeof stereo_modes[0]; ++n)
        add_entry(stereo, STEREO + n, stereo_modes[n], n == 0, n == 0);

    HMENU menu = CreatePopupMenu();
    add_submenu(menu, functions, L"Functions");
    add_submenu(menu, draw_styles, L"Draw Styles");
    add_submenu(menu, stereo, L"Stereo Viewing");
    add_entry(menu, VIEWING, L"Viewing", true, controls.isViewing());
    add_entry(menu, DECORATIONS, L"Decorations", true, controls.isDecorated());
    add_entry(menu, HEADLIGHT, L"Headlight", true, controls.isHeadlight());
    add_entry(menu, FULLSCREEN, L"Fullscreen", true, controls.isFullscreen());
    return menu;
}

void carry_out(UINT command, ExaminerControls &controls)
{
    if (command >= STILL_STYLE && command < STILL_STYLE + still_style_count) {
        const StillStyle &entry = still_styles[command - STILL_STYLE];
        if (entry.offered)
            controls.setDrawStyle(entry.style);
        return;
    }
    switch (command) {
    case HOME:
        controls.goHome();
        break;
    case SET_HOME:
        controls.saveHome();
        break;
    case VIEW_ALL:
        controls.viewAll();
        break;
    case VIEWING:
        controls.setViewing(!controls.isViewing());
        break;
    case DECORATIONS:
        controls.setDecorated(!controls.isDecorated());
        break;
    case SEEK:
        controls.setSeekMode(true);
        break;
    case HEADLIGHT:
        controls.setHeadlight(!controls.isHeadlight());
        break;
    case FULLSCREEN:
        controls.setFullscreen(!controls.isFullscreen());
        break;
    default: // an entry that keeps the state it shows
        break;
    }
}

} // namespace

void run_popup_menu(HWND owner, POINT screen_point, ExaminerControls &controls)
{
    HMENU menu = build_menu(controls);
    if (!menu)
        return;
    // A menu tracked for a window that is not in front would not close on a click elsewhere.
    HWND top = GetAncestor(owner, GA_ROOT);
    SetForegroundWindow(top ? top : owner);
    UINT command = static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                         screen_point.x, screen_point.y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (command != 0)
        carry_out(command, controls);
}

} // namespace sowin_standin
