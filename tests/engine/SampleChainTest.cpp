// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ChainTestSupport.h"
#include "engine/DataMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace Work;
using Work::Testing::expectChainConsistent;
using Work::Testing::makeSilentChain;
using Work::Testing::readChain;

namespace
{
/** The loop as a plain array, with the same per-sample ramp arithmetic as the engine. */
struct ReferenceLoop
{
    std::vector<float> samples;

    std::uint32_t length() const { return std::uint32_t (samples.size()); }

    /** Loop position of the j-th sample of an operation at p. */
    std::uint32_t at (std::uint32_t p, std::uint32_t j, Direction d) const
    {
        const auto L = std::uint64_t (length());
        return d == Direction::forwards ? std::uint32_t ((p + std::uint64_t (j)) % L)
                                        : std::uint32_t ((p + L * (j / L + 2) - 1 - j) % L);
    }

    void overdub (const std::vector<float>& input, std::uint32_t p, Direction d, GainRamp* ramp)
    {
        float g = ramp ? ramp->gain : 1.0f, s = ramp ? ramp->step : 0.0f;
        for (std::uint32_t j = 0; j < input.size(); ++j)
        {
            samples[at (p, j, d)] += input[j] * g;
            if (ramp)
                GainRamp::advance (g, s);
        }
        if (ramp)
            ramp->store (g, s);
    }

    void play (std::vector<float>& output, std::uint32_t p, Direction d, GainRamp* ramp) const
    {
        float g = ramp ? ramp->gain : 1.0f, s = ramp ? ramp->step : 0.0f;
        for (std::uint32_t j = 0; j < output.size(); ++j)
        {
            output[j] += ramp ? samples[at (p, j, d)] * g : samples[at (p, j, d)];
            if (ramp)
                GainRamp::advance (g, s);
        }
        if (ramp)
            ramp->store (g, s);
    }
};

GainRamp randomRamp (std::mt19937& random)
{
    GainRamp ramp;
    switch (random() % 4)
    {
        case 0:
            ramp.setGain (0.0f);
            ramp.startFadeIn();
            break;
        case 1:
            ramp.setGain (1.0f);
            ramp.startFadeOut();
            break;
        case 2: ramp.store (0.37f, 0.02f); break;
        default: ramp.store (0.61f, -0.02f); break;
    }
    return ramp;
}

std::vector<float> randomSamples (std::mt19937& random, std::uint32_t n)
{
    std::uniform_real_distribution<float> value (-1.0f, 1.0f);
    std::vector<float> v (n);
    for (auto& x : v)
        x = value (random);
    return v;
}

/** Runs seeded random overdubs and plays against the reference model. With a pool too small for
    everything, each overdub may drop stretches; those must keep their old samples. */
void runRandomSession (unsigned seed, std::uint64_t poolBytes, bool expectExhaustion)
{
    SCOPED_TRACE ("seed " + std::to_string (seed));
    std::mt19937 random (seed);
    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory (heap);
    ASSERT_TRUE (memory.reservePool (poolBytes));

    // A loop needing more sample memory than a small pool holds (4 bytes a sample).
    const auto length = std::uint32_t (expectExhaustion ? poolBytes / 4 + random() % 1000 : 50 + random() % 3000);
    ReferenceLoop model { std::vector<float> (length, 0.0f) };
    auto* hint = makeSilentChain (memory, length);
    ASSERT_NE (hint, nullptr);
    bool sawDrop = false;

    for (int step = 0; step < 600; ++step)
    {
        const auto direction = random() % 2 ? Direction::forwards : Direction::backwards;
        const auto position = std::uint32_t (random() % length);
        // Mostly short runs, sometimes longer than the loop, so writes wrap and split blocks.
        auto count = std::uint32_t (1 + (random() % 5 == 0 ? random() % (2 * length) : random() % 200));
        // When writes may be dropped, each position is written at most once per overdub, so a
        // dropped stretch is told apart from one written on a later lap.
        if (expectExhaustion)
            count = std::min (count, length);
        const bool useRamp = random() % 3 == 0;
        GainRamp chainRamp = randomRamp (random), modelRamp = chainRamp;

        if (random() % 2 == 0)
        {
            const auto input = randomSamples (random, count);
            const auto before = model.samples;
            model.overdub (input, position, direction, useRamp ? &modelRamp : nullptr);

            auto cursor = BlockCursor::onChannels (std::vector<const float*> { input.data() }.data(), 1, 0, count, position);
            hint = SampleChain::overdub (memory, hint, cursor, direction, useRamp ? &chainRamp : nullptr);
            expectChainConsistent (hint, length);
            if (::testing::Test::HasFatalFailure())
                return;

            const auto actual = readChain (hint);
            for (std::uint32_t i = 0; i < length; ++i)
            {
                if (actual[i] == model.samples[i])
                    continue;
                // Only a stretch that could not be given memory may differ, and it keeps its old samples.
                ASSERT_EQ (actual[i], before[i]) << "position " << i << " step " << step;
                sawDrop = true;
            }
            model.samples = actual;
            if (useRamp)
            {
                ASSERT_EQ (chainRamp.gain, modelRamp.gain) << "ramp must move by every sample, written or not";
            }
        }
        else
        {
            auto expected = randomSamples (random, count);
            auto actual = expected;
            model.play (expected, position, direction, useRamp ? &modelRamp : nullptr);
            float* outs[] = { actual.data() };
            hint = SampleChain::play (hint, BlockCursor::onChannels (outs, 1, 0, count, position), direction,
                                      useRamp ? &chainRamp : nullptr);
            ASSERT_EQ (actual, expected) << "play at " << position << " count " << count << " step " << step;
            ASSERT_EQ (chainRamp.gain, modelRamp.gain);
            expectChainConsistent (hint, length);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }

    EXPECT_EQ (sawDrop, expectExhaustion);
    SampleChain::destroyBlock (memory, hint->chainRoot());
    EXPECT_EQ (memory.getUsedBytes(), 0u) << "chain leaked pool memory";
}
} // namespace

TEST (SampleChain, RandomOverdubsAndPlaysMatchAPlainArray)
{
    for (unsigned seed : { 1u, 7u, 19u, 2024u, 31337u })
        runRandomSession (seed, 8u << 20, false);
}

TEST (SampleChain, ExhaustedPoolDropsStretchesButKeepsTheChainConsistent)
{
    for (unsigned seed : { 3u, 11u, 99u })
        runRandomSession (seed, 4 * 1024, true);
}

TEST (SampleChain, WritingIntoSilenceGivesAudioToOneChunkAroundIt)
{
    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory (heap);
    ASSERT_TRUE (memory.reservePool (1 << 20));
    const auto chunk = SampleChain::chunkSamples;
    auto* hint = makeSilentChain (memory, 10000);
    std::vector<float> input (100, 0.5f);
    const float* in[] = { input.data() };

    // Into the middle of silence: silence, one chunk of audio starting at the write, silence.
    hint = SampleChain::overdub (memory, hint, BlockCursor::onChannels (in, 1, 0, 100, 4000), Direction::forwards, nullptr);
    expectChainConsistent (hint, 10000);
    EXPECT_EQ (hint->start, 4000u);
    EXPECT_EQ (hint->count, chunk);
    EXPECT_TRUE (hint->hasAudio());
    EXPECT_EQ (hint->prev->count, 4000u);
    EXPECT_EQ (hint->next->count, 10000u - 4000 - chunk);
    EXPECT_EQ (hint->next->next, hint->prev) << "three blocks in the ring";

    // Later writes inside the chunk add in place and take no memory.
    const auto used = memory.getUsedBytes();
    hint = SampleChain::overdub (memory, hint, BlockCursor::onChannels (in, 1, 0, 100, 4050), Direction::forwards, nullptr);
    hint = SampleChain::overdub (memory, hint, BlockCursor::onChannels (in, 1, 0, 100, 5000), Direction::forwards, nullptr);
    EXPECT_EQ (memory.getUsedBytes(), used);
    auto content = readChain (hint);
    EXPECT_EQ (content[4060], 1.0f);
    EXPECT_EQ (content[5000], 0.5f);
    EXPECT_EQ (content[4200], 0.0f) << "the rest of the chunk is silence";

    // A reversed write reaches its chunk back from where it ends; one ending at 0 wraps to the loop's end.
    std::vector<float> numbers { 1, 2, 3 };
    const float* r[] = { numbers.data() };
    hint = SampleChain::overdub (memory, hint, BlockCursor::onChannels (r, 1, 0, 3, 9000), Direction::backwards, nullptr);
    expectChainConsistent (hint, 10000);
    EXPECT_EQ (hint->start + hint->count, 9000u);
    EXPECT_EQ (hint->count, chunk);
    hint = SampleChain::overdub (memory, hint, BlockCursor::onChannels (r, 1, 0, 3, 0), Direction::backwards, nullptr);
    expectChainConsistent (hint, 10000);
    content = readChain (hint);
    EXPECT_EQ (content[8999], 1.0f);
    EXPECT_EQ (content[8997], 3.0f);
    EXPECT_EQ (content[9999], 1.0f);
    EXPECT_EQ (content[9997], 3.0f);

    SampleChain::destroyBlock (memory, hint->chainRoot());
    EXPECT_EQ (memory.getUsedBytes(), 0u);
}

TEST (SampleChain, AGrowingChainFillsItsLastBlockBeforeTakingAnother)
{
    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory (heap);
    ASSERT_TRUE (memory.reservePool (1 << 20));
    auto* root = SampleChain::createBlock (memory, nullptr, 1, 0, 0, Direction::forwards, nullptr, nullptr);
    root->next = root->prev = root;
    std::vector<float> input (64);
    const float* in[] = { input.data() };
    const auto cursor = BlockCursor::onChannels (in, 1, 0, 64, 0);

    ASSERT_TRUE (
        SampleChain::writeFresh (memory, root, cursor, 64, Direction::forwards, nullptr, SampleChain::chunkSamples));
    SampleChain::setLoopLength (root, 64);
    for (std::uint32_t k = 1; k < 100; ++k)
    {
        std::fill (input.begin(), input.end(), float (k));
        SampleChain::append (memory, root, cursor, nullptr);
    }

    expectChainConsistent (root, 6400);
    int blocks = 0;
    for (auto* b = root; blocks == 0 || b != root; b = b->next)
        ++blocks;
    EXPECT_EQ (blocks, 4) << "6400 samples in chunks of 2048";
    const auto content = readChain (root);
    for (std::uint32_t i = 64; i < 6400; i += 97)
        ASSERT_EQ (content[i], float (i / 64)) << i;
    SampleChain::destroyBlock (memory, root);
    EXPECT_EQ (memory.getUsedBytes(), 0u);
}

TEST (SampleChain, PlayWrapsAtTheEndAndReversePlayAtZeroReadsTheEndNewestFirst)
{
    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory (heap);
    ASSERT_TRUE (memory.reservePool (1 << 20));
    auto* hint = makeSilentChain (memory, 10);
    std::vector<float> numbers { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    const float* in[] = { numbers.data() };
    hint = SampleChain::overdub (memory, hint, BlockCursor::onChannels (in, 1, 0, 10, 0), Direction::forwards, nullptr);

    std::vector<float> out (4, 0.0f);
    float* o[] = { out.data() };
    SampleChain::play (hint, BlockCursor::onChannels (o, 1, 0, 4, 8), Direction::forwards, nullptr);
    EXPECT_EQ (out, (std::vector<float> { 8, 9, 0, 1 }));

    out.assign (4, 0.0f);
    SampleChain::play (hint, BlockCursor::onChannels (o, 1, 0, 4, 0), Direction::backwards, nullptr);
    EXPECT_EQ (out, (std::vector<float> { 9, 8, 7, 6 }));

    SampleChain::destroyBlock (memory, hint->chainRoot());
}

TEST (GainRamp, FadesTakeFiftySamplesAndStartFromWhereTheyAre)
{
    GainRamp ramp;
    ramp.startFadeIn();
    for (int i = 0; i < 49; ++i)
        GainRamp::advance (ramp.gain, ramp.step);
    EXPECT_TRUE (ramp.isMoving());
    GainRamp::advance (ramp.gain, ramp.step);
    EXPECT_EQ (ramp.gain, 1.0f) << "float error must not stretch a fade to 51 samples";
    EXPECT_FALSE (ramp.isMoving());

    ramp.startFadeOut();
    EXPECT_TRUE (ramp.isFadingOut());
    EXPECT_EQ (ramp.samplesLeft(), 50);
    ramp.skip (16);
    EXPECT_EQ (ramp.samplesLeft(), 34) << "rounded, not truncated: float error must not lose a sample";
    ramp.skip (40);
    EXPECT_TRUE (ramp.isSilent());

    GainRamp low;
    low.setGain (0.3f);
    low.startFadeOut();
    EXPECT_TRUE (low.isSilent()) << "below half way a fade-out drops straight to silence";
    GainRamp high;
    high.setGain (0.7f);
    high.startFadeIn();
    EXPECT_EQ (high.gain, 1.0f);
}
