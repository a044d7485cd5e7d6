// Starting and stopping a test's own Xvfb through xvfb.sh.
#include "private_display.h"

#include "x11_client.h"
#include "x11_process.h"

PrivateDisplay::PrivateDisplay(const std::string &tag, const std::vector<std::string> &arguments)
    : state(std::string(PRIVATE_DISPLAY_DIR) + "/" + tag + ".xvfb")
{
    std::vector<std::string> argv = {"/bin/bash", XVFB_SCRIPT, "start", state};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Process start(argv, current_environment());
    if (start.wait(30) && start.exited() && start.status() == 0)
        name = read_display_file(state);
}

PrivateDisplay::~PrivateDisplay()
{
    stop();
}

void PrivateDisplay::stop()
{
    Process({"/bin/bash", XVFB_SCRIPT, "stop", state}, current_environment()).wait(30);
}
