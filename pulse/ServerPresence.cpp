#include "ServerPresence.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <memory>

namespace tone {

ServerPresence FindSoundServer(std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto freeLoop = [](pa_mainloop* loop) { pa_mainloop_free(loop); };
    const std::unique_ptr<pa_mainloop, decltype(freeLoop)> loop(pa_mainloop_new(), freeLoop);
    if (!loop)
        return ServerPresence::Absent;
    const auto closeContext = [](pa_context* context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    };
    const std::unique_ptr<pa_context, decltype(closeContext)> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), nullptr), closeContext);
    if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return ServerPresence::Absent;
    const Clock::time_point deadline = Clock::now() + timeout;
    while (true) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (state == PA_CONTEXT_READY)
            return ServerPresence::Answers;
        if (!PA_CONTEXT_IS_GOOD(state))
            return ServerPresence::Absent;
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return ServerPresence::Silent;
        if (pa_mainloop_prepare(loop.get(), static_cast<int>(left.count())) < 0 ||
            pa_mainloop_poll(loop.get()) < 0 || pa_mainloop_dispatch(loop.get()) < 0)
            return ServerPresence::Silent;
    }
}

} // namespace tone
