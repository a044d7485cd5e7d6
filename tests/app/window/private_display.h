// An Xvfb of one test's own, for tests that need a display set up their way or started
// afresh. Requires: xvfb.sh (XVFB_SCRIPT) and a folder for its state (PRIVATE_DISPLAY_DIR).
// Does not: connect to the display or judge it.
#pragma once

#include <string>
#include <vector>

struct PrivateDisplay {
    std::string state, name; // name is empty when the server did not start

    // Starts Xvfb with `arguments` in place of the default screen; `tag` names its state file.
    PrivateDisplay(const std::string &tag, const std::vector<std::string> &arguments);
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;

    void stop();
};
