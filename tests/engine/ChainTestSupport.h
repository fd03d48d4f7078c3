// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/SampleBlock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace Work::Testing
{

/** Checks every invariant of a chain: circular links both ways, one root that every other block
    points at, contiguous starts from the block at position 0 covering exactly the loop length,
    no empty blocks, buffers on every audio block, and the hint inside the ring. */
inline void expectChainConsistent (SampleBlock* hint, std::uint32_t expectedLength)
{
    ASSERT_NE (hint, nullptr);
    auto* root = hint->chainRoot();
    ASSERT_EQ (SampleChain::loopLengthOf (hint), expectedLength);

    std::set<SampleBlock*> ring;
    SampleBlock* first = nullptr;
    auto* b = root;

    do
    {
        ASSERT_TRUE (ring.insert (b).second) << "ring revisits a block before closing";
        ASSERT_LE (ring.size(), std::size_t (expectedLength) + 1) << "ring does not close";
        ASSERT_EQ (b->next->prev, b) << "broken back link";
        ASSERT_EQ (b->prev->next, b) << "broken forward link";
        ASSERT_EQ (b == root ? nullptr : root, b->root) << "block not pointing at the root";
        ASSERT_GT (b->count, 0u) << "empty block in a started chain";
        ASSERT_TRUE (b->buffer[0] == nullptr || b->hasAudio()) << "half-allocated block";
        if (b->start == 0)
            first = b;
        b = b->next;
    } while (b != root);

    ASSERT_TRUE (ring.count (hint)) << "hint outside the ring";
    ASSERT_NE (first, nullptr) << "no block at position 0";

    std::uint64_t covered = 0;
    b = first;
    do
    {
        ASSERT_EQ (b->start, covered) << "blocks do not touch";
        covered += b->count;
        b = b->next;
    } while (b != first);

    ASSERT_EQ (covered, expectedLength) << "counts do not add up to the loop length";
}

/** The chain's content, read sample by sample through play (mono or the given channel). */
inline std::vector<float> readChain (SampleBlock* hint, std::uint32_t channels = 1, int channel = 0)
{
    const auto length = SampleChain::loopLengthOf (hint);
    std::vector<float> left (length, 0.0f), right (length, 0.0f);
    float* outs[] = { left.data(), right.data() };
    SampleChain::play (hint, BlockCursor::onChannels (outs, channels, 0, length, 0), Direction::forwards, nullptr);
    return channel == 0 ? left : right;
}

/** A silent chain of fixed length, as a secondary loop starts. */
inline SampleBlock* makeSilentChain (MemorySystem::Allocator& memory, std::uint32_t length, std::uint32_t channels = 1)
{
    auto* root = SampleChain::createBlock (memory, nullptr, channels, 0, length, Direction::forwards, nullptr, nullptr);
    if (root != nullptr)
    {
        root->next = root->prev = root;
        root->loopLength = length;
    }
    return root;
}

} // namespace Work::Testing
