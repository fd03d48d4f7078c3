// The whole audio callback: looper and mixer in MainAudio's block order, 8 loop channels of 8
// loops each with two overdubbing, at 32 to 512 samples a block, beside the plain sum of the same
// streams measured in the same run; then the worst block of a 60-second random performance.
#include "LoopSetRecorder.h"
#include "RatioReporter.h"
#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "gui/VumeterComponent.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

using namespace Work;

namespace
{
constexpr int loopsPerChannel = 8;
constexpr double rate = 48000.0;

/** MainAudio with its looper holding a recorded loop set, playing, two loops overdubbing. */
struct Engine
{
    Engine()
    {
        if (! audio.setupEngine (2, false, Bench::numLoopChannels, 1))
            return;
        looper = audio.getLooper();
        looper->setDevice (int (rate), 0, 0);
        looper->setCursorWord (&cursors);
        Bench::recordLoopSet (looper->getCurrentPart(), loopsPerChannel);
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

void BM_Callback (benchmark::State& state)
{
    Engine engine;
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
BENCHMARK (BM_Callback)->Apply (sizes);

std::string floorFor (const std::string& name)
{
    return "BM_Floor" + name.substr (name.find ('/'));
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

/** 60 seconds of a seeded random performance at 64 samples a block: the slowest block. */
void reportWorstBlock()
{
    Engine engine;
    if (engine.looper == nullptr)
        return;

    std::mt19937 random (7);
    constexpr int n = 64;
    const auto blocks = int (60.0 * rate / n);
    std::vector<double> micros;
    micros.reserve (std::size_t (blocks));
    const std::int32_t codes[] = { CommandCode::punch,       CommandCode::mute,
                                   CommandCode::solo,        CommandCode::undo,
                                   CommandCode::redo,        CommandCode::stripClick,
                                   CommandCode::direction,   CommandCode::multiplyDuration,
                                   CommandCode::eraseChannel };

    for (int b = 0; b < blocks; ++b)
    {
        if (random() % 200 == 0)
        {
            const auto code = codes[random() % std::size (codes)];
            engine.looper->post ({ code, std::int32_t (random() % 8), std::int32_t (random() % 2), 0, engine.time });
        }
        const auto start = std::chrono::steady_clock::now();
        engine.block (n);
        micros.push_back (std::chrono::duration<double, std::micro> (std::chrono::steady_clock::now() - start).count());
    }

    std::sort (micros.begin(), micros.end());
    std::printf (
        "\n60 s random performance, %d-sample blocks (%.0f us each): median %.1f us, 99.9%% %.1f us, worst %.1f us\n", n,
        n / rate * 1e6, micros[micros.size() / 2], micros[micros.size() * 999 / 1000], micros.back());
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    MemorySystem::startEngineRuntime();
    if (MemorySystem::startSampleMemory (3 * 1024) == 0)
        return 1;

    const auto result = runWithRatios (argc, argv, floorFor);
    reportMeterCost();
    reportWorstBlock();

    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
    return result;
}
