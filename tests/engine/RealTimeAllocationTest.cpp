// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/DataMemory.h"
#include "engine/LockFreeFifo.h"
#include "engine/SampleRoutines.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using Work::Testing::ScopedRealTimeSection;

TEST (RealTimePath, CounterSeesHeapCalls)
{
    // Guards the guard: a section that does allocate must be caught.
    ScopedRealTimeSection section;
    auto* leak = new std::vector<int> (100);
    delete leak;
    EXPECT_GE (section.heapCalls(), 2);
}

TEST (RealTimePath, PoolQueuesAndSampleRoutinesNeverTouchTheHeap)
{
    Work::MemorySystem::SystemAllocator heap;
    Work::MemorySystem::DataMemory memory (heap);
    ASSERT_TRUE (memory.reservePool (1 << 20));
    Work::LockFreeFifo<std::array<int, 8>> fifo (64);
    std::vector<float> block (1024, 1.0f);
    float* channels[] = { block.data(), block.data() + 512 };
    std::array<char, 64> text {};

    ScopedRealTimeSection section;

    for (int round = 0; round < 100; ++round)
    {
        void* a = memory.allocate (4096);
        void* b = memory.allocate (100);
        memory.release (a);
        memory.release (b);

        fifo.push ({ round });
        (void)fifo.pop();

        Work::SampleRoutines::fadeIn (block.data(), 333);
        Work::SampleRoutines::fadeOutChannels (channels, 2, 512);
        Work::SampleRoutines::copy (block.data() + 512, block.data(), 511 * sizeof (float));
        Work::SampleRoutines::zero (block.data(), 7 * sizeof (float));
        (void)Work::SampleRoutines::rms (block.data(), 1024);
        (void)Work::SampleRoutines::toDecibels (block[100]);
        Work::SampleRoutines::copyText (text.data(), text.size(), "notice");
    }

    EXPECT_EQ (section.heapCalls(), 0);
}
