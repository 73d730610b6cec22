#include "PcmWriter.h"

#include <cerrno>

namespace tone {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long to wait before asking a suspended device again whether it is back.
constexpr milliseconds kResumeRetryPause{50};
// After wake-ups that brought no room, the next wait starts this much later, so that a
// device whose descriptor keeps waking without room cannot make the thread spin.
constexpr milliseconds kFruitlessWakePause{5};

} // namespace

PcmWriteResult WriteFrames(PcmDevice& device, std::span<const StereoFrame> frames, WakeSignal& wake,
                           milliseconds stallTimeout)
{
    PcmWriteResult result;
    Clock::time_point lastProgress = Clock::now();
    int fruitlessWakes = 0;
    // Waits on the wake signal alone; true (with the signal cleared) when it was raised.
    const auto pauseUnlessWoken = [&](milliseconds pause) {
        if (!wake.waitFor(pause))
            return false;
        wake.clear();
        return true;
    };

    while (result.framesWritten < frames.size()) {
        const long written = device.write(frames.subspan(result.framesWritten));
        if (written > 0) {
            result.framesWritten += static_cast<std::size_t>(written);
            lastProgress = Clock::now();
            fruitlessWakes = 0;
            continue;
        }
        const auto stalledFor = Clock::now() - lastProgress;
        if (stalledFor >= stallTimeout) {
            result.error = -ETIMEDOUT;
            return result;
        }
        const auto stallLeft =
            std::chrono::ceil<milliseconds>(stallTimeout - stalledFor) + milliseconds(1);

        if (written == 0 || written == -EAGAIN) {
            if (fruitlessWakes >= 2 && pauseUnlessWoken(kFruitlessWakePause))
                return result;
            switch (device.wait(wake.descriptor(), stallLeft)) {
            case PcmWait::Woken:
                wake.clear();
                return result;
            case PcmWait::Ready:
            case PcmWait::NotReady:
                ++fruitlessWakes;
                break;
            case PcmWait::TimedOut:
                break;
            }
        } else if (written == -EPIPE) {
            if (const int err = device.prepare(); err < 0) {
                result.error = err;
                return result;
            }
        } else if (written == -ESTRPIPE) {
            int err = device.resume();
            if (err == -EAGAIN) {
                // Still asleep: ask again after a pause, within the stall timeout.
                if (pauseUnlessWoken(kResumeRetryPause))
                    return result;
                continue;
            }
            // A device that cannot resume is started afresh.
            if (err < 0)
                err = device.prepare();
            if (err < 0) {
                result.error = err;
                return result;
            }
        } else if (written != -EINTR) {
            result.error = static_cast<int>(written);
            return result;
        }
    }
    return result;
}

} // namespace tone
