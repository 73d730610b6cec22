#pragma once

#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace ui {

// One open string of an instrument: the note name that is also its button's caption, and
// the note and octave that the button tunes to (octave 4 holds the reference A).
struct StringPreset
{
    QStringView noteName;
    std::int32_t noteIndex;
    std::int32_t octave;
};

// The instruments of the instrument box, in list order; index 0 "None" has no strings.
inline constexpr std::array<QStringView, 7> kInstrumentNames{
    u"None", u"Violin", u"Viola", u"Cello", u"ContraBass", u"Guitar", u"E.Bass"};

inline constexpr int kStringButtonCount = 6;

// How many string buttons instrument `instrument` (a list index) shows, from the left; 0 for
// "None" and for an index outside the list.
int StringCount(int instrument);

// The open string `string` (1 = leftmost button) of instrument `instrument`; nothing where
// the instrument has no such string or the index lies outside the list.
std::optional<StringPreset> StringPresetCell(int instrument, int string);

} // namespace ui
