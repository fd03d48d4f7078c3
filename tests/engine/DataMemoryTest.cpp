// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/DataMemory.h"
#include "engine/MemorySystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <vector>

using Work::MemorySystem::DataMemory;
using Work::MemorySystem::SystemAllocator;

namespace
{
struct FreeBlock
{
    std::uint32_t offset, size;
};

std::vector<FreeBlock> freeBlocksOf (const DataMemory& memory)
{
    std::vector<FreeBlock> blocks;
    memory.visitFreeBlocks ([&] (std::uint32_t offset, std::uint32_t size) { blocks.push_back ({ offset, size }); });
    return blocks;
}

/** Live allocations as the test sees them: header offset -> payload size asked for. */
using LiveBlocks = std::map<std::uint32_t, std::uint32_t>;

std::uint32_t roundUp16 (std::uint32_t size)
{
    return (size + 15u) & ~15u;
}

/** Checks every invariant of the pool against what the test handed out. The granted payload of a
    live block is known only as "at least the rounded request", so the exact extents come from
    the gaps between blocks, which the free list and the live set must tile without overlap. */
void expectConsistent (const DataMemory& memory, const LiveBlocks& live,
                       const std::map<std::uint32_t, std::uint32_t>& granted)
{
    const auto blocks = freeBlocksOf (memory);

    for (std::size_t i = 1; i < blocks.size(); ++i)
    {
        ASSERT_LT (blocks[i - 1].offset, blocks[i].offset) << "free list out of address order";
        ASSERT_NE (blocks[i - 1].offset + 16 + blocks[i - 1].size, blocks[i].offset) << "adjacent free blocks not merged";
    }

    // Walk the pool from offset 0: free and used blocks must follow each other exactly.
    std::vector<FreeBlock> all;
    for (auto& b : blocks)
        all.push_back (b);
    for (auto& [offset, size] : granted)
        all.push_back ({ offset, size });
    std::sort (all.begin(), all.end(), [] (auto& a, auto& b) { return a.offset < b.offset; });

    std::uint64_t cursor = 0, freeTotal = 0, usedTotal = 0;

    for (auto& b : all)
    {
        ASSERT_EQ (b.offset, cursor) << "blocks overlap or leave a hole";
        ASSERT_EQ (b.offset % 16, 0u);
        ASSERT_EQ (b.size % 16, 0u);
        cursor += 16 + b.size;
    }

    ASSERT_EQ (cursor, std::uint64_t (memory.getCapacity()) + 16) << "blocks do not cover the pool";

    for (auto& b : blocks)
        freeTotal += b.size;
    for (auto& [offset, size] : granted)
        usedTotal += size + 16;

    EXPECT_EQ (freeTotal, memory.getFreeBytes());
    EXPECT_EQ (usedTotal, memory.getUsedBytes());
    EXPECT_EQ (freeTotal + 16 * blocks.size() + usedTotal, std::uint64_t (memory.getCapacity()) + 16);

    for (auto& [offset, request] : live)
        EXPECT_GE (granted.at (offset), roundUp16 (request));
}

class DataMemoryTest : public ::testing::Test
{
protected:
    SystemAllocator heap;
    DataMemory memory { heap };
};
} // namespace

TEST_F (DataMemoryTest, ReservedPoolIsOneFreeBlockOfSizeLessHeader)
{
    ASSERT_TRUE (memory.reservePool (1 << 20));
    EXPECT_TRUE (memory.hasPool());
    EXPECT_EQ (memory.getCapacity(), (1u << 20) - 16);
    EXPECT_EQ (memory.getFreeBytes(), (1u << 20) - 16);
    EXPECT_EQ (memory.getUsedBytes(), 0u);

    memory.releasePool();
    EXPECT_FALSE (memory.hasPool());
    EXPECT_EQ (memory.allocate (16), nullptr);
}

TEST_F (DataMemoryTest, PayloadsAreSixteenByteAlignedAndRoundedUp)
{
    ASSERT_TRUE (memory.reservePool (4096));

    for (std::size_t request : { 0u, 1u, 15u, 16u, 17u, 33u })
    {
        auto* p = memory.allocate (request);
        ASSERT_NE (p, nullptr) << request;
        EXPECT_EQ (reinterpret_cast<std::uintptr_t> (p) % 16, 0u) << request;
    }

    // 0 + 16 + 16 + 16 + 32 + 48 payload bytes, each with a 16-byte header.
    EXPECT_EQ (memory.getUsedBytes(), 128u + 6 * 16);
}

TEST_F (DataMemoryTest, SplitsOnlyWhenSeventeenOrMoreBytesRemain)
{
    // Pool payload 4080: a request leaving exactly 16 takes the block whole, leaving 32 splits it.
    ASSERT_TRUE (memory.reservePool (4096));
    auto* whole = memory.allocate (4064);
    ASSERT_NE (whole, nullptr);
    EXPECT_EQ (memory.getUsedBytes(), 4080u + 16);
    EXPECT_TRUE (freeBlocksOf (memory).empty());
    memory.release (whole);

    auto* split = memory.allocate (4048);
    ASSERT_NE (split, nullptr);
    EXPECT_EQ (memory.getUsedBytes(), 4048u + 16);
    ASSERT_EQ (freeBlocksOf (memory).size(), 1u);
    EXPECT_EQ (freeBlocksOf (memory)[0].size, 16u);
}

TEST_F (DataMemoryTest, ReleasingNeighboursInEitherOrderLeavesOneBlock)
{
    for (bool firstThenSecond : { true, false })
    {
        ASSERT_TRUE (memory.reservePool (4096));
        auto* a = memory.allocate (100);
        auto* b = memory.allocate (200);
        auto* c = memory.allocate (300); // keeps b away from the free tail
        ASSERT_TRUE (a && b && c);

        memory.release (firstThenSecond ? a : b);
        memory.release (firstThenSecond ? b : a);

        auto blocks = freeBlocksOf (memory);
        ASSERT_EQ (blocks.size(), 2u);
        EXPECT_EQ (blocks[0].offset, 0u);
        EXPECT_EQ (blocks[0].size, 112u + 16 + 208) << "both headers folded into one block";
        memory.releasePool();
    }
}

TEST_F (DataMemoryTest, ExhaustionReturnsNullAndRecovers)
{
    ASSERT_TRUE (memory.reservePool (1024));
    std::vector<void*> blocks;

    while (auto* p = memory.allocate (100))
        blocks.push_back (p);

    EXPECT_EQ (memory.allocate (1), nullptr);
    EXPECT_EQ (memory.allocate (std::size_t (1) << 40), nullptr);

    for (auto* p : blocks)
        memory.release (p);

    EXPECT_EQ (memory.getUsedBytes(), 0u);
    EXPECT_EQ (memory.getFreeBytes(), memory.getCapacity());
}

TEST_F (DataMemoryTest, StrayAndDoubleReleasesAreRefused)
{
    ASSERT_TRUE (memory.reservePool (4096));
    auto* a = memory.allocate (64);
    auto* b = memory.allocate (64);
    int outside = 0;

    memory.release (a);
    const auto freeAfterFirst = memory.getFreeBytes();
    memory.release (a);
    memory.release (&outside);
    memory.release (static_cast<char*> (b) + 8);

    EXPECT_EQ (memory.getFreeBytes(), freeAfterFirst);
    EXPECT_EQ (memory.getUsedBytes(), 64u + 16);
    memory.release (b);
    EXPECT_EQ (memory.getFreeBytes(), memory.getCapacity());
}

TEST_F (DataMemoryTest, RandomSequencesKeepThePoolConsistent)
{
    // Seeded runs of allocate / release against a model of what is handed out. After every step:
    // the free list is sorted and merged, blocks never overlap, and used + free + headers
    // account for the whole pool.
    for (unsigned seed : { 1u, 2u, 3u, 42u, 2026u })
    {
        SCOPED_TRACE ("seed " + std::to_string (seed));
        std::mt19937 random (seed);
        ASSERT_TRUE (memory.reservePool (64 * 1024));

        LiveBlocks live;
        std::map<std::uint32_t, std::uint32_t> granted;
        std::map<std::uint32_t, void*> pointers;

        for (int step = 0; step < 4000; ++step)
        {
            const bool doAllocate = live.empty() || random() % 100 < 55;

            if (doAllocate)
            {
                const auto request = std::uint32_t (random() % (random() % 8 == 0 ? 8000 : 300));
                const auto usedBefore = memory.getUsedBytes();
                auto* p = memory.allocate (request);

                if (p == nullptr)
                {
                    // First fit failing means no free block is large enough.
                    for (auto& b : freeBlocksOf (memory))
                        ASSERT_LT (b.size, request);
                    continue;
                }

                const auto offset = memory.offsetOf (p);
                ASSERT_EQ (live.count (offset), 0u) << "handed out twice";
                live[offset] = request;
                granted[offset] = memory.getUsedBytes() - usedBefore - 16;
                pointers[offset] = p;
                std::memset (p, int (offset & 0xff), request); // scribbles must stay inside the block
            }
            else
            {
                auto it = live.begin();
                std::advance (it, random() % live.size());
                auto* p = static_cast<unsigned char*> (pointers[it->first]);

                for (std::uint32_t i = 0; i < it->second; ++i)
                    ASSERT_EQ (p[i], it->first & 0xff) << "payload overwritten";

                memory.release (p);
                granted.erase (it->first);
                pointers.erase (it->first);
                live.erase (it);
            }

            expectConsistent (memory, live, granted);
            if (HasFatalFailure())
                return;
        }

        for (auto& [offset, p] : pointers)
            memory.release (p);

        EXPECT_EQ (freeBlocksOf (memory).size(), 1u);
        memory.releasePool();
    }
}
