#include "PlaybackThread.h"

#include <pthread.h>

namespace tone {

PlaybackThread::PlaybackThread(std::string outputName, PlaybackTiming timing, Loop loop)
    : requests_(std::make_shared<PlaybackRequests>(std::move(outputName), timing))
{
    thread_ = std::thread([requests = requests_, loop = std::move(loop)] {
        // Shown by top and debuggers; the benchmark finds the thread by this name.
        pthread_setname_np(pthread_self(), "tone playback");
        loop(requests);
    });
}

PlaybackThread::~PlaybackThread()
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

void PlaybackThread::play(std::optional<WaveImage> image)
{
    {
        const std::lock_guard lock(requests_->mutex);
        requests_->image = image;
        ++requests_->generation;
    }
    requests_->changed.notify_all();
    requests_->wakeSignal.raise();
}

std::uint32_t PlaybackThread::packedVolume() const
{
    return requests_->packedVolume.load(std::memory_order_relaxed);
}

void PlaybackThread::setPackedVolume(std::uint32_t packedVolume)
{
    requests_->setPackedVolume(packedVolume);
    // An output that holds much can replace what it holds with frames at the new level.
    requests_->wakeSignal.raise();
}

} // namespace tone
