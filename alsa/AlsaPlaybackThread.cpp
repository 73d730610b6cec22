#include "AlsaPlaybackThread.h"

#include "AlsaPcmOutput.h"
#include "PlaybackLoop.h"

#include <pthread.h>

namespace tone {

AlsaPlaybackThread::AlsaPlaybackThread(const std::string& deviceName)
    : AlsaPlaybackThread(
          deviceName,
          [deviceName](unsigned sampleRate, int& error) -> std::unique_ptr<PcmDevice> {
              return AlsaPcmOutput::Open(deviceName, sampleRate, error);
          },
          PlaybackTiming{})
{
}

AlsaPlaybackThread::AlsaPlaybackThread(std::string deviceName, PcmDeviceOpener open,
                                       PlaybackTiming timing)
    : requests_(std::make_shared<PlaybackRequests>(std::move(deviceName), std::move(open), timing))
{
    thread_ = std::thread([requests = requests_] {
        // Shown by top and debuggers; the benchmark finds the thread by this name.
        pthread_setname_np(pthread_self(), "tone playback");
        PlaybackLoop(requests).run();
    });
}

AlsaPlaybackThread::~AlsaPlaybackThread()
{
    PlaybackRequests& r = *requests_;
    std::unique_lock lock(r.mutex);
    // Withdrawn first: whatever happens to the thread, the caller's image is never read again.
    r.image.reset();
    ++r.generation;
    r.stopping = true;
    r.changed.notify_all();
    r.wakeSignal.raise();
    const bool finished = r.changed.wait_for(lock, kJoinTimeout, [&] { return r.finished; });
    lock.unlock();
    if (finished)
        thread_.join();
    else
        thread_.detach();
}

void AlsaPlaybackThread::play(std::optional<WaveImage> image)
{
    {
        const std::lock_guard lock(requests_->mutex);
        requests_->image = image;
        ++requests_->generation;
    }
    requests_->changed.notify_all();
    requests_->wakeSignal.raise();
}

std::uint32_t AlsaPlaybackThread::packedVolume() const
{
    return requests_->packedVolume.load(std::memory_order_relaxed);
}

void AlsaPlaybackThread::setPackedVolume(std::uint32_t packedVolume)
{
    // Coming up from silence, the thread throws the silence it has queued away at once.
    if (requests_->packedVolume.exchange(packedVolume, std::memory_order_relaxed) == 0 &&
        packedVolume != 0)
        requests_->wakeSignal.raise();
}

} // namespace tone
