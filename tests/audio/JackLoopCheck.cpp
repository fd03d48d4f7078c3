// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Opens the engine on the JACK device through JUCE, waits for a signal at its first input, records
// a one-second main loop from it by commands stamped with the wall clock, and keeps running so
// that the loop can be captured from its outputs. Used by jack_loop_test.sh; exits 2 when no JACK
// device opens, 3 when no signal arrives.
#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <thread>

namespace
{
/** The loudest sample of the engine's first input in the latest block. */
struct InputLevel final : Work::MeterFeed
{
    void feed (int, int n, const float* samples, float) noexcept override
    {
        float peak = 0.0f;
        for (int i = 0; i < n; ++i)
            peak = std::max (peak, std::abs (samples[i]));
        level.store (peak, std::memory_order_relaxed);
    }

    std::atomic<float> level { 0.0f };
};

bool waitFor (const std::function<bool()>& condition, std::int64_t timeoutMs)
{
    const auto until = juce::Time::currentTimeMillis() + timeoutMs;
    while (! condition())
    {
        if (juce::Time::currentTimeMillis() > until)
            return false;
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }
    return true;
}
} // namespace

int main (int argc, char** argv)
{
    const auto seconds = argc > 1 ? std::atof (argv[1]) : 10.0; // of playback after the loop is recorded
    juce::ScopedJuceInitialiser_GUI juce;
    Work::MemorySystem::startEngineRuntime();
    if (Work::MemorySystem::startSampleMemory (768) == 0)
        return 1;

    int result = 0;
    {
        Work::MainAudio engine (nullptr);
        engine.setupEngine (2, false, 8, 1);
        Work::CursorWord cursors (8, 1);
        engine.getLooper()->setCursorWord (&cursors);
        InputLevel input;
        engine.setMeterFeeds ({ &input }, {}, {});

        const auto start = juce::Time::currentTimeMillis();
        const auto error = engine.openAudio();
        auto* device = engine.getDevice().getDeviceManager().getCurrentAudioDevice();
        auto punch = [&] {
            engine.getLooper()->postFromMessageThread (
                { Work::CommandCode::punch, 0, 1, 0, juce::Time::currentTimeMillis() });
        };

        if (error.isNotEmpty() || device == nullptr || device->getTypeName() != "JACK")
        {
            std::fprintf (stderr, "no JACK device: %s\n", error.toRawUTF8());
            result = 2;
        }
        else if (! waitFor ([&] { return input.level.load() > 0.05f; }, 8000))
        {
            std::fprintf (stderr, "no signal reached the input\n");
            result = 3;
        }
        else
        {
            // A one-second loop from the tone that is arriving now.
            punch();
            std::this_thread::sleep_for (std::chrono::milliseconds (1000));
            punch();
            std::printf ("loop recorded %.1f s after start\n", double (juce::Time::currentTimeMillis() - start) / 1000.0);
            std::fflush (stdout);

            // Keep the loop playing for as long as the capture may still run.
            std::this_thread::sleep_for (std::chrono::milliseconds (std::int64_t (seconds * 1000.0)));

            std::printf ("main loop: %u samples\n", engine.getLooper()->getCurrentPart().mainLoopLength());
        }

        engine.getDevice().closeDevice();
        engine.teardownEngine();
    }

    Work::MemorySystem::stopSampleMemory();
    Work::MemorySystem::stopEngineRuntime();
    return result;
}
