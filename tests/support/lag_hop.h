// A TCP forwarder on the loopback that holds every chunk back for a while in each direction,
// as a long line does, for tests of a slow remote display.
// Requires: POSIX sockets and a thread of its own. Does not: change, drop or reorder bytes,
// limit bandwidth, or forward anything but TCP between two loopback ports.
#pragma once

#include <thread>

class LagHop
{
  public:
    // Listens on 127.0.0.1:`listen_port` and forwards each connection to
    // 127.0.0.1:`target_port`, every chunk `one_way_seconds` late in each direction: the
    // round trip grows by twice that.
    LagHop(int listen_port, int target_port, double one_way_seconds);
    // Closes every connection and the listening socket.
    ~LagHop();
    LagHop(const LagHop &) = delete;
    LagHop &operator=(const LagHop &) = delete;

    bool listening() const
    {
        return listener_ >= 0;
    }

  private:
    void run();

    int listener_ = -1;
    int target_port_;
    double delay_;
    int stop_[2] = {-1, -1}; // written to on destruction
    std::thread thread_;
};
