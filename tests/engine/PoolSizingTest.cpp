// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/MemorySystem.h"

#include <gtest/gtest.h>

#include <vector>

using Work::MemorySystem::PoolSizing;

TEST (PoolSizing, FirstChoiceIsAThirdOfMemoryCappedAndDefaulted)
{
    struct Case
    {
        std::uint64_t physicalMb;
        std::uint32_t expectedMb;
    };

    for (auto c : { Case { 6000, 1536 }, Case { 3000, 1000 }, Case { 0, 1024 }, Case { 4608, 1536 }, Case { 4610, 1536 },
                    Case { 4607, 1535 }, Case { 2, 0 }, Case { 64000, 1536 } })
        EXPECT_EQ (PoolSizing::firstChoiceMb (c.physicalMb), c.expectedMb) << c.physicalMb;
}

TEST (PoolSizing, FallsBackInStepsOf128AndStopsAtTheFirstSuccess)
{
    std::vector<std::uint32_t> tried;
    auto upTo700 = [&] (std::uint32_t mb) {
        tried.push_back (mb);
        return mb <= 700;
    };

    EXPECT_EQ (PoolSizing::reserve (6000, upTo700), 640u);
    EXPECT_EQ (tried, (std::vector<std::uint32_t> { 1536, 1024, 896, 768, 640 }));

    tried.clear();
    EXPECT_EQ (PoolSizing::reserve (3000, upTo700), 640u) << "1000 fails, then the ladder from 1024";
    EXPECT_EQ (tried.front(), 1000u);
}

TEST (PoolSizing, GivesUpBelow256)
{
    std::vector<std::uint32_t> tried;
    const auto none = PoolSizing::reserve (6000, [&] (std::uint32_t mb) {
        tried.push_back (mb);
        return false;
    });

    EXPECT_EQ (none, 0u);
    EXPECT_EQ (tried, (std::vector<std::uint32_t> { 1536, 1024, 896, 768, 640, 512, 384, 256 }));
}

TEST (PoolSizing, SampleMemoryStartsAndStopsWithTheRealPool)
{
    // 768 MB installed asks for 256 MB: small enough for any test machine.
    ASSERT_EQ (Work::MemorySystem::startSampleMemory (768), 256u);
    auto* memory = Work::MemorySystem::getDataMemory();
    ASSERT_NE (memory, nullptr);
    EXPECT_EQ (memory->getCapacity(), (256u << 20) - 16);

    auto* block = memory->allocate (1000);
    EXPECT_NE (block, nullptr);
    memory->release (block);

    Work::MemorySystem::stopSampleMemory();
    EXPECT_EQ (Work::MemorySystem::getDataMemory(), nullptr);
}
