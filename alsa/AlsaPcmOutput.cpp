#include "AlsaPcmOutput.h"

#include <QtGlobal>

#include <alsa/asoundlib.h>

#include <poll.h>

#include <cerrno>

namespace tone {

namespace {

struct PcmCloser
{
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

struct HwParamsFree
{
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
struct SwParamsFree
{
    void operator()(snd_pcm_sw_params_t* params) const { snd_pcm_sw_params_free(params); }
};

// Sets the access, format, channels and rate exactly, and the buffer and period times as
// near to the requested ones as the device allows. Returns 0 or a negative error code.
int ConfigureHardware(snd_pcm_t* pcm, unsigned sampleRate, snd_pcm_uframes_t& periodFrames,
                      snd_pcm_uframes_t& bufferFrames)
{
    snd_pcm_hw_params_t* raw = nullptr;
    if (int err = snd_pcm_hw_params_malloc(&raw); err < 0)
        return err;
    const std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> params(raw);

    unsigned bufferTime = static_cast<unsigned>(AlsaPcmOutput::kRequestedBufferTime.count());
    unsigned periodTime = static_cast<unsigned>(AlsaPcmOutput::kRequestedPeriodTime.count());
    int err = snd_pcm_hw_params_any(pcm, raw);
    if (err >= 0)
        err = snd_pcm_hw_params_set_access(pcm, raw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0)
        err = snd_pcm_hw_params_set_format(pcm, raw, SND_PCM_FORMAT_S16_LE);
    if (err >= 0)
        err = snd_pcm_hw_params_set_channels(pcm, raw, 2);
    // The image's own rate, exactly: the plug layer behind "default" converts it to whatever
    // the hardware runs at, and a near rate would change the tone's pitch.
    if (err >= 0)
        err = snd_pcm_hw_params_set_rate(pcm, raw, sampleRate, 0);
    if (err >= 0)
        err = snd_pcm_hw_params_set_buffer_time_near(pcm, raw, &bufferTime, nullptr);
    if (err >= 0)
        err = snd_pcm_hw_params_set_period_time_near(pcm, raw, &periodTime, nullptr);
    if (err >= 0)
        err = snd_pcm_hw_params(pcm, raw);
    if (err >= 0)
        err = snd_pcm_hw_params_get_period_size(raw, &periodFrames, nullptr);
    if (err >= 0)
        err = snd_pcm_hw_params_get_buffer_size(raw, &bufferFrames);
    return err;
}

// Starts playback as soon as one period is queued, and wakes the writer whenever a period's
// worth of room is free.
int ConfigureSoftware(snd_pcm_t* pcm, snd_pcm_uframes_t periodFrames)
{
    snd_pcm_sw_params_t* raw = nullptr;
    if (int err = snd_pcm_sw_params_malloc(&raw); err < 0)
        return err;
    const std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree> params(raw);

    int err = snd_pcm_sw_params_current(pcm, raw);
    if (err >= 0)
        err = snd_pcm_sw_params_set_start_threshold(pcm, raw, periodFrames);
    if (err >= 0)
        err = snd_pcm_sw_params_set_avail_min(pcm, raw, periodFrames);
    if (err >= 0)
        err = snd_pcm_sw_params(pcm, raw);
    return err;
}

} // namespace

std::unique_ptr<AlsaPcmOutput> AlsaPcmOutput::Open(const std::string& deviceName,
                                                   unsigned sampleRate, int& error)
{
    // Opened without blocking, so that a device held by another program is reported busy
    // at once instead of stalling the playback thread; writes do not block either, because
    // the playback thread waits in poll() for room and for new requests at the same time.
    snd_pcm_t* raw = nullptr;
    error = snd_pcm_open(&raw, deviceName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0)
        return nullptr;
    PcmHandle pcm(raw);

    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_uframes_t bufferFrames = 0;
    error = ConfigureHardware(raw, sampleRate, periodFrames, bufferFrames);
    if (error >= 0)
        error = ConfigureSoftware(raw, periodFrames);
    if (error >= 0 && periodFrames == 0)
        error = -EINVAL;
    if (error < 0)
        return nullptr;

    // A device may only offer buffers far longer than asked for; it still plays, but a
    // change of tone takes that long to be heard.
    const auto bufferTime = std::chrono::microseconds(bufferFrames * 1'000'000 / sampleRate);
    if (bufferTime > 4 * kRequestedBufferTime) {
        qWarning("Sound output \"%s\" buffers %lld ms: tone changes will lag.", deviceName.c_str(),
                 static_cast<long long>(bufferTime.count() / 1000));
    }
    return std::unique_ptr<AlsaPcmOutput>(
        new AlsaPcmOutput(pcm.release(), sampleRate, periodFrames, bufferFrames));
}

AlsaPcmOutput::~AlsaPcmOutput()
{
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
}

long AlsaPcmOutput::write(std::span<const StereoFrame> frames)
{
    return snd_pcm_writei(pcm_, frames.data(), frames.size());
}

PcmWait AlsaPcmOutput::wait(int wakeDescriptor, std::chrono::milliseconds timeout)
{
    const int count = snd_pcm_poll_descriptors_count(pcm_);
    if (count <= 0)
        return PcmWait::Ready; // the next write reports what is wrong
    // The device's descriptors, then the wake signal's.
    pollDescriptors_.resize(static_cast<std::size_t>(count) + 1);
    const int filled =
        snd_pcm_poll_descriptors(pcm_, pollDescriptors_.data(), static_cast<unsigned>(count));
    if (filled < 0)
        return PcmWait::Ready;
    pollfd& wakeDescriptorEntry = pollDescriptors_.back();
    wakeDescriptorEntry = {wakeDescriptor, POLLIN, 0};

    const int ready =
        poll(pollDescriptors_.data(), pollDescriptors_.size(), static_cast<int>(timeout.count()));
    if (ready == 0)
        return PcmWait::TimedOut;
    if (ready < 0)
        return PcmWait::NotReady; // interrupted by a signal: the caller tries again
    if (wakeDescriptorEntry.revents & POLLIN)
        return PcmWait::Woken;
    // A plugin's descriptor may be a pipe or an eventfd that wakes for other reasons than
    // room in the buffer; only ALSA can tell what the wake-up means.
    unsigned short revents = 0;
    if (snd_pcm_poll_descriptors_revents(pcm_, pollDescriptors_.data(),
                                         static_cast<unsigned>(count), &revents) < 0)
        return PcmWait::Ready;
    return (revents & (POLLOUT | POLLERR | POLLHUP | POLLNVAL)) ? PcmWait::Ready
                                                                : PcmWait::NotReady;
}

int AlsaPcmOutput::prepare()
{
    return snd_pcm_prepare(pcm_);
}

int AlsaPcmOutput::resume()
{
    return snd_pcm_resume(pcm_);
}

PcmDeviceOpener AlsaPcmOpener(const std::string& deviceName)
{
    return [deviceName](unsigned sampleRate, int& error) -> std::unique_ptr<PcmDevice> {
        return AlsaPcmOutput::Open(deviceName, sampleRate, error);
    };
}

} // namespace tone
