// fontconfig's start (parsing its configuration, mapping its caches) beside Qt's and Coin's.
#include "font_loading.h"

#include <fontconfig/fontconfig.h>

#include <malloc.h>
#include <pthread.h>

namespace sowin_standin
{

namespace
{

pthread_t loader;
bool loading = false;

void *load_fonts(void *)
{
    FcInit();
    return nullptr;
}

} // namespace

void start_font_loading(void)
{
    if (loading)
        return;
    // A thread of its own would get a malloc arena of its own, where fontconfig's lasting
    // data would keep pages resident beside the main arena's free ones. One arena for all
    // threads: the viewer's threads allocate too seldom to contend for it.
    mallopt(M_ARENA_MAX, 1);
    loading = pthread_create(&loader, nullptr, load_fonts, nullptr) == 0;
}

void finish_font_loading(void)
{
    if (loading)
        pthread_join(loader, nullptr);
    loading = false;
}

} // namespace sowin_standin
