#pragma once

#include <string>

namespace probe {

// Plays tones through the ALSA sound service while `source` (the monitor of a sink that runs
// at the tones' 22050 Hz) is recorded, `rounds` times each kind of event: a tone's start,
// unmuting, slider steps down and up, stop, replacement, and the whole start of a new tone
// as the engine makes it (mute, replace, 100 ms, unmute). Prints for each the click measure
// (the largest sample-to-sample step at the sink from the request on, against the largest
// step the tone itself takes at the higher of the two levels; a steady tone reads 1.0) and
// how long the change takes to complete at the sink.
int MeasureClicks(int rounds, const std::string& source);

} // namespace probe
