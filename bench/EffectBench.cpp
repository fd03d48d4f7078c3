// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The cost of an LV2 effect on the bus: swh's amplifier (one multiply a sample, run once a side)
// hosted by the program, against the same multiplies written out (the plug-in's own work), so the
// difference is the host's: copying the bus in and out, the control words, the bypass fade's
// test. Then the whole audio callback (an idle engine: the mixer, meters, the bus) with and
// without the effect. Prints figures, never fails.
#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

#include <cmath>
#include <vector>

namespace
{
using namespace Work;

const std::string amp = "http://plugin.org.uk/swh-plugins/amp";

void BM_MultiplyFloor (benchmark::State& state)
{
    const auto n = std::size_t (state.range (0));
    std::vector<float> left (n, 0.25f), right (n, -0.25f), outLeft (n), outRight (n);
    const float coefficient = std::pow (10.0f, -6.0f * 0.05f);
    for (auto _ : state)
    {
        for (std::size_t i = 0; i < n; ++i)
            outLeft[i] = left[i] * coefficient;
        for (std::size_t i = 0; i < n; ++i)
            outRight[i] = right[i] * coefficient;
        benchmark::DoNotOptimize (outLeft.data());
        benchmark::DoNotOptimize (outRight.data());
        benchmark::ClobberMemory();
    }
}

void BM_HostedAmplifier (benchmark::State& state)
{
    const auto n = int (state.range (0));
    std::string error;
    auto effect = Lv2Effect::create (amp, 48000.0, n, error);
    if (effect == nullptr)
        return state.SkipWithError (error.c_str());
    effect->setControl (0, -6.0f);
    std::vector<float> left (std::size_t (n), 0.25f), right (std::size_t (n), -0.25f);
    for (auto _ : state)
    {
        effect->process (left.data(), right.data(), n);
        benchmark::DoNotOptimize (left.data());
        benchmark::ClobberMemory();
    }
}

void BM_Callback (benchmark::State& state, bool withEffect)
{
    juce::ScopedJuceInitialiser_GUI juce;
    MemorySystem::startEngineRuntime();
    MemorySystem::startSampleMemoryOf (64);
    {
        const auto n = int (state.range (0));
        MainAudio audio (nullptr);
        if (! audio.setupEngine (2, false, 8, 1))
            return state.SkipWithError ("no engine");
        audio.getLooper()->setDevice (48000, 0, 0);
        if (withEffect)
        {
            std::string error;
            auto effect = Lv2Effect::create (amp, 48000.0, n, error);
            if (effect == nullptr)
                return state.SkipWithError (error.c_str());
            audio.busEffects = BusEffectChain::holding (std::move (effect));
        }

        const auto size = std::size_t (n);
        std::vector<float> in0 (size, 0.1f), in1 (size, 0.0f), out0 (size, 0.0f), out1 (size, 0.0f);
        const float* inputs[] = { in0.data(), in1.data() };
        float* outputs[] = { out0.data(), out1.data() };
        std::int64_t timeMs = 0;
        for (auto _ : state)
        {
            audio.getDevice().processBlock (inputs, 2, outputs, 2, n, timeMs++, 48000.0f);
            benchmark::ClobberMemory();
        }
        audio.teardownEngine();
    }
    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
}

void BM_CallbackDry (benchmark::State& state)
{
    BM_Callback (state, false);
}

void BM_CallbackWithAmplifier (benchmark::State& state)
{
    BM_Callback (state, true);
}

void sizes (benchmark::internal::Benchmark* b)
{
    b->Arg (64)->Arg (256);
}
} // namespace

BENCHMARK (BM_MultiplyFloor)->Apply (sizes);
BENCHMARK (BM_HostedAmplifier)->Apply (sizes);
BENCHMARK (BM_CallbackDry)->Apply (sizes);
BENCHMARK (BM_CallbackWithAmplifier)->Apply (sizes);
BENCHMARK_MAIN();
