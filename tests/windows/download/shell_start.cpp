// Starts a program as Explorer, the Start menu and shortcuts do: through ShellExecuteEx, from
// a GUI process that has no console, with the program's folder as its working folder. Waits
// for it to end and ends with its status.
//
// usage: shell_start PROGRAM   (a Windows path)
// Status 2 with a line on stderr, where there is one, when the program could not be started.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: shell_start PROGRAM\n");
        return 2;
    }
    std::string program = argv[1];
    std::string folder = program.substr(0, program.find_last_of('\\'));
    SHELLEXECUTEINFOA start = {};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    start.lpVerb = "open";
    start.lpFile = program.c_str();
    start.lpDirectory = folder.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&start) || !start.hProcess) {
        std::fprintf(stderr, "shell_start: could not start %s (error %lu)\n", program.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    WaitForSingleObject(start.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(start.hProcess, &status);
    return static_cast<int>(status);
}
