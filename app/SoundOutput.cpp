#include "SoundOutput.h"

#include "alsa/AlsaSoundService.h"
#include "pulse/PulseSoundService.h"
#include "ui/ApplicationTitle.h"

namespace {

// A local server answers within milliseconds; one that takes longer is stopped or stuck,
// and start-up does not wait for it.
constexpr std::chrono::milliseconds kServerAnswerTimeout{300};

// The name and icon under which the program's sound shows in the desktop's mixer.
tone::StreamIdentity ProgramStreamIdentity()
{
    return {ui::kApplicationTitle, "parvello"};
}

} // namespace

std::unique_ptr<tone::SoundService> OpenSoundOutput()
{
    if (tone::PulseSoundService::ServerAnswers(kServerAnswerTimeout))
        return std::make_unique<tone::PulseSoundService>(ProgramStreamIdentity());
    return std::make_unique<tone::AlsaSoundService>(ProgramStreamIdentity());
}
