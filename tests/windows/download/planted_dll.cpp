// A DLL planted beside the program under the name of one it loads (opengl32.dll, glu32.dll,
// ...): when loaded, it leaves a marker file beside itself, "<its own path>.ran". Every name
// it exports (those of the program's OPENGL32 imports, from planted_dll.def) is one empty
// function, enough for a loader that resolves a plain import from it.
#include <windows.h>

extern "C" void planted_export(void)
{
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpyW(path + length, L".ran");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    return TRUE;
}
