#include "app/TerminationRequests.h"

#include <QSocketNotifier>
#include <QWidget>
#include <QtGlobal>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

// The socket pair's writing end, for the signal handler.
std::atomic<int> gWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

void NoteSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The socket does not block: when it is full, a close is waiting to run already.
    [[maybe_unused]] const ssize_t written =
        ::write(gWriteEnd.load(std::memory_order_relaxed), &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationRequests::TerminationRequests(QWidget& window) : window_(window)
{
    Q_ASSERT(gWriteEnd.load() == -1);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sockets_.data()) !=
        0) {
        // The signals keep ending the program at once.
        qWarning("Parvello: no socket pair for closing on signals: %s", std::strerror(errno));
        return;
    }
    gWriteEnd.store(sockets_[1]);
    notifier_ = new QSocketNotifier(sockets_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationRequests::closeWindow);

    struct sigaction action
    {
    };
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (sigaction(kSignals[i], nullptr, &previous_[i]) != 0 ||
            previous_[i].sa_handler == SIG_IGN)
            continue;
        taken_[i] = sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

TerminationRequests::~TerminationRequests()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (taken_[i])
            sigaction(kSignals[i], &previous_[i], nullptr);
    }
    gWriteEnd.store(-1);
    delete notifier_;
    for (const int socket : sockets_) {
        if (socket >= 0)
            ::close(socket);
    }
}

void TerminationRequests::closeWindow()
{
    char bytes[16];
    while (::read(sockets_[0], bytes, sizeof bytes) > 0) {
    }
    // Once closed, the window stays closed; one that is closing ignores a second close.
    if (window_.isVisible())
        window_.close();
}
