#pragma once

#include <cstdint>

namespace tone {

// The tone that a run starts with, before anything stored is loaded, and that a load falls back
// to for a value it does not find: A4 at a reference pitch of 440 Hz. The note and octave fields
// and the pitch field start with its texts.
inline constexpr std::int32_t kStartNoteIndex = 10; // A
inline constexpr std::int32_t kStartOctave = 4;
inline constexpr std::int32_t kStartReferencePitch = 440;
// A4 sounds at the reference pitch itself.
inline constexpr long double kStartFrequency = kStartReferencePitch;

} // namespace tone
