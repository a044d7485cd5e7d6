// SoWin's start-up, show and event loop on SoQt, with a display check first.
#include <Inventor/Win/SoWin.h>

#include "session_bus.h"

#include <Inventor/Qt/SoQt.h>

#include <QApplication>
#include <QWidget>
#include <QtGlobal>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/time.h>
#include <unistd.h>

namespace
{

std::string display_failure; // written by the timeout handler, so built beforehand

void display_timed_out(int)
{
    ssize_t written = write(STDERR_FILENO, display_failure.data(), display_failure.size());
    (void)written;
    _exit(1);
}

// Qt aborts when it can't reach a display; say what went wrong and end with status 1.
void require_display(const char *appname)
{
    const char *display = getenv("DISPLAY");
    if (!display || !*display) {
        fprintf(stderr, "%s: cannot open an X display: DISPLAY is not set\n", appname);
        exit(1);
    }
    display_failure = std::string(appname) + ": cannot open X display \"" + display + "\"\n";
    // A server that accepts the connection but never answers must not hang the start.
    signal(SIGALRM, display_timed_out);
    itimerval limit = {{0, 0}, {0, 500 * 1000}}; // well within a second of the start
    setitimer(ITIMER_REAL, &limit, nullptr);
    Display *connection = XOpenDisplay(display);
    itimerval off = {{0, 0}, {0, 0}};
    setitimer(ITIMER_REAL, &off, nullptr);
    signal(SIGALRM, SIG_DFL);
    if (!connection) {
        fputs(display_failure.c_str(), stderr);
        exit(1);
    }
    XCloseDisplay(connection);
}

// Qt's notices (runtime-directory and platform-plugin remarks) are not this program's
// output; its critical and fatal messages still reach the user.
void filter_qt_messages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

HWND SoWin::init(const char *appname, const char *classname)
{
    if (!appname)
        appname = "overlay-plane";
    require_display(appname);
    qInstallMessageHandler(filter_qt_messages);
    sowin_standin::skip_session_bus_autolaunch(getenv("DISPLAY"));
    // SoQt needs GLX: in a Wayland session this means X11 through XWayland.
    static char name[256];
    snprintf(name, sizeof name, "%s", appname);
    static char platform_option[] = "-platform";
    static char platform[] = "xcb";
    static char *arguments[] = {name, platform_option, platform, nullptr};
    static int count = 3;
    QWidget *main_window = SoQt::init(count, arguments, appname, classname);
    return reinterpret_cast<HWND>(main_window);
}

void SoWin::show(HWND widget)
{
    SoQt::show(reinterpret_cast<QWidget *>(widget));
}

void SoWin::mainLoop(void)
{
    SoQt::mainLoop();
}
