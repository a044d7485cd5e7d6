// SoWin's start-up, show and event loop on SoQt, on a display checked first and watched.
#include <Inventor/Win/SoWin.h>

#include "display_x11.h"
#include "session_bus_x11.h"

#include <Inventor/Qt/SoQt.h>

#include <QApplication>
#include <QWidget>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace
{

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
    sowin_standin::DisplayFacts display = sowin_standin::require_usable_display(appname);
    qInstallMessageHandler(filter_qt_messages);
    sowin_standin::skip_session_bus_autolaunch(display.announces_accessibility_bus);
    // SoQt needs GLX: in a Wayland session this means X11 through XWayland.
    static char name[256];
    snprintf(name, sizeof name, "%s", appname);
    static char platform_option[] = "-platform";
    static char platform[] = "xcb";
    static char *arguments[] = {name, platform_option, platform, nullptr};
    static int count = 3;
    QWidget *main_window = SoQt::init(count, arguments, appname, classname);
    sowin_standin::watch_display_connection(appname);
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
