#include "ToneImageBuilder.h"

#include "FastToneSampler.h"
#include "NoteFrequency.h"
#include "ToneSamples.h"
#include "WaveFormat.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <string_view>

namespace tone {

namespace {

// Samples are computed in blocks of this many; the search wastes less than one block.
constexpr std::int32_t kBlockSize = 512;

QByteArray WaveHeader(std::uint32_t riffSize, std::uint32_t dataSize)
{
    QByteArray header;
    header.reserve(wave::kHeaderSize);
    const auto append16 = [&header](std::uint16_t value) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        header.append(bytes, 2);
    };
    const auto append32 = [&header](std::uint32_t value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        header.append(bytes, 4);
    };
    const auto appendId = [&header](std::string_view id) {
        header.append(id.data(), static_cast<qsizetype>(id.size()));
    };
    appendId(wave::kRiffId);
    append32(riffSize);
    appendId(wave::kWaveFormType);
    appendId(wave::kFormatId);
    append32(wave::kFormatChunkSize);
    append16(wave::kFormatPcm);
    append16(wave::kChannels);
    append32(wave::kSampleRate);
    append32(wave::kSampleRate * wave::kChannels * wave::kBitsPerSample / 8);
    append16(wave::kChannels * wave::kBitsPerSample / 8);
    append16(wave::kBitsPerSample);
    appendId(wave::kDataId);
    append32(dataSize);
    return header;
}

void WriteUint32At(ToneBuffer& buffer, qint64 offset, std::uint32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    buffer.seek(offset);
    buffer.write(bytes, 4);
}

// A sample where the wave passes upward through the middle level.
bool IsUpwardMiddlePass(std::uint8_t sample, std::uint8_t previous)
{
    return sample >= 126 && sample <= 129 && sample > previous;
}

// Writes samples 0, 1, ... up to and including the one that ends the loop-end search, and
// returns its index.
template <typename Sampler>
std::int32_t WriteSamplesThroughLoopEnd(const Sampler& sampler, ToneBuffer& buffer)
{
    std::array<std::uint8_t, kBlockSize> block{};
    std::uint8_t previous = 0;
    for (std::int32_t first = 0;; first += kBlockSize) {
        const std::int32_t count = std::min(kBlockSize, kLastSearchedSample + 1 - first);
        sampler.fill(first, std::span(block).first(static_cast<std::size_t>(count)));
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int32_t index = first + k;
            const std::uint8_t sample = block[static_cast<std::size_t>(k)];
            if (index >= kMinimumSampleCount &&
                (IsUpwardMiddlePass(sample, previous) || index == kLastSearchedSample)) {
                buffer.write(reinterpret_cast<const char*>(block.data()), k + 1);
                return index;
            }
            previous = sample;
        }
        buffer.write(reinterpret_cast<const char*>(block.data()), count);
    }
}

} // namespace

std::int32_t WriteToneImage(long double frequency, ToneBuffer& buffer, SampleEvaluation evaluation)
{
    // The sizes are placeholders (no RIFF size yet, two seconds of data) until the loop end
    // is known.
    buffer.write(WaveHeader(0, kMinimumSampleCount));
    const std::int32_t sampleCount =
        evaluation == SampleEvaluation::Fast
            ? WriteSamplesThroughLoopEnd(FastToneSampler(frequency), buffer)
            : WriteSamplesThroughLoopEnd(ReferenceToneSampler(frequency), buffer);

    // The sample that ends the search (its index is the sample count) starts the next pass
    // of the loop, so it is not part of the data; a zero byte takes its place after the data
    // chunk.
    buffer.seek(buffer.pos() - 1);
    buffer.putChar('\0');

    // The RIFF size counts everything after the RIFF chunk's own header.
    WriteUint32At(buffer, wave::kRiffSizeOffset,
                  static_cast<std::uint32_t>(buffer.size() - wave::kChunkHeaderSize));
    WriteUint32At(buffer, wave::kDataSizeOffset, static_cast<std::uint32_t>(sampleCount));
    buffer.seek(0);
    return sampleCount;
}

void BuildToneImage(ToneState& state, std::int32_t pitch, ToneBuffer& buffer)
{
    state.CurrentFrequency = NoteFrequency(pitch, state.NoteIndex, state.OctaveNumber);
    WriteToneImage(state.CurrentFrequency, buffer);
}

} // namespace tone
