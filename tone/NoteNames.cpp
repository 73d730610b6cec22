#include "NoteNames.h"

#include <QString>

namespace tone {

namespace {

// Full-width digits zero to seven.
constexpr std::array<QStringView, 8> kFullWidthDigits{u"０", u"１", u"２", u"３",
                                                      u"４", u"５", u"６", u"７"};
constexpr std::array<QStringView, 8> kAsciiDigits{u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7"};

} // namespace

QStringView NoteName(std::int32_t noteIndex)
{
    if (noteIndex < kFirstNoteIndex || noteIndex > kLastNoteIndex)
        return {};
    return NoteNameTable[static_cast<std::size_t>(noteIndex - kFirstNoteIndex)].name;
}

std::optional<std::int32_t> ParseNoteName(QStringView text)
{
    // Unicode upper-casing also turns full-width small letters into full-width capitals.
    const QString upper = text.toString().toUpper();
    for (const NoteNameEntry& entry : NoteNameTable) {
        if (upper == entry.name || upper == entry.fullWidthName)
            return entry.noteIndex;
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseOctaveText(QStringView text)
{
    // ASCII digits are compared with the text as typed, full-width digits with the upper-cased
    // text, the same upper-casing as for note names. Digits have no case, so both comparisons
    // are exact.
    const QString upper = text.toString().toUpper();
    for (std::int32_t octave = kFirstOctave; octave <= kLastOctave; ++octave) {
        const auto slot = static_cast<std::size_t>(octave);
        if (text == kAsciiDigits[slot] || upper == kFullWidthDigits[slot])
            return octave;
    }
    return std::nullopt;
}

} // namespace tone
