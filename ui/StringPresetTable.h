#pragma once

#include <QStringView>

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

inline constexpr int kStringButtonCount = 6;

// Instruments are named by their index in the instrument box's list (TForm1.ui): 0 "None",
// which has no strings, 1 "Violin", 2 "Viola", 3 "Cello", 4 "ContraBass", 5 "Guitar" and
// 6 "E.Bass".

// How many string buttons instrument `instrument` shows, from the left; 0 for "None" and for
// an index outside the list.
int StringCount(int instrument);

// The open string `string` (1 = leftmost button) of instrument `instrument`; nothing where
// the instrument has no such string or the index lies outside the list.
std::optional<StringPreset> StringPresetCell(int instrument, int string);

} // namespace ui
