// The GL driver's load (its libraries, their relocation and the driver's set-up) is the
// longest single step before the first frame, and the main thread has Qt's and Coin's
// start to do meanwhile. A private connection makes GLX load the driver for this display;
// the libraries it brought in are kept loaded when the connection closes, so that the
// viewer's own connection finds them ready.
#include "gl_driver_loading.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <dlfcn.h>
#include <link.h>
#include <malloc.h>
#include <pthread.h>

#include <set>
#include <string>

namespace sowin_standin
{

namespace
{

pthread_t loader;
bool loading = false;
std::string display_to_load;

std::set<std::string> loaded_objects(void)
{
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info *object, size_t, void *data) {
            if (object->dlpi_name && *object->dlpi_name)
                static_cast<std::set<std::string> *>(data)->insert(object->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

void *load_driver(void *)
{
    std::set<std::string> before = loaded_objects();
    Display *display = XOpenDisplay(display_to_load.c_str());
    if (!display)
        return nullptr;
    // Without GLX on the display there is no driver to load, and asking would print Xlib's
    // complaint a second time.
    int opcode, event, error;
    if (!XQueryExtension(display, "GLX", &opcode, &event, &error)) {
        XCloseDisplay(display);
        return nullptr;
    }
    glXQueryExtensionsString(display, DefaultScreen(display));
    // One more reference to each library the driver brought in: closing this connection
    // must not unload them. They stay until the process ends, as they would have anyway.
    for (const std::string &name : loaded_objects())
        if (!before.count(name))
            dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    XCloseDisplay(display);
    return nullptr;
}

} // namespace

void start_gl_driver_loading(const char *display_name)
{
    if (loading || !display_name)
        return;
    display_to_load = display_name;
    // A thread of its own would get a malloc arena of its own, and what the driver keeps
    // and frees there would stay resident beside the main arena (about a megabyte). One
    // arena for all threads: a viewer's threads allocate too seldom to contend.
    mallopt(M_ARENA_MAX, 1);
    loading = pthread_create(&loader, nullptr, load_driver, nullptr) == 0;
}

void finish_gl_driver_loading(void)
{
    if (loading)
        pthread_join(loader, nullptr);
    loading = false;
}

} // namespace sowin_standin
