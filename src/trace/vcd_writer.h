#pragma once
// The recorded signals as a Value Change Dump, the text format logic analyzers and waveform viewers
// read: time in microseconds of simulated time, one scope `qx9` with the wires pin0..pin7 and
// dir0..dir7, the 16-bit vectors port and W0..W6, and the integer tone_hz (0 while silent).

#include <string>

#include "core/signal_recorder.h"

namespace qx9::trace {

// The whole dump: the values at the oldest kept point, then each change at its simulated time, and a
// last time stamp at the end of the recording.
std::string VcdText(const SignalRecorder& recorder);

// Writes VcdText to a file, complete or not at all; false with a message to show.
bool WriteVcd(const SignalRecorder& recorder, const std::string& path, std::string& error);

}  // namespace qx9::trace
