#include "WakeSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace tone {

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
}

WakeSignal::~WakeSignal()
{
    if (fd_ >= 0)
        close(fd_);
}

void WakeSignal::raise()
{
    if (fd_ < 0)
        return;
    const std::uint64_t one = 1;
    // Fails only when the counter is full, and then the descriptor is readable anyway.
    const ssize_t written = write(fd_, &one, sizeof one);
    static_cast<void>(written);
}

void WakeSignal::clear()
{
    if (fd_ < 0)
        return;
    std::uint64_t count = 0;
    // Fails only when the counter is zero already.
    const ssize_t got = read(fd_, &count, sizeof count);
    static_cast<void>(got);
}

bool WakeSignal::waitFor(std::chrono::milliseconds timeout) const
{
    if (fd_ < 0) {
        poll(nullptr, 0, static_cast<int>(timeout.count()));
        return false;
    }
    pollfd waiter{fd_, POLLIN, 0};
    return poll(&waiter, 1, static_cast<int>(timeout.count())) > 0 && (waiter.revents & POLLIN);
}

} // namespace tone
