// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The loop set playing back: Part::process for 8 loop channels with 1, 4, 8 and 16 loops each, at
// 32, 64 and 256 samples a block, and the whole looper block with 8 loops a channel, two of them
// overdubbing, beside a floor measured in the same run that adds the same number of float
// streams from plain arrays into the same outputs.
#include "LoopSetRecorder.h"
#include "RatioReporter.h"
#include "engine/DataMemory.h"
#include "engine/MemorySystem.h"
#include "engine/Part.h"
#include "engine/VarnoloLooper.h"

#include <memory>
#include <random>
#include <vector>

using namespace Work;

namespace
{
using Bench::mainLength;
constexpr int numChannels = Bench::numLoopChannels;

/** A loop set with loopsPerChannel loops on every loop channel, alone or in a looper. */
struct LoopSet
{
    explicit LoopSet (int loopsPerChannel, bool inLooper = false)
        : memory (heap)
    {
        if (! memory.reservePool (std::uint64_t (numChannels * loopsPerChannel + 1) * mainLength * 8 + (64u << 20)))
            return;

        if (inLooper)
        {
            looper = std::make_unique<VarnoloLooper> (memory, 1, numChannels, false);
            looper->setDevice (48000, 0, 0);
            part = &looper->getCurrentPart();
        }
        else
        {
            ownPart = std::make_unique<Part> (memory, 'A', 1, numChannels);
            part = ownPart.get();
        }

        scratch.assign (numChannels, std::vector<float> (4096));
        for (auto& c : scratch)
            outputs.push_back (c.data());
        Bench::recordLoopSet (*part, loopsPerChannel);
    }

    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory;
    std::unique_ptr<VarnoloLooper> looper;
    std::unique_ptr<Part> ownPart;
    Part* part = nullptr;
    std::vector<std::vector<float>> scratch;
    std::vector<float*> outputs;
};

void BM_Part (benchmark::State& state)
{
    LoopSet set (int (state.range (0)));
    if (set.part == nullptr)
    {
        state.SkipWithError ("no pool");
        return;
    }
    const auto n = std::uint32_t (state.range (1));
    std::vector<float> silence (n, 0.0f);
    const float* in[] = { silence.data() };

    for (auto _ : state)
    {
        set.part->process (in, set.outputs.data(), n, Direction::forwards);
        benchmark::ClobberMemory();
    }
    state.counters["loops"] = double (numChannels * state.range (0));
}

void BM_Floor (benchmark::State& state)
{
    const auto loopsPerChannel = int (state.range (0));
    const auto n = std::uint32_t (state.range (1));
    std::vector<std::vector<float>> loops (std::size_t (numChannels * loopsPerChannel),
                                           std::vector<float> (mainLength, 0.01f));
    std::vector<std::vector<float>> outputs (numChannels, std::vector<float> (n));
    std::uint32_t position = 0;

    for (auto _ : state)
    {
        Bench::addStreams (outputs, loops, loopsPerChannel, position, n);
        position = position + 2 * n < mainLength ? position + n : 0;
        benchmark::ClobberMemory();
    }
}

void configure (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "loopsPerChannel", "samples" });
    for (int loops : { 1, 4, 8, 16 })
        for (int samples : { 32, 64, 256 })
            b->Args ({ loops, samples });
    b->Repetitions (5)->ReportAggregatesOnly (true)->Unit (benchmark::kNanosecond);
}

// The whole looper block: commands, the loop set with two loops overdubbing, status, the mute
// and solo stage, for 8 loop channels of 8 loops each.
void BM_Looper (benchmark::State& state)
{
    LoopSet set (8, true);
    if (set.part == nullptr)
    {
        state.SkipWithError ("no pool");
        return;
    }
    const auto n = int (state.range (1));
    std::vector<float> sound (std::size_t (n), 0.05f);
    const float* in[] = { sound.data() };
    BlockInfo info { nullptr, 0, 48000.0f };

    set.looper->post ({ CommandCode::startStop, 0, 0, 0, 0 });
    set.looper->process (in, set.outputs.data(), n, &info);
    (void)set.part->addLoop (0, 2, 1, 0, LoopKind::wholeCycle, Direction::forwards);
    (void)set.part->addLoop (0, 5, 1, 0, LoopKind::wholeCycle, Direction::forwards);

    for (auto _ : state)
    {
        set.looper->process (in, set.outputs.data(), n, &info);
        benchmark::ClobberMemory();
    }
}

void configureLooper (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "loopsPerChannel", "samples" });
    for (int samples : { 32, 64, 256 })
        b->Args ({ 8, samples });
    b->Repetitions (5)->ReportAggregatesOnly (true)->Unit (benchmark::kNanosecond);
}

BENCHMARK (BM_Floor)->Apply (configure);
BENCHMARK (BM_Part)->Apply (configure);
BENCHMARK (BM_Looper)->Apply (configureLooper);

std::string floorFor (const std::string& name)
{
    return "BM_Floor" + name.substr (name.find ('/'));
}
} // namespace

int main (int argc, char** argv)
{
    // The looper's queues take their storage from the engine runtime, as in the program.
    MemorySystem::startEngineRuntime();
    const auto result = runWithRatios (argc, argv, floorFor);
    MemorySystem::stopEngineRuntime();
    return result;
}
