#pragma once

#include <QStringView>

#include <cstdint>

// Where the program keeps what it remembers between runs: two sections of named text values,
// and what a load gives for a missing position or instrument. A missing size or tone value
// leaves the window and the tone state as they start.
namespace settings {

// The main window's outer bounds, in screen pixels.
inline constexpr QStringView kLocateSection = u"Locate";
inline constexpr QStringView kTopName = u"Top";
inline constexpr QStringView kLeftName = u"Left";
inline constexpr QStringView kWidthName = u"Width";
inline constexpr QStringView kHeightName = u"Height";
inline constexpr std::int32_t kDefaultTop = 20;
inline constexpr std::int32_t kDefaultLeft = 20;

// The last tone and the controls that chose it.
inline constexpr QStringView kSettingSection = u"Setting";
inline constexpr QStringView kPreviousFrequencyName = u"F_Sound_Old";
inline constexpr QStringView kCurrentFrequencyName = u"F_Sound";
inline constexpr QStringView kOctaveTextName = u"OctText";
inline constexpr QStringView kNoteTextName = u"ToneText";
inline constexpr QStringView kVolumeName = u"Volume";
inline constexpr QStringView kNoteIndexName = u"Keyupdown";
inline constexpr QStringView kOctaveName = u"Octave";
inline constexpr QStringView kInstrumentName = u"Items";
inline constexpr QStringView kPitchName = u"Pitch";
// "None". The box itself selects no entry until the stored one is restored.
inline constexpr std::int32_t kDefaultInstrument = 0;

} // namespace settings
