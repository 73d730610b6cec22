#pragma once

#include "StartTone.h"
#include "ToneBuffer.h"

#include <cstdint>
#include <memory>

namespace tone {

// The tone engine's state for the whole run. The main window owns the single instance;
// the engine's operations are plain routines over it, all called on the user-interface
// thread. Where a field is loaded from the settings at start-up, its start value is the
// default that loading falls back to.
struct ToneState
{
    // The current note, 1 (C) to 12 (B), and octave, 0 to 7; octave 4 holds the reference A.
    std::int32_t NoteIndex = kStartNoteIndex;
    std::int32_t OctaveNumber = kStartOctave;
    // The packed volume that the slider set last (left level in the low 16 bits, right level
    // in the high 16 bits), held signed: a right level of 32768 or more reads as negative.
    // The start value, 200, is no volume the slider sets: it stands for slider position
    // 65335, close to silent.
    std::int32_t OutputVolume = 200;
    // The output volume found at start-up, handed back at exit; never negative.
    std::int32_t SavedSystemVolume = 0;
    // Hertz: the argument of the last tone start, and the frequency of the tone built last
    // (before the first build, the one restored at start-up).
    long double PreviousFrequency = kStartFrequency;
    long double CurrentFrequency = kStartFrequency;
    // Loudness compensation by frequency band, and handing the volume back on any close. Off
    // until the window's start-up sets them as their menu items are marked.
    bool EqualizeEnabled = false;
    bool KeepVolumeEnabled = false;
    // While set, the next change of the octave field starts no tone.
    bool SuppressOctaveSound = false;
    // The slider position, 0 (loudest) to 65535 (silent), after loudness compensation, that
    // the last tone start used.
    std::int32_t EffectiveVolumePosition = 0;
    // Which buffer was handed to the sound service last: 0 none yet, 1 A, 2 B.
    std::int32_t PlaybackSlot = 0;
    // The two tone images. The one handed over last may still be playing, so it stays
    // allocated and unchanged until the next tone start has replaced it.
    std::unique_ptr<ToneBuffer> ToneBufferA;
    std::unique_ptr<ToneBuffer> ToneBufferB;
};

} // namespace tone
