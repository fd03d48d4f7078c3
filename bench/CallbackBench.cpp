// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The whole audio callback: looper and mixer in MainAudio's block order, 8 loop channels of 8
// loops each with two overdubbing, at 32 to 512 samples a block, beside two floors measured in the
// same run: the plain sum of the same streams, and the honest floor (that sum, the two overdubs'
// read-modify-write and the mixer's gain and pan onto the stereo bus, as plain loops). Then the
// same loop set after 200 retakes (loops recorded and undone, then replaced by a last take); the
// meters' cost; and the worst block of a 60-second random performance replayed five times, block
// by block the fastest of the five, so the machine's hiccups drop out and the engine's own work
// stays.
#include "LoopSetRecorder.h"
#include "RatioReporter.h"
#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "gui/controls/VumeterComponent.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace Work;

namespace
{
constexpr int loopsPerChannel = 8;
constexpr double rate = 48000.0;

/** Takes on loop channel 3, each recorded for a cycle and undone; a last take replaces them. */
void recordRetakes (Part& part, int retakes)
{
    std::vector<float> input (64, 0.02f);
    std::vector<std::vector<float>> scratch (Bench::numLoopChannels, std::vector<float> (64));
    std::vector<float*> outputs;
    for (auto& c : scratch)
        outputs.push_back (c.data());
    auto run = [&] (std::uint32_t samples) {
        for (std::uint32_t t = 0; t < samples; t += 64)
        {
            const float* in[] = { input.data(), input.data() };
            part.process (in, outputs.data(), 64, Direction::forwards);
        }
    };

    for (int r = 0; r <= retakes; ++r)
    {
        (void)part.addLoop (0, 3, 1, 0, LoopKind::wholeCycle, Direction::forwards);
        run (Bench::mainLength);
        part.stopLoop (0, 3, 0);
        run (64 * 4);
        if (r < retakes)
        {
            (void)part.undo();
            run (64 * 64); // the fade-out ends
        }
    }
}

/** MainAudio with its looper holding a recorded loop set, playing, two loops overdubbing. */
struct Engine
{
    explicit Engine (int retakes = 0)
    {
        if (! audio.setupEngine (2, false, Bench::numLoopChannels, 1))
            return;
        looper = audio.getLooper();
        looper->setDevice (int (rate), 0, 0);
        looper->setCursorWord (&cursors);
        Bench::recordLoopSet (looper->getCurrentPart(), loopsPerChannel);
        if (retakes > 0)
            recordRetakes (looper->getCurrentPart(), retakes);
        looper->post ({ CommandCode::startStop, 0, 0, 0, 0 });
        block (64);
        (void)looper->getCurrentPart().addLoop (0, 2, 1, 0, LoopKind::wholeCycle, Direction::forwards);
        (void)looper->getCurrentPart().addLoop (1, 5, 1, 0, LoopKind::wholeCycle, Direction::forwards);
    }

    void block (int n)
    {
        const float* inputs[] = { in.data(), in.data() };
        float* outputs[] = { left.data(), right.data() };
        const BlockInfo info { nullptr, time, float (rate) };
        std::fill (left.begin(), left.begin() + n, 0.0f);
        std::fill (right.begin(), right.begin() + n, 0.0f);
        audio.audioCallback (inputs, outputs, n, info);
        time += 1;
    }

    MainAudio audio { nullptr };
    VarnoloLooper* looper = nullptr;
    CursorWord cursors { Bench::numLoopChannels, 1 };
    std::vector<float> in = std::vector<float> (4096, 0.05f), left = std::vector<float> (4096),
                       right = std::vector<float> (4096);
    std::int64_t time = 0;
};

/** Blocks of the whole callback on a loop set with the given number of retakes behind it. */
void runCallback (benchmark::State& state, int retakes)
{
    Engine engine (retakes);
    if (engine.looper == nullptr)
    {
        state.SkipWithError ("no engine");
        return;
    }
    const auto n = int (state.range (0));
    for (auto _ : state)
    {
        engine.block (n);
        benchmark::ClobberMemory();
    }
    state.counters["realtime"] = benchmark::Counter (double (state.iterations()) * n / rate, benchmark::Counter::kIsRate);
}

void BM_Callback (benchmark::State& state)
{
    runCallback (state, 0);
}

/** The same loop set after 200 retakes on one channel: the cost of a block should not grow. */
void BM_CallbackRetakes (benchmark::State& state)
{
    runCallback (state, 200);
}

void BM_HonestFloor (benchmark::State& state)
{
    const auto n = std::uint32_t (state.range (0));
    std::vector<std::vector<float>> streams (std::size_t (Bench::numLoopChannels * loopsPerChannel),
                                             std::vector<float> (Bench::mainLength, 0.01f));
    std::vector<std::vector<float>> channels (Bench::numLoopChannels, std::vector<float> (n));
    std::vector<float> input (n, 0.0f), left (n), right (n);
    std::uint32_t position = 0;
    for (auto _ : state)
    {
        std::fill (left.begin(), left.end(), 0.0f);
        std::fill (right.begin(), right.end(), 0.0f);
        Bench::honestBlock (channels, streams, loopsPerChannel, input.data(), position, n, left.data(), right.data());
        position = position + 2 * n < Bench::mainLength ? position + n : 0;
        benchmark::ClobberMemory();
    }
}

void BM_Floor (benchmark::State& state)
{
    const auto n = std::uint32_t (state.range (0));
    std::vector<std::vector<float>> streams (std::size_t (Bench::numLoopChannels * loopsPerChannel),
                                             std::vector<float> (Bench::mainLength, 0.01f));
    std::vector<std::vector<float>> outputs (Bench::numLoopChannels, std::vector<float> (n));
    std::uint32_t position = 0;
    for (auto _ : state)
    {
        Bench::addStreams (outputs, streams, loopsPerChannel, position, n);
        position = position + 2 * n < Bench::mainLength ? position + n : 0;
        benchmark::ClobberMemory();
    }
}

void sizes (benchmark::internal::Benchmark* b)
{
    b->ArgName ("samples");
    for (int n : { 32, 64, 128, 256, 512 })
        b->Arg (n);
    b->Repetitions (5)->ReportAggregatesOnly (true)->Unit (benchmark::kNanosecond);
}

BENCHMARK (BM_Floor)->Apply (sizes);
BENCHMARK (BM_HonestFloor)->Apply (sizes);
BENCHMARK (BM_Callback)->Apply (sizes);
BENCHMARK (BM_CallbackRetakes)->Apply (sizes);

std::string floorFor (const std::string& name)
{
    return "BM_Floor" + name.substr (name.find ('/'));
}

std::string honestFloorFor (const std::string& name)
{
    return name.rfind ("BM_HonestFloor", 0) == 0 ? name : "BM_HonestFloor" + name.substr (name.find ('/'));
}

/** What the screen's meters add to a block: the callback with the 12 meters of the screen (two
    inputs, eight loop channels, two outputs) fed against the same callback without, alternated
    in one run, the median of 15 rounds of 20 000 blocks each. */
void reportMeterCost()
{
    Engine engine;
    if (engine.looper == nullptr)
        return;

    MeterImages images;
    images.setUnit (140);
    std::vector<std::unique_ptr<VumeterComponent>> meters;
    auto make = [&] (int count, bool stereo) {
        std::vector<MeterFeed*> feeds;
        for (int i = 0; i < count; ++i)
        {
            meters.push_back (std::make_unique<VumeterComponent> (images, stereo));
            feeds.push_back (meters.back().get());
        }
        return feeds;
    };
    const auto inputs = make (2, false), channels = make (Bench::numLoopChannels, false), outputs = make (2, true);

    auto timeBlocks = [&] (int n) {
        const auto start = std::chrono::steady_clock::now();
        for (int b = 0; b < 20000; ++b)
            engine.block (n);
        return std::chrono::duration<double, std::nano> (std::chrono::steady_clock::now() - start).count() / 20000.0;
    };

    for (int n : { 64, 256 })
    {
        std::vector<double> without, with;
        for (int round = 0; round < 15; ++round)
        {
            engine.audio.setMeterFeeds ({}, {}, {});
            without.push_back (timeBlocks (n));
            engine.audio.setMeterFeeds (inputs, channels, outputs);
            with.push_back (timeBlocks (n));
        }
        std::sort (without.begin(), without.end());
        std::sort (with.begin(), with.end());
        const auto a = without[without.size() / 2], b = with[with.size() / 2];
        std::printf ("12 meters fed, %3d-sample blocks: %.0f ns per block without, %.0f ns with: +%.0f ns (+%.1f %%)\n", n,
                     a, b, b - a, 100.0 * (b - a) / a);
    }
    engine.audio.setMeterFeeds ({}, {}, {});
}

/** 60 seconds of a seeded random performance at 64 samples a block, replayed five times on a
    fresh engine each: block by block the fastest of the five, and what the slowest blocks did. */
void reportWorstBlock()
{
    constexpr int n = 64, replays = 5;
    const auto blocks = int (60.0 * rate / n);
    const std::int32_t codes[] = { CommandCode::punch,       CommandCode::mute,
                                   CommandCode::solo,        CommandCode::undo,
                                   CommandCode::redo,        CommandCode::stripClick,
                                   CommandCode::direction,   CommandCode::multiplyDuration,
                                   CommandCode::eraseChannel };
    std::vector<double> fastest (std::size_t (blocks), 1.0e30), first;
    std::vector<std::int32_t> pressed (std::size_t (blocks), 0);
    std::vector<std::uint32_t> positionAt (std::size_t (blocks), 0), cycleAt (std::size_t (blocks), 0);

    for (int replay = 0; replay < replays; ++replay)
    {
        Engine engine;
        if (engine.looper == nullptr)
            return;

        std::mt19937 random (7);
        for (int b = 0; b < blocks; ++b)
        {
            if (random() % 200 == 0)
            {
                const auto code = codes[random() % std::size (codes)];
                engine.looper->post ({ code, std::int32_t (random() % 8), std::int32_t (random() % 2), 0, engine.time });
                pressed[std::size_t (b)] = code;
            }
            const auto start = std::chrono::steady_clock::now();
            engine.block (n);
            const auto micros = std::chrono::duration<double, std::micro> (std::chrono::steady_clock::now() - start).count();
            fastest[std::size_t (b)] = std::min (fastest[std::size_t (b)], micros);
            positionAt[std::size_t (b)] = engine.looper->getCurrentPart().getPosition();
            cycleAt[std::size_t (b)] = std::uint32_t (engine.looper->getCurrentPart().cycleLength());
            if (replay == 0)
                first.push_back (micros);
        }
    }

    auto summary = [&] (std::vector<double> micros, const char* what) {
        std::sort (micros.begin(), micros.end());
        std::printf ("%-34s median %.2f us, 99.9%% %.2f us, worst %.2f us (%.1f %% of the %.0f us period)\n", what,
                     micros[micros.size() / 2], micros[micros.size() * 999 / 1000], micros.back(),
                     100.0 * micros.back() / (n / rate * 1e6), n / rate * 1e6);
        return micros[micros.size() / 2];
    };
    std::printf ("\n60 s random performance, %d-sample blocks:\n", n);
    summary (first, "one run:");
    const auto median = summary (fastest, "fastest of 5 replays, per block:");

    int slow = 0;
    for (int b = 0; b < blocks; ++b)
        if (fastest[std::size_t (b)] > 10.0 * median && slow++ < 12)
            std::printf ("  block %6d: %.1f us, loop position %u of %u after it, %s\n", b, fastest[std::size_t (b)],
                         positionAt[std::size_t (b)], cycleAt[std::size_t (b)],
                         pressed[std::size_t (b)] != 0
                             ? ("command " + std::to_string (pressed[std::size_t (b)]) + " in it").c_str()
                             : "no command in it");
    std::printf ("  %d blocks above ten times the median\n", slow);
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    MemorySystem::startEngineRuntime();
    if (MemorySystem::startSampleMemory (3 * 1024) == 0)
        return 1;

    // For callgrind (bench/instructions.sh): a fixed number of blocks of one kind, nothing else.
    if (argc > 1 && std::string (argv[1]) == "--blocks")
    {
        const auto what = argc > 2 ? std::string (argv[2]) : std::string ("callback");
        const auto n = argc > 3 ? std::atoi (argv[3]) : 64;
        constexpr int blocks = 2000;

        if (what == "floor" || what == "honest")
        {
            std::vector<std::vector<float>> streams (std::size_t (Bench::numLoopChannels * loopsPerChannel),
                                                     std::vector<float> (Bench::mainLength, 0.01f));
            const auto size = std::size_t (n);
            std::vector<std::vector<float>> channels (Bench::numLoopChannels, std::vector<float> (size));
            std::vector<float> input (size), left (size), right (size);
            for (int b = 0; b < blocks; ++b)
            {
                const auto position = std::uint32_t (b * n) % (Bench::mainLength - 2 * std::uint32_t (n));
                if (what == "floor")
                    Bench::addStreams (channels, streams, loopsPerChannel, position, std::uint32_t (n));
                else
                    Bench::honestBlock (channels, streams, loopsPerChannel, input.data(), position, std::uint32_t (n),
                                        left.data(), right.data());
            }
        }
        else
        {
            Engine engine (what == "retakes" ? 200 : 0);
            for (int b = 0; b < blocks; ++b)
                engine.block (n);
        }

        MemorySystem::stopSampleMemory();
        MemorySystem::stopEngineRuntime();
        return 0;
    }

    const auto result = runWithRatios (argc, argv, floorFor, honestFloorFor, "x honest floor");
    reportMeterCost();
    reportWorstBlock();

    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
    return result;
}
