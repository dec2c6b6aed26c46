#pragma once

#include "measure/measuredata.h"

namespace eqset {

// Below this average the microphone heard the room, not the test signal: a
// muted processor, an amplifier turned down or a microphone unplugged leaves
// the projector fans and the air conditioning, some 25 dB.
constexpr float kQuietestHeardDb = 40;

// Whether a measured curve carries the test signal: its average over the
// bands the compensation levels against (160 Hz .. 1.6 kHz, or the
// subwoofer's own 20 .. 200 Hz, where its low-passed noise plays) reaches
// kQuietestHeardDb. A flat curve is no reason to refuse: a well-tuned room
// measures flat.
bool testSignalHeard(const CurveRow& measured, bool subwoofer);

// What an automatic run says when it is asked for while "全部静音" is ticked,
// and when a sweep came back without the test signal in it.
extern const char* const kMutedRefusal;
extern const char* const kNotHeardAdvice;

}  // namespace eqset
