#pragma once

#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace tone {

// One row of the note table: the name written into the note field, the full-width form that
// is accepted as well, and the distance from the A of the same octave.
struct NoteNameEntry
{
    std::int32_t noteIndex;
    QStringView name;
    QStringView fullWidthName;
    int semitonesFromA;
};

// The twelve notes of an octave, sharps only, NoteIndex 1 (C) to 12 (B).
inline constexpr std::array<NoteNameEntry, 12> NoteNameTable{{
    {1, u"C", u"Ｃ", -9},
    {2, u"C#", u"Ｃ＃", -8},
    {3, u"D", u"Ｄ", -7},
    {4, u"D#", u"Ｄ＃", -6},
    {5, u"E", u"Ｅ", -5},
    {6, u"F", u"Ｆ", -4},
    {7, u"F#", u"Ｆ＃", -3},
    {8, u"G", u"Ｇ", -2},
    {9, u"G#", u"Ｇ＃", -1},
    {10, u"A", u"Ａ", 0},
    {11, u"A#", u"Ａ＃", 1},
    {12, u"B", u"Ｂ", 2},
}};

inline constexpr std::int32_t kFirstNoteIndex = 1;
inline constexpr std::int32_t kLastNoteIndex = 12;
inline constexpr std::int32_t kFirstOctave = 0;
inline constexpr std::int32_t kLastOctave = 7;

// The name of a note as the program writes it into the note field ("C" ... "B"); an empty
// view for an index outside 1..12.
QStringView NoteName(std::int32_t noteIndex);

// The note index 1..12 that a note field text names: "C" to "B" with ASCII or full-width
// letters and sharps of the same width, in either case. The whole text must match; nothing
// is trimmed.
std::optional<std::int32_t> ParseNoteName(QStringView text);

// The octave 0..7 that an octave field text names: a single ASCII or full-width digit.
std::optional<std::int32_t> ParseOctaveText(QStringView text);

} // namespace tone
