// The lag hop: one thread, poll() over every socket, a queue of chunks per direction.
#include "lag_hop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <deque>
#include <list>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

sockaddr_in loopback(int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

struct Chunk {
    Clock::time_point due;
    std::string bytes;
};

// Bytes read from `from` and written, each chunk once it is due, to `to`.
struct Direction {
    int from, to;
    std::deque<Chunk> queue;
    size_t written = 0; // of the front chunk
    bool ended = false; // `from` has closed: pass the end on once the queue is empty
};

struct Link {
    Direction up, down; // client to server, server to client
    bool broken = false;
    ~Link()
    {
        close(up.from);
        close(up.to);
    }
};

// Reads what `from` has; false when the link should close.
bool take(Direction &direction, Clock::duration delay)
{
    char buffer[65536];
    ssize_t count = read(direction.from, buffer, sizeof buffer);
    if (count > 0) {
        direction.queue.push_back({Clock::now() + delay, std::string(buffer, count)});
        return true;
    }
    if (count == 0 && !direction.ended) {
        direction.ended = true;
        return true;
    }
    return count < 0 && errno == EAGAIN;
}

// Writes what is due; false when the link should close.
bool give(Direction &direction)
{
    while (!direction.queue.empty() && direction.queue.front().due <= Clock::now()) {
        const std::string &bytes = direction.queue.front().bytes;
        ssize_t count = write(direction.to, bytes.data() + direction.written,
                              bytes.size() - direction.written);
        if (count < 0)
            return errno == EAGAIN;
        direction.written += count;
        if (direction.written < bytes.size())
            return true;
        direction.written = 0;
        direction.queue.pop_front();
    }
    if (direction.ended && direction.queue.empty())
        shutdown(direction.to, SHUT_WR);
    return true;
}

} // namespace

LagHop::LagHop(int listen_port, int target_port, double one_way_seconds)
    : target_port_(target_port), delay_(one_way_seconds)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(listen_port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(fd, 16) != 0 || pipe2(stop_, O_CLOEXEC) != 0) {
        close(fd);
        return;
    }
    listener_ = fd;
    thread_ = std::thread([this] { run(); });
}

LagHop::~LagHop()
{
    if (thread_.joinable()) {
        ssize_t written = write(stop_[1], "", 1);
        (void)written;
        thread_.join();
    }
    for (int fd : {listener_, stop_[0], stop_[1]})
        if (fd >= 0)
            close(fd);
}

void LagHop::run()
{
    auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay_));
    std::list<Link> links;
    for (;;) {
        std::vector<pollfd> watched = {{stop_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
        std::vector<size_t> read_at; // each direction's entry in `watched`, link by link
        Clock::time_point now = Clock::now(), next_due = Clock::time_point::max();
        for (Link &link : links)
            for (Direction *d : {&link.up, &link.down}) {
                read_at.push_back(watched.size());
                watched.push_back({d->from, static_cast<short>(d->ended ? 0 : POLLIN), 0});
                if (!d->queue.empty()) {
                    next_due = std::min(next_due, d->queue.front().due);
                    if (d->queue.front().due <= now)
                        watched.push_back({d->to, POLLOUT, 0});
                }
            }
        int timeout = -1;
        if (next_due != Clock::time_point::max()) {
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(next_due - now);
            timeout = static_cast<int>(std::max<long>(0, wait.count()));
        }
        if (poll(watched.data(), watched.size(), timeout) < 0 && errno != EINTR)
            return;
        if (watched[0].revents)
            return;
        size_t next = 0;
        for (Link &link : links)
            for (Direction *d : {&link.up, &link.down}) {
                bool readable = watched[read_at[next++]].revents & (POLLIN | POLLHUP | POLLERR);
                if (readable && !d->ended && !take(*d, delay))
                    link.broken = true;
            }
        // Accepted last: `read_at` knows only the links polled.
        if (watched[1].revents & POLLIN) {
            int client = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in target = loopback(target_port_);
            if (client >= 0 && server >= 0 &&
                connect(server, reinterpret_cast<sockaddr *>(&target), sizeof target) == 0) {
                fcntl(server, F_SETFL, O_NONBLOCK);
                links.emplace_back();
                links.back().up = {client, server, {}, 0, false};
                links.back().down = {server, client, {}, 0, false};
            } else {
                close(client);
                close(server);
            }
        }
        for (Link &link : links)
            if (!give(link.up) || !give(link.down) || (link.up.ended && link.down.ended))
                link.broken = true;
        links.remove_if([](const Link &link) { return link.broken; });
    }
}
