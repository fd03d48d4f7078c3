// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Sample pool figures: allocate/release cost against the length of the free list, and what
// reserving (and committing) a full-size pool costs at start-up.
#include "engine/DataMemory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <vector>

using Work::MemorySystem::DataMemory;
using Work::MemorySystem::SystemAllocator;

namespace
{
SystemAllocator heap;

/** Leaves a pool whose free list holds `fragments` small blocks in front of one large one:
    every other small block is kept, so the freed ones cannot merge. */
void fragment (DataMemory& memory, int fragments, std::vector<void*>& kept)
{
    std::vector<void*> all;
    for (int i = 0; i < 2 * fragments; ++i)
        all.push_back (memory.allocate (64));
    for (int i = 0; i < 2 * fragments; i += 2)
        memory.release (all[std::size_t (i)]);
    for (int i = 1; i < 2 * fragments; i += 2)
        kept.push_back (all[std::size_t (i)]);
}

// A request that only the large tail block satisfies walks the whole free list.
void BM_AllocateReleaseBehindFreeBlocks (benchmark::State& state)
{
    DataMemory memory (heap);
    if (! memory.reservePool (64u << 20))
    {
        state.SkipWithError ("no pool");
        return;
    }
    std::vector<void*> kept;
    fragment (memory, int (state.range (0)), kept);

    for (auto _ : state)
    {
        void* p = memory.allocate (4096);
        benchmark::DoNotOptimize (p);
        memory.release (p);
    }
    state.counters["freeBlocks"] = double (state.range (0) + 1);
}
BENCHMARK (BM_AllocateReleaseBehindFreeBlocks)->RangeMultiplier (4)->Range (1, 4096);

// The common case on the audio thread: the first free block fits.
void BM_AllocateReleaseFirstFit (benchmark::State& state)
{
    DataMemory memory (heap);
    if (! memory.reservePool (64u << 20))
    {
        state.SkipWithError ("no pool");
        return;
    }
    for (auto _ : state)
    {
        void* p = memory.allocate (size_t (state.range (0)));
        benchmark::DoNotOptimize (p);
        memory.release (p);
    }
}
BENCHMARK (BM_AllocateReleaseFirstFit)->Arg (64)->Arg (4096)->Arg (1 << 20);

void reportPoolStartUp()
{
    for (std::uint64_t megabytes : { 256u, 1536u })
    {
        DataMemory memory (heap);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = memory.reservePool (megabytes << 20);
        const auto elapsed = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start);
        std::printf ("pool start-up: reserve and commit %4llu MB: %s in %.1f ms\n",
                     static_cast<unsigned long long> (megabytes), ok ? "ok" : "FAILED", elapsed.count());
    }
}
} // namespace

int main (int argc, char** argv)
{
    reportPoolStartUp();
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
