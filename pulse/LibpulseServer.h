#pragma once

#include "SoundServer.h"
#include "playback/StreamIdentity.h"

#include <pulse/mainloop.h>

namespace tone {

// The sound server through libpulse's asynchronous API, on a main loop of its own that
// runs on the calling thread, so that no call waits for a server that does not answer. Its
// streams are created with the program's name, icon and role, without starting a server of
// their own, and must be destroyed before it.
class LibpulseServer final : public SoundServer
{
public:
    LibpulseServer(StreamIdentity identity, int wakeDescriptor);
    ~LibpulseServer() override;
    LibpulseServer(const LibpulseServer&) = delete;
    LibpulseServer& operator=(const LibpulseServer&) = delete;

    std::unique_ptr<ServerStream> connect(const StreamRequest& request, int& error) override;
    void run(std::optional<std::chrono::microseconds> timeout) override;

private:
    friend class LibpulseStream;
    // Runs the main loop once, the wake descriptor included or not.
    void iterate(std::optional<std::chrono::microseconds> timeout, bool wakeable);

    const StreamIdentity identity_;
    const int wakeDescriptor_;
    pa_mainloop* mainloop_;
    pa_io_event* wakeEvent_ = nullptr;
};

} // namespace tone
