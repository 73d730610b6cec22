#include "LibpulseServer.h"

#include <pulse/context.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <pulse/timeval.h>

#include <poll.h>
#include <sys/time.h>

#include <thread>

namespace tone {

namespace {

using Clock = std::chrono::steady_clock;

struct ProplistFree
{
    void operator()(pa_proplist* list) const { pa_proplist_free(list); }
};
using Proplist = std::unique_ptr<pa_proplist, ProplistFree>;

// The name, icon and role under which the stream shows in the desktop's mixer.
Proplist ProgramProperties(const StreamIdentity& identity)
{
    Proplist list(pa_proplist_new());
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_NAME, identity.applicationName.c_str());
    pa_proplist_sets(list.get(), PA_PROP_APPLICATION_ICON_NAME, identity.iconName.c_str());
    pa_proplist_sets(list.get(), PA_PROP_MEDIA_ROLE, identity.role.c_str());
    return list;
}

int Microseconds(std::optional<std::chrono::microseconds> timeout)
{
    return timeout ? static_cast<int>(std::max<std::chrono::microseconds::rep>(timeout->count(), 0))
                   : -1;
}

} // namespace

// A context and, once it is ready, its one playback stream.
class LibpulseStream final : public ServerStream
{
public:
    LibpulseStream(LibpulseServer& server, const StreamRequest& request)
        : server_(server), request_(request)
    {
    }

    ~LibpulseStream() override
    {
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
    }

    // Starts connecting; libpulse's error code when that fails at once, else 0.
    int start()
    {
        const Proplist properties = ProgramProperties(server_.identity_);
        context_ = pa_context_new_with_proplist(pa_mainloop_get_api(server_.mainloop_), nullptr,
                                                properties.get());
        if (!context_)
            return PA_ERR_INTERNAL;
        pa_context_set_state_callback(context_, OnContextState, this);
        // Without starting a server of its own: one that does not answer is tried again later.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return pa_context_errno(context_);
        return 0;
    }

    State state() const override
    {
        if (streamError_ != 0 || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
            return State::Failed;
        if (!stream_)
            return State::Connecting;
        const pa_stream_state_t stream = pa_stream_get_state(stream_);
        if (!PA_STREAM_IS_GOOD(stream))
            return State::Failed;
        return stream == PA_STREAM_READY ? State::Ready : State::Connecting;
    }

    int error() const override
    {
        return streamError_ != 0 ? streamError_ : pa_context_errno(context_);
    }

    std::size_t bufferFrames() const override
    {
        const pa_buffer_attr* granted = stream_ ? pa_stream_get_buffer_attr(stream_) : nullptr;
        return granted ? granted->tlength / sizeof(StereoFrame) : 0;
    }

    std::size_t writableFrames() const override
    {
        const std::size_t bytes = stream_ ? pa_stream_writable_size(stream_) : 0;
        return bytes == static_cast<std::size_t>(-1) ? 0 : bytes / sizeof(StereoFrame);
    }

    bool write(std::span<const StereoFrame> frames, std::size_t replacing) override
    {
        // A seek relative to the last frames written, which libpulse counts against what the
        // server has asked for as the server does (unlike an absolute one).
        const auto offset = -static_cast<std::int64_t>(replacing * sizeof(StereoFrame));
        return stream_ && pa_stream_write(stream_, frames.data(), frames.size_bytes(), nullptr,
                                          offset, PA_SEEK_RELATIVE) >= 0;
    }

    std::optional<Position> position(std::chrono::milliseconds timeout) override
    {
        if (state() != State::Ready)
            return std::nullopt;
        bool answered = false;
        pa_operation* asked = pa_stream_update_timing_info(stream_, OnTiming, &answered);
        if (!asked)
            return std::nullopt;
        const Clock::time_point deadline = Clock::now() + timeout;
        while (!answered && state() == State::Ready && Clock::now() < deadline)
            server_.iterate(std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now()),
                            false);
        if (!answered)
            pa_operation_cancel(asked);
        pa_operation_unref(asked);
        const pa_timing_info* timing = answered ? pa_stream_get_timing_info(stream_) : nullptr;
        if (!timing || timing->read_index_corrupt)
            return std::nullopt;
        // The server's timestamp is on the system clock; its age dates it on the steady one.
        timeval now{};
        gettimeofday(&now, nullptr);
        const auto age = std::chrono::microseconds(pa_timeval_diff(&now, &timing->timestamp));
        return Position{timing->read_index / static_cast<std::int64_t>(sizeof(StereoFrame)),
                        Clock::now() - age, timing->playing != 0,
                        std::chrono::microseconds(timing->sink_usec)};
    }

private:
    void openStream()
    {
        const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, request_.sampleRate, 2};
        const Proplist properties = ProgramProperties(server_.identity_);
        stream_ = pa_stream_new_with_proplist(context_, "Tuning tone", &sampleFormat, nullptr,
                                              properties.get());
        if (!stream_) {
            streamError_ = pa_context_errno(context_);
            return;
        }
        constexpr auto kServerDefault = static_cast<std::uint32_t>(-1);
        const auto bytes = [&](std::chrono::microseconds time) {
            return static_cast<std::uint32_t>(pa_usec_to_bytes(time.count(), &sampleFormat));
        };
        const pa_buffer_attr buffer{kServerDefault, bytes(request_.targetLength), kServerDefault,
                                    bytes(request_.request), kServerDefault};
        if (pa_stream_connect_playback(stream_, nullptr, &buffer, PA_STREAM_NOFLAGS, nullptr,
                                       nullptr) < 0)
            streamError_ = pa_context_errno(context_);
    }

    static void OnContextState(pa_context* context, void* self)
    {
        auto* stream = static_cast<LibpulseStream*>(self);
        if (pa_context_get_state(context) == PA_CONTEXT_READY && !stream->stream_)
            stream->openStream();
    }

    static void OnTiming(pa_stream*, int success, void* answered)
    {
        *static_cast<bool*>(answered) = success != 0;
    }

    LibpulseServer& server_;
    const StreamRequest request_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    int streamError_ = 0;
};

LibpulseServer::LibpulseServer(StreamIdentity identity, int wakeDescriptor)
    : identity_(std::move(identity)), wakeDescriptor_(wakeDescriptor), mainloop_(pa_mainloop_new())
{
    if (mainloop_ && wakeDescriptor_ >= 0) {
        pa_mainloop_api* api = pa_mainloop_get_api(mainloop_);
        // Nothing to do when it fires: the wait ends, and the caller looks at its requests.
        wakeEvent_ = api->io_new(
            api, wakeDescriptor_, PA_IO_EVENT_INPUT,
            [](pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void*) {}, nullptr);
    }
}

LibpulseServer::~LibpulseServer()
{
    if (!mainloop_)
        return;
    if (wakeEvent_)
        pa_mainloop_get_api(mainloop_)->io_free(wakeEvent_);
    pa_mainloop_free(mainloop_);
}

std::unique_ptr<ServerStream> LibpulseServer::connect(const StreamRequest& request, int& error)
{
    if (!mainloop_) {
        error = PA_ERR_INTERNAL;
        return nullptr;
    }
    auto stream = std::make_unique<LibpulseStream>(*this, request);
    error = stream->start();
    return error == 0 ? std::move(stream) : nullptr;
}

void LibpulseServer::run(std::optional<std::chrono::microseconds> timeout)
{
    iterate(timeout, true);
}

void LibpulseServer::iterate(std::optional<std::chrono::microseconds> timeout, bool wakeable)
{
    if (!mainloop_) {
        // No main loop could be made, so no stream either: only the wake descriptor is waited for.
        pollfd wake{wakeDescriptor_, POLLIN, 0};
        poll(&wake, wakeable && wakeDescriptor_ >= 0 ? 1 : 0, Microseconds(timeout) / 1000);
        return;
    }
    pa_mainloop_api* api = pa_mainloop_get_api(mainloop_);
    if (wakeEvent_ && !wakeable)
        api->io_enable(wakeEvent_, PA_IO_EVENT_NULL);
    if (pa_mainloop_prepare(mainloop_, Microseconds(timeout)) < 0 ||
        pa_mainloop_poll(mainloop_) < 0 || pa_mainloop_dispatch(mainloop_) < 0) {
        // The loop was quit or its poll failed: this iteration's wait is made up for, so
        // that a caller that runs it again does not spin.
        std::this_thread::sleep_for(timeout ? std::min(*timeout, std::chrono::microseconds(10'000))
                                            : std::chrono::microseconds(10'000));
    }
    if (wakeEvent_ && !wakeable)
        api->io_enable(wakeEvent_, PA_IO_EVENT_INPUT);
}

} // namespace tone
