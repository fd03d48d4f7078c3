// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Eight mono loop channels mixed onto 1 and 4 stereo buses at 32, 64 and 256 samples, steady
// and ramping, beside a plain multiply-add floor doing the same arithmetic in the same run.
#include "RatioReporter.h"
#include "mixer/ChannelProcessors.h"

#include <memory>
#include <vector>

using namespace Work;

namespace
{
constexpr int numChannels = 8;

struct Mix
{
    Mix (int buses, int samples)
        : numBuses (buses)
        , numSamples (samples)
        , inputs (numChannels, std::vector<float> (std::size_t (samples), 0.25f))
        , outputs (std::size_t (2 * buses), std::vector<float> (std::size_t (samples), 0.0f))
    {
        for (auto& c : outputs)
            outputPointers.push_back (c.data());
        for (int c = 0; c < numChannels; ++c)
        {
            channels.push_back (std::make_unique<MonoToMultipleStereo> (tables, buses));
            channels.back()->setActiveOutputs ((1u << buses) - 1);
            channels.back()->setPanOrBalance (10 + 10 * c);
        }
    }

    GainTables tables;
    int numBuses, numSamples;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<float*> outputPointers;
    std::vector<std::unique_ptr<MonoToMultipleStereo>> channels;
};

void BM_Floor (benchmark::State& state)
{
    Mix mix (int (state.range (0)), int (state.range (1)));
    const float gains[2] = { 0.7f, 0.6f };
    for (auto _ : state)
    {
        for (int c = 0; c < numChannels; ++c)
        {
            const float* in = mix.inputs[std::size_t (c)].data();
            for (int o = 0; o < 2 * mix.numBuses; ++o)
            {
                float* out = mix.outputPointers[std::size_t (o)];
                const float g = gains[o & 1];
                for (int k = 0; k < mix.numSamples; ++k)
                    out[k] += g * in[k];
            }
        }
        benchmark::ClobberMemory();
    }
}

void runMix (benchmark::State& state, bool ramping)
{
    Mix mix (int (state.range (0)), int (state.range (1)));
    int block = 0;
    for (auto _ : state)
    {
        for (auto& channel : mix.channels)
        {
            if (ramping)
                channel->setVolume (100 + (block & 1) * 10);
            const float* in[] = { mix.inputs[0].data() };
            channel->process (in, mix.outputPointers.data(), mix.numSamples, nullptr);
        }
        ++block;
        benchmark::ClobberMemory();
    }
}

void BM_Steady (benchmark::State& state)
{
    runMix (state, false);
}
void BM_Ramping (benchmark::State& state)
{
    runMix (state, true);
}

void configure (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "buses", "samples" });
    for (int buses : { 1, 4 })
        for (int samples : { 32, 64, 256 })
            b->Args ({ buses, samples });
}

BENCHMARK (BM_Floor)->Apply (configure)->Repetitions (7)->ReportAggregatesOnly (true);
BENCHMARK (BM_Steady)->Apply (configure)->Repetitions (7)->ReportAggregatesOnly (true);
BENCHMARK (BM_Ramping)->Apply (configure)->Repetitions (7)->ReportAggregatesOnly (true);

std::string floorFor (const std::string& name)
{
    return "BM_Floor" + name.substr (name.find ('/'));
}
} // namespace

int main (int argc, char** argv)
{
    return runWithRatios (argc, argv, floorFor);
}
