#include "SoundOutput.h"

#include "alsa/AlsaPcmOutput.h"
#include "alsa/DesktopStreamName.h"
#include "alsa/PcmDeviceOutput.h"
#include "playback/PlaybackLoop.h"
#include "playback/ThreadedSoundService.h"
#include "pulse/LibpulseServer.h"
#include "pulse/ServerPresence.h"
#include "pulse/StreamOutput.h"

#include <optional>

namespace {

// A local server answers within milliseconds; one that takes longer is stopped or stuck,
// and is played through once it answers.
constexpr std::chrono::milliseconds kServerAnswerTimeout{300};
const std::string kAlsaDevice = "default";

// Plays into the sound server's stream, or into ALSA where no server is there, as found when
// the first output is opened.
tone::PlaybackThread::Loop DesktopLoop(tone::StreamIdentity identity)
{
    return [identity = std::move(identity)](std::shared_ptr<tone::PlaybackRequests> requests) {
        tone::LibpulseServer server(identity, requests->wakeSignal.descriptor());
        const tone::OutputOpener stream = tone::StreamOutputs(server);
        const tone::OutputOpener alsa = tone::PcmDeviceOutputs(
            tone::AlsaPcmOpener(kAlsaDevice), kAlsaDevice, requests->timing.stallTimeout);
        std::optional<bool> throughServer;
        const auto open = [&](unsigned sampleRate, std::string& failure) {
            if (!throughServer)
                throughServer =
                    tone::FindSoundServer(kServerAnswerTimeout) != tone::ServerPresence::Absent;
            return (*throughServer ? stream : alsa)(sampleRate, failure);
        };
        tone::PlaybackLoop(std::move(requests), open).run();
    };
}

class DesktopSoundService final : public tone::ThreadedSoundService
{
public:
    explicit DesktopSoundService(const tone::StreamIdentity& identity)
        : ThreadedSoundService(NamedForDesktop(identity), tone::PlaybackTiming{},
                               DesktopLoop(identity))
    {
    }

private:
    // The environment that ALSA's bridges read is set before the playback thread exists.
    static std::string NamedForDesktop(const tone::StreamIdentity& identity)
    {
        tone::NameSoundStreamForDesktop(identity);
        return kAlsaDevice;
    }
};

} // namespace

std::unique_ptr<tone::SoundService> OpenSoundOutput()
{
    return std::make_unique<DesktopSoundService>(tone::ProgramStreamIdentity());
}
