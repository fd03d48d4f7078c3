// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "RenderScript.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace Work
{

/** What a performance gives: the stereo output and, when asked for, each loop channel before
    the mixer. */
struct RenderResult
{
    juce::AudioBuffer<float> output;
    std::vector<std::vector<float>> stems;
};

/** Runs a scripted performance through the real engine (the looper and the mixer in MainAudio's
    block order) without a device, in blocks of blockSize samples.

    The engine runs on a clock of one tick per sample, so every command acts at exactly the
    sample the script gives. The first two input channels feed the engine's two inputs (a
    missing channel is silence); the input is followed by silence up to totalSamples. Needs the
    engine runtime and the sample pool started. [message] */
RenderResult renderPerformance (const juce::AudioBuffer<float>& input, const std::vector<ScriptCommand>& script,
                                int blockSize, int totalSamples, bool keepStems);

} // namespace Work
