// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OfflineRenderer.h"
#include "engine/MemorySystem.h"
#include "mixer/GainTables.h"
#include "support/EngineEnvironment.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace Work;

namespace
{
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new Testing::EngineEnvironment());

/** Input 0: a value that tells its own sample position; input 1 silent. */
juce::AudioBuffer<float> countingInput (int samples)
{
    juce::AudioBuffer<float> input (2, samples);
    input.clear();
    for (int i = 0; i < samples; ++i)
        input.setSample (0, i, float (i % 50000 + 1) / 50000.0f);
    return input;
}
} // namespace

TEST (OfflineRender, AScriptedLoopRepeatsIsMutedAndStops)
{
    juce::ScopedJuceInitialiser_GUI juce;
    const auto script = parseRenderScript ("1000 punch 0 1 0\n"
                                           // The loop ends at the press: 12180 samples, a multiple of 12.
                                           "13180 punch 0 1 0\n"
                                           "40000 mute 0 1\n"
                                           "50000 mute 0 0\n"
                                           "70000 startstop\n");
    ASSERT_TRUE (script.error.empty()) << script.error;

    for (int blockSize : { 64, 500 })
    {
        SCOPED_TRACE (blockSize);
        const auto input = countingInput (20000); // silence after the loop is recorded
        RenderSettings settings;
        settings.blockSize = blockSize;
        settings.totalSamples = 80000;
        settings.keepStems = true;
        const auto result = renderPerformance (input, script.commands, settings);
        const auto* left = result.output.getReadPointer (0);
        ASSERT_EQ (result.output.getNumSamples(), 80000);
        ASSERT_EQ (result.stems.size(), 8u);

        const int length = 12180;
        const auto pan = GainTables().panLeft (64);
        // The loop comes round every `length` samples, long after the input fell silent.
        for (int t = 21000; t + length < 40000; t += 313)
            ASSERT_EQ (left[t], left[t + length]) << t;
        // The cycle starts at the press; its sample 100 is input sample 1100, panned to the centre.
        EXPECT_FLOAT_EQ (left[13180 + 100], float (1101) / 50000.0f * pan);

        for (int t = 40064 + 500; t < 50000; t += 97)
            ASSERT_EQ (left[t], 0.0f) << "muted at " << t;
        EXPECT_NE (left[55001], 0.0f) << "unmuted again";

        for (int t = 70500 + 500; t < 80000; t += 97)
            ASSERT_EQ (left[t], 0.0f) << "stopped at " << t;
        EXPECT_LT (std::abs (left[70000 + blockSize - 1]), std::abs (left[70000 + blockSize - 1 - length]) + 1e-6f)
            << "the stop fades";

        EXPECT_EQ (result.stems[0][25000], left[25000] / pan) << "the stem is the loop channel before the mixer";
    }
}

TEST (OfflineRender, APressActsOnTheInputSampleTheLatenciesName)
{
    // A device's input delivers a moment's audio inputLatency samples after a press at that
    // moment, and the latency offset takes its samples off: the loop begins on that input sample
    // and keeps the presses' length. Its largest value, the last before the closing fade, says where.
    juce::ScopedJuceInitialiser_GUI juce;
    const auto script = parseRenderScript ("1000 punch 0 1 0\n13180 punch 0 1 0\n");
    const int length = 12180;

    for (const auto& [latency, offsetMs, begins] : { std::tuple { 0, 0, 1000 }, { 100, 0, 1100 }, { 100, 1, 1052 } })
    {
        SCOPED_TRACE (::testing::Message() << "latency " << latency << ", offset " << offsetMs << " ms");
        RenderSettings settings;
        settings.blockSize = 64;
        settings.totalSamples = 40000;
        settings.inputLatency = latency;
        settings.latencyOffsetMs = offsetMs;
        settings.keepStems = true;
        const auto result = renderPerformance (countingInput (20000), script.commands, settings);
        const auto& stem = result.stems[0];

        EXPECT_EQ (stem[21000], stem[21000 + length]) << "a loop of the presses' length";
        EXPECT_EQ (*std::max_element (stem.begin() + 20000, stem.begin() + 20000 + length),
                   float (begins + length - 50 + 1) / 50000.0f);
    }
}
