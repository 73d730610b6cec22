#pragma once

#include <cstdint>

namespace tone {

// The tone engine's state for the whole run. The main window owns the single instance;
// the engine's operations are plain routines over it, all called on the user-interface
// thread. The start values are the defaults that loading the settings falls back to.
struct ToneState
{
    // The current note, 1 (C) to 12 (B), and octave, 0 to 7; octave 4 holds the reference A.
    std::int32_t NoteIndex = 10;
    std::int32_t OctaveNumber = 4;
    // Hertz: the frequency of the tone built last (before the first build, the one restored
    // at start-up).
    long double CurrentFrequency = 440.0L;
};

} // namespace tone
