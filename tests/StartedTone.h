#pragma once

#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"
#include "tone/WaveFormat.h"

#include <QByteArray>

#include <iomanip>
#include <optional>
#include <ostream>
#include <vector>

// A tone as the sound service meets it: the image it is handed to loop. Tones compare by
// their images; one built here for a frequency is named by it in a failure's message.
struct StartedTone
{
    QByteArray image;
    std::optional<long double> builtFor;

    bool operator==(const StartedTone& other) const { return image == other.image; }
};

inline std::ostream& operator<<(std::ostream& os, const StartedTone& tone)
{
    if (tone.builtFor)
        return os << "the tone of " << std::setprecision(15) << static_cast<double>(*tone.builtFor)
                  << " Hz";
    // Upward passes through the middle level per second of the data chunk.
    const auto* data =
        reinterpret_cast<const std::uint8_t*>(tone.image.constData()) + tone::wave::kHeaderSize;
    const qsizetype samples = tone.image.size() - qsizetype{tone::wave::kHeaderSize} - 1;
    int passes = 0;
    for (qsizetype i = 1; i < samples; ++i)
        passes += data[i - 1] < tone::wave::kMiddleLevel && data[i] >= tone::wave::kMiddleLevel;
    const double seconds = static_cast<double>(samples) / tone::wave::kSampleRate;
    return os << "a tone of about " << std::setprecision(4) << (samples > 0 ? passes / seconds : 0)
              << " Hz";
}

// The tone that the engine builds for a frequency.
inline StartedTone ToneAt(long double frequency)
{
    const auto buffer = tone::CreateToneBuffer();
    tone::WriteToneImage(frequency, *buffer);
    return {buffer->data(), frequency};
}

inline std::vector<StartedTone> TonesAt(const std::vector<long double>& frequencies)
{
    std::vector<StartedTone> tones;
    for (const long double frequency : frequencies)
        tones.push_back(ToneAt(frequency));
    return tones;
}
