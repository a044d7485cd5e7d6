// The X display under the viewer: reachable, with GLX and a usable visual, and watched.
#include "display.h"

#include <QString>
#include <QtGlobal>

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sowin_standin
{

namespace
{

// Lines written where nothing may be allocated (an I/O error handler), so built beforehand.
std::string lost_line;
QtMessageHandler earlier_handler = nullptr;

[[noreturn]] void say_and_end(const std::string &line)
{
    ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    (void)written;
    _exit(1);
}

// What the check found, one byte from the checking child. Not its exit status: a tool
// the program runs under (valgrind) may change that.
enum Verdict : char { usable, unreachable, without_glx, without_visual, lost };
int verdict_pipe = -1;

[[noreturn]] void tell(Verdict verdict)
{
    ssize_t written = write(verdict_pipe, &verdict, 1);
    (void)written;
    _exit(0);
}

int check_lost(Display *)
{
    tell(lost);
}

// Runs in a child process: Mesa's GLX set-up crashes when the server goes away under it,
// a server that accepts the connection but never answers must not hang the start, and
// the viewer's own process keeps no GL state from the check.
[[noreturn]] void check_display(const char *name)
{
    rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    // The libraries' own remarks would be a second line; the parent says what was found.
    int null_device = open("/dev/null", O_WRONLY);
    if (null_device >= 0)
        dup2(null_device, STDERR_FILENO);
    XSetIOErrorHandler(check_lost);
    itimerval limit = {{0, 0}, {0, 500 * 1000}}; // SIGALRM ends the child: no answer
    setitimer(ITIMER_REAL, &limit, nullptr);
    Display *connection = XOpenDisplay(name);
    if (!connection)
        tell(unreachable);
    itimerval off = {{0, 0}, {0, 0}};
    setitimer(ITIMER_REAL, &off, nullptr);
    int error_base, event_base;
    if (!glXQueryExtension(connection, &error_base, &event_base))
        tell(without_glx);
    // What the examiner viewer's GL widget asks for.
    int wanted[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 1, None};
    XVisualInfo *visual = glXChooseVisual(connection, DefaultScreen(connection), wanted);
    tell(visual ? usable : without_visual);
}

int connection_lost(Display *)
{
    say_and_end(lost_line);
}

// Qt's xcb platform notes a broken connection in a warning and then calls exit(), which
// runs the libraries' clean-up over a connection that is gone.
void on_qt_message(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke")))
        say_and_end(lost_line);
    if (earlier_handler)
        earlier_handler(type, context, message);
}

} // namespace

void require_usable_display(const char *appname)
{
    const char *name = getenv("DISPLAY");
    if (!name || !*name) {
        fprintf(stderr, "%s: cannot open an X display: DISPLAY is not set\n", appname);
        exit(1);
    }
    fflush(nullptr); // nothing buffered may be written twice
    int ends[2];
    if (pipe(ends) != 0)
        return; // the check can't run; Qt reports what it finds
    pid_t checker = fork();
    if (checker == 0) {
        close(ends[0]);
        verdict_pipe = ends[1];
        check_display(name);
    }
    close(ends[1]);
    // A child that crashed says nothing: Mesa's GLX crashes when the server goes away under
    // it, rather than report the loss.
    Verdict verdict = lost;
    ssize_t got = checker > 0 ? read(ends[0], &verdict, 1) : -1;
    close(ends[0]);
    int status = 0;
    if (checker < 0 || waitpid(checker, &status, 0) != checker)
        return; // the check could not run; Qt reports what it finds
    if (got != 1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        verdict = unreachable; // connected, but no answer in time
    switch (verdict) {
    case usable:
        return;
    case unreachable:
        fprintf(stderr, "%s: cannot open X display \"%s\"\n", appname, name);
        break;
    case without_glx:
        fprintf(stderr, "%s: the X display \"%s\" has no OpenGL (GLX) support\n", appname, name);
        break;
    case without_visual:
        fprintf(stderr,
                "%s: the X display \"%s\" has no OpenGL visual with RGBA colour, double "
                "buffering and a depth buffer\n",
                appname, name);
        break;
    default:
        fprintf(stderr, "%s: lost the connection to the X display \"%s\"\n", appname, name);
    }
    exit(1);
}

void watch_display_connection(const char *appname)
{
    const char *display = getenv("DISPLAY");
    lost_line = std::string(appname) + ": lost the connection to the X display \"" +
                (display ? display : "") + "\"\n";
    XSetIOErrorHandler(connection_lost);
    earlier_handler = qInstallMessageHandler(on_qt_message);
}

} // namespace sowin_standin
