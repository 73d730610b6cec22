#pragma once

#include "tone/NoteFrequency.h"
#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"

#include <QtEndian>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

// Byte-level construction of RIFF/WAVE images for tests: every image lives in a vector of
// exactly its own size, so that AddressSanitizer catches any read past its end.
using Bytes = std::vector<std::uint8_t>;

inline std::span<const std::uint8_t> AsSpan(const Bytes& bytes)
{
    return {bytes.data(), bytes.size()};
}

inline void Append(Bytes& bytes, std::string_view id)
{
    bytes.insert(bytes.end(), id.begin(), id.end());
}
inline void Append16(Bytes& bytes, std::uint16_t value)
{
    bytes.resize(bytes.size() + 2);
    qToLittleEndian(value, bytes.data() + bytes.size() - 2);
}
inline void Append32(Bytes& bytes, std::uint32_t value)
{
    bytes.resize(bytes.size() + 4);
    qToLittleEndian(value, bytes.data() + bytes.size() - 4);
}
inline std::uint32_t Read32(const Bytes& bytes, std::size_t offset)
{
    return qFromLittleEndian<std::uint32_t>(bytes.data() + offset);
}
inline void Write32(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    qToLittleEndian(value, bytes.data() + offset);
}
inline void Write16(Bytes& bytes, std::size_t offset, std::uint16_t value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

// A chunk: id, size, body, and the pad byte that follows a body of odd length.
inline Bytes Chunk(std::string_view id, const Bytes& body)
{
    Bytes chunk;
    Append(chunk, id);
    Append32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        chunk.push_back(0);
    return chunk;
}

// The body of a PCM format chunk, its block and byte rates derived from the rest.
inline Bytes PcmFormat(std::uint16_t channels, std::uint32_t sampleRate,
                       std::uint16_t bitsPerSample)
{
    const auto blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    Bytes body;
    Append16(body, 1);
    Append16(body, channels);
    Append32(body, sampleRate);
    Append32(body, sampleRate * blockAlign);
    Append16(body, blockAlign);
    Append16(body, bitsPerSample);
    return body;
}

// "RIFF", its size, "WAVE" and the chunks; the RIFF size covers exactly what follows it.
inline Bytes Riff(std::initializer_list<Bytes> chunks)
{
    Bytes image;
    Append(image, "RIFF");
    Append32(image, 0);
    Append(image, "WAVE");
    for (const Bytes& chunk : chunks)
        image.insert(image.end(), chunk.begin(), chunk.end());
    Write32(image, 4, static_cast<std::uint32_t>(image.size() - 8));
    return image;
}

// The tone image that the program itself builds for `frequency`.
inline Bytes ProjectToneImage(long double frequency)
{
    const auto buffer = tone::CreateToneBuffer();
    tone::WriteToneImage(frequency, *buffer);
    const QByteArray& data = buffer->data();
    return Bytes(data.begin(), data.end());
}

// A4 at 440 Hz: its image's data chunk has an even length, 44100 samples.
inline Bytes EvenLengthToneImage()
{
    return ProjectToneImage(tone::NoteFrequency(440, 10, 4));
}
// Middle C at A4 = 440 Hz: 44163 samples, so the trailing zero byte is the RIFF pad byte.
inline Bytes OddLengthToneImage()
{
    return ProjectToneImage(tone::NoteFrequency(440, 1, 4));
}
