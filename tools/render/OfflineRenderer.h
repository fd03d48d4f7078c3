// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "RenderScript.h"
#include "engine/LooperView.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>
#include <vector>

namespace Work
{

class MainAudio;

/** What a performance gives: the stereo output and, when asked for, each loop channel before
    the mixer. */
struct RenderResult
{
    juce::AudioBuffer<float> output;
    std::vector<std::vector<float>> stems;
    juce::String error; // why the render stopped early, if it did
};

/** How a performance is run: the blocks, and what a device would report to the engine. */
struct RenderSettings
{
    int blockSize = 256;
    int totalSamples = 0;
    double sampleRate = 48000.0;
    int inputLatency = 0, outputLatency = 0; // samples, as a device reports them
    int latencyOffsetMs = 0;
    int cursors = 1; // record cursors: 1 or 2
    bool keepStems = false;

    /** Called with the engine before the first block and after the last (to start from a session,
        to save one); a message in the answer ends the render there, reported in the result. */
    std::function<juce::String (MainAudio&engine)> atStart, atEnd;

    /** Called after every block with the block's first sample and the looper's status of it. */
    std::function<void (std::int64_t sample, const LooperState& status)> onStatus;
};

/** Runs a scripted performance through the real engine (the looper and the mixer in MainAudio's
    block order) without a device, in blocks of settings.blockSize samples.

    A command's sample is the frame of a press that came in with the block, as MIDI does on the
    JACK device: it acts on that very sample of the input, plus the input latency (a device's
    input delivers a moment's audio that much after a press at that moment) less the latency
    offset. The first two input channels feed the engine's two inputs (a missing channel is
    silence); the input is followed by silence up to totalSamples. Needs the engine runtime and
    the sample pool started. [message] */
RenderResult renderPerformance (const juce::AudioBuffer<float>& input, const std::vector<ScriptCommand>& script,
                                const RenderSettings& settings);

} // namespace Work
