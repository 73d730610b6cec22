#pragma once

#include <chrono>

namespace tone {

// A flag that one thread raises and another can wait for in poll() beside other file
// descriptors: an eventfd. Raising it again before it is cleared changes nothing.
class WakeSignal
{
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Makes the descriptor readable. Safe from any thread.
    void raise();
    // Makes the descriptor unreadable again.
    void clear();
    // Waits up to `timeout` for the signal; true when it is raised (it stays raised).
    bool waitFor(std::chrono::milliseconds timeout) const;
    // The descriptor to poll for reading; -1 when no eventfd could be made, in which case
    // waits simply run to their other descriptors.
    int descriptor() const { return fd_; }

private:
    int fd_;
};

} // namespace tone
