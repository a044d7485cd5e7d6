// The DLL search limited to the system folder, and opengl32 loaded from there.
#include "dll_search_win32.h"

#include <windows.h>

#include <cstring>
#include <delayimp.h>

// The delay-import descriptor of opengl32 that dlltool made (cmake/DelayLoadOpenGL.cmake
// names it), and the program's own image, where its addresses point.
extern "C" const ImgDelayDescr opengl32_delay_descriptor __asm__(OPENGL32_DELAY_DESCRIPTOR);
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace
{

// Fills every one of the program's OPENGL32 import slots from `module`, as the delay-load
// helper would on each first call. mingw's __HrLoadAllImportsForDll would do it too, but it
// finds the descriptors through the PE header's delay-import entry, which binutils 2.40's ld
// leaves empty.
bool resolve_all_imports(HMODULE module)
{
    const ImgDelayDescr &descriptor = opengl32_delay_descriptor;
    if (!(descriptor.grAttrs & dlattrRva))
        return false;
    char *base = reinterpret_cast<char *>(&__ImageBase);
    auto *slots = reinterpret_cast<FARPROC *>(base + descriptor.rvaIAT);
    auto *names = reinterpret_cast<const IMAGE_THUNK_DATA *>(base + descriptor.rvaINT);
    for (; names->u1.AddressOfData; names++, slots++) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
            return false; // dlltool imports these by name only
        auto *name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
        FARPROC function = GetProcAddress(module, reinterpret_cast<const char *>(name->Name));
        if (!function)
            return false;
        *slots = function;
    }
    // The helper's handle too, as if it had loaded the DLL itself.
    *reinterpret_cast<HMODULE *>(base + descriptor.rvaHmod) = module;
    return true;
}

} // namespace

namespace sowin_standin
{

bool load_system_opengl(void)
{
    // Looked up, not imported: Windows 7 has it only with update KB2533623, and a missing
    // import would keep the program from starting at all.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI *)(DWORD);
    auto set_default_dll_directories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)(void)>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    HMODULE opengl = nullptr;
    if (set_default_dll_directories) {
        // Covers every later load by name: opengl32 here, the one gdi32 makes for pixel
        // formats, and glu32 and the optional libraries that Coin looks for.
        set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        opengl = LoadLibraryW(L"opengl32.dll");
    } else {
        // Without it only opengl32 is kept safe: loaded by its full path, it is the module
        // that every later load of "opengl32.dll" finds already there.
        wchar_t path[MAX_PATH];
        const wchar_t name[] = L"\\opengl32.dll";
        UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length + sizeof name / sizeof name[0] > MAX_PATH)
            return false;
        std::memcpy(path + length, name, sizeof name);
        opengl = LoadLibraryW(path);
    }
    // Every import at once, before any GL call: the delay-load stub that binutils makes for
    // x86-64 keeps the integer argument registers but not xmm0 to xmm3, so a first call of
    // glClearColor through it could get wrong colours; and Coin gives up its OpenGL handle
    // when GetProcAddress(glGetString) is not what its import slot holds.
    return opengl && resolve_all_imports(opengl);
}

} // namespace sowin_standin
