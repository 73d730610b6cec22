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

// Instruments are named as the instrument box lists them (TForm1.ui, which also gives their
// order): "Violin", "Viola", "Cello", "ContraBass", "Guitar" and "E.Bass". Any other name,
// "None" among them, has no strings.

// How many string buttons the instrument shows, from the left.
int StringCount(QStringView instrument);

// The open string `string` (1 = leftmost button) of the instrument; nothing where the
// instrument has no such string.
std::optional<StringPreset> StringPresetCell(QStringView instrument, int string);

} // namespace ui
