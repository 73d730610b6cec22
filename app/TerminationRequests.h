#pragma once

#include <QObject>

#include <signal.h>

#include <array>

class QSocketNotifier;
class QWidget;

// Closes a window as its close box does when the program is told from outside to end: by
// SIGTERM, which the session sends to the programs still running at logout and at shutdown,
// by SIGINT (Ctrl+C in the terminal it was started from) and by SIGHUP (that terminal closed).
// A signal that was ignored when the program started (nohup) stays ignored. The session
// manager's own logout request needs nothing here: Qt turns it into a quit of the
// application, which closes every window the same way.
//
// A signal handler can safely do next to nothing, so it only writes a byte into a socket pair;
// the event loop watches the other end and closes the window on the user-interface thread.
// Further signals during the close add nothing. One instance at a time; destroying it gives
// the signals back their earlier handling.
class TerminationRequests : public QObject
{
public:
    // window must outlive this object.
    explicit TerminationRequests(QWidget& window);
    ~TerminationRequests() override;

    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

private:
    void closeWindow();

    QWidget& window_;
    // The reading end, which the event loop watches, and the writing end, for the handler.
    std::array<int, 2> sockets_{-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    // How each of kSignals was handled before, when this object took it over.
    std::array<struct sigaction, kSignals.size()> previous_{};
    std::array<bool, kSignals.size()> taken_{};
};
