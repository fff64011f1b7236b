#pragma once
// The history's record of one instruction, written by the recorder and read by the replay: a flags
// byte, then, when their flags say so, the simulated time that passed since the previous instruction
// ended (when it differs from the time the previous record gave; a stretch starts with 1 ms, what a
// press or a plain tick adds) and the length a wait was counted down to, each as a zigzag varint.

#include <cstdint>
#include <vector>

namespace qx9::history_records {

constexpr uint8_t kTimerOn = 1;        // the program ran freely (Pause, Nap, Sleep and Debug depend on it)
constexpr uint8_t kArmed = 2;          // StepOverArmed before the instruction
constexpr uint8_t kSnapshot = 4;       // the state before the instruction is the stretch's next snapshot
constexpr uint8_t kTargetCleared = 8;  // the step over's stop was reached before the instruction
constexpr uint8_t kTimeFollows = 16;
constexpr uint8_t kWaitFollows = 32;
constexpr uint8_t kReset = 64;          // the restart pending after the previous instruction was carried out
constexpr int64_t kPlainTimeUs = 1000;  // the time between instructions a stretch starts with

inline void PutVarint(std::vector<uint8_t>& out, int64_t value) {
  uint64_t zigzag = (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
  while (zigzag >= 0x80) {
    out.push_back(static_cast<uint8_t>(zigzag | 0x80));
    zigzag >>= 7;
  }
  out.push_back(static_cast<uint8_t>(zigzag));
}

inline int64_t TakeVarint(const std::vector<uint8_t>& in, size_t& at) {
  uint64_t zigzag = 0;
  for (int shift = 0; at < in.size(); shift += 7) {
    const uint8_t b = in[at++];
    zigzag |= static_cast<uint64_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) break;
  }
  return static_cast<int64_t>(zigzag >> 1) ^ -static_cast<int64_t>(zigzag & 1);
}

// Moves past a varint.
inline void SkipVarint(const std::vector<uint8_t>& in, size_t& at) {
  while (at < in.size() && (in[at] & 0x80)) ++at;
  ++at;
}

}  // namespace qx9::history_records
