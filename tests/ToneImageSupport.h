#pragma once

#include "tone/ToneBuffer.h"
#include "tone/ToneImageBuilder.h"
#include "tone/ToneState.h"

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

// Builds the image of a note as the playback does, into a fresh buffer.
struct BuiltImage
{
    QByteArray bytes;
    long double frequency = 0;
    qint64 positionAfterBuild = -1;

    std::uint32_t riffSize() const { return field32(4); }
    std::uint32_t dataSize() const { return field32(40); }
    std::uint8_t sample(qsizetype index) const
    {
        return static_cast<std::uint8_t>(bytes.at(44 + index));
    }
    std::uint32_t field32(qsizetype offset) const
    {
        return qFromLittleEndian<std::uint32_t>(bytes.constData() + offset);
    }
    std::uint16_t field16(qsizetype offset) const
    {
        return qFromLittleEndian<std::uint16_t>(bytes.constData() + offset);
    }
};

inline BuiltImage BuildImage(std::int32_t pitch, std::int32_t note, std::int32_t octave)
{
    tone::ToneState state;
    state.NoteIndex = note;
    state.OctaveNumber = octave;
    const auto buffer = tone::CreateToneBuffer();
    tone::BuildToneImage(state, pitch, *buffer);
    return {buffer->data(), state.CurrentFrequency, buffer->pos()};
}
