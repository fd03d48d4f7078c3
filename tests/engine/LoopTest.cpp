// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ChainTestSupport.h"
#include "engine/DataMemory.h"
#include "engine/MainLoop.h"
#include "engine/NonRhythmicalLoop.h"
#include "engine/SecondaryLoop.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Work;

namespace
{
/** Input whose sample at absolute time t is t + 1, so a recorded value tells when it was played. */
struct NumberedInput
{
    std::uint32_t time = 0;
    std::vector<float> samples;

    const float* next (std::uint32_t n)
    {
        samples.resize (n);
        for (std::uint32_t i = 0; i < n; ++i)
            samples[i] = float (time + i + 1);
        time += n;
        return samples.data();
    }
};

/** Expected recording: value v_i = i + 1 + firstValue under a fade-in over the first 50 samples
    and a fade-out over the last 50, with the engine's ramp arithmetic. */
std::vector<float> expectedRecording (std::uint32_t length, std::uint32_t fadeOutStart, float firstValue = 1.0f)
{
    std::vector<float> v (length);
    GainRamp in;
    in.startFadeIn();
    GainRamp out;
    out.setGain (1.0f);
    out.startFadeOut();

    for (std::uint32_t i = 0; i < length; ++i)
    {
        auto& ramp = i < fadeOutStart ? in : out;
        v[i] = (firstValue + float (i)) * (ramp.isMoving() ? ramp.gain : 1.0f);
        if (ramp.isMoving())
            GainRamp::advance (ramp.gain, ramp.step);
    }
    return v;
}

class LoopTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE (memory.reservePool (16u << 20)); }
    void TearDown() override { EXPECT_EQ (memory.getUsedBytes(), 0u) << "a loop leaked pool memory"; }

    /** Records `samples` samples into a growing loop in blocks of blockSize. */
    template <typename Loop>
    void recordFor (Loop& loop, NumberedInput& input, std::uint32_t samples, std::uint32_t blockSize)
    {
        for (std::uint32_t done = 0; done < samples;)
        {
            const auto n = std::min (blockSize, samples - done);
            const float* in[] = { input.next (n) };
            loop.record (in, n);
            done += n;
        }
    }

    template <typename Loop>
    void recordUntilDone (Loop& loop, NumberedInput& input, std::uint32_t blockSize)
    {
        for (int guard = 0; loop.isRecording() && guard < 10000; ++guard)
        {
            const float* in[] = { input.next (blockSize) };
            loop.record (in, blockSize);
        }
    }

    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory { heap };
};
} // namespace

TEST_F (LoopTest, MainLoopEndsOnThePressRoundedUpToTwelveWhateverTheBlockSize)
{
    struct Case
    {
        std::uint32_t recorded, offset, length;
    };

    // The press 200 samples on ends the loop after a tail and the fade; presses 30, 10 and 0
    // samples into the block end it where its closing fade began in samples already recorded.
    for (auto c : { Case { 9000, 200, 9204 }, Case { 9010, 30, 9048 }, Case { 9001, 10, 9012 }, Case { 9000, 0, 9000 } })
        for (std::uint32_t blockSize : { 16u, 64u, 256u, 1000u })
        {
            SCOPED_TRACE (::testing::Message() << c.recorded << " +" << c.offset << " at block " << blockSize);
            auto* loop = MainLoop::create (memory, 0, 0, 1);
            ASSERT_NE (loop, nullptr);
            NumberedInput input;
            loop->startRecording (0);
            recordFor (*loop, input, c.recorded, blockSize);
            ASSERT_EQ (loop->length(), c.recorded);

            loop->stopRecording (c.offset);
            EXPECT_EQ (loop->remainingAfterStop(), c.length - c.recorded);
            recordUntilDone (*loop, input, blockSize);

            EXPECT_EQ (loop->length(), c.length);
            EXPECT_EQ (Testing::readChain (const_cast<SampleBlock*> (loop->getChain())),
                       expectedRecording (c.length, c.length - 50));
            loop->destroy();
        }
}

TEST_F (LoopTest, SecondaryStopNearThePressFadesAtOnceElseAfterATail)
{
    struct Case
    {
        std::uint32_t offset, fullGainAfterStop;
    };

    for (auto c : { Case { 20, 0 }, Case { 120, 70 } })
    {
        SCOPED_TRACE (c.offset);
        auto* loop = SecondaryLoop::create (memory, 0, 0, 1, 1000);
        ASSERT_NE (loop, nullptr);
        NumberedInput input;
        loop->startRecording (0);
        const float* first[] = { input.next (64) };
        loop->record (first, 0, Direction::forwards, 64);
        loop->stopRecording (c.offset);
        EXPECT_EQ (loop->remainingAfterStop(), c.fullGainAfterStop + 50);

        for (std::uint32_t position = 64; loop->isRecording(); position += 64)
        {
            const float* in[] = { input.next (64) };
            loop->record (in, position, Direction::forwards, 64);
        }

        const auto content = Testing::readChain (const_cast<SampleBlock*> (loop->getChain()));
        const auto expected = expectedRecording (64 + c.fullGainAfterStop + 50, 64 + c.fullGainAfterStop);
        for (std::uint32_t i = 0; i < 1000; ++i)
            ASSERT_EQ (content[i], i < expected.size() ? expected[i] : 0.0f) << i;
        loop->destroy();
    }
}

TEST_F (LoopTest, ALoopShorterThanTheBlockRepeatsWithinIt)
{
    // A stop after 100 samples ends the loop at 108, the next multiple of 12; played in 400-sample blocks.
    auto* loop = MainLoop::create (memory, 0, 1, 1);
    NumberedInput input;
    loop->startRecording (0);
    recordFor (*loop, input, 100, 64);
    loop->stopRecording (0);
    recordUntilDone (*loop, input, 64);
    ASSERT_EQ (loop->length(), 108u);
    const auto content = Testing::readChain (const_cast<SampleBlock*> (loop->getChain()));

    std::vector<float> channel0 (400, 0.0f), channel1 (400, 0.0f);
    float* outputs[] = { channel0.data(), channel1.data() };
    ActivityMatrix activity {};
    loop->play (outputs, 5, Direction::forwards, 400, &activity);

    for (std::uint32_t j = 0; j < 400; ++j)
        ASSERT_EQ (channel1[j], content[(5 + j) % 108]) << j;
    EXPECT_EQ (channel0, std::vector<float> (400, 0.0f)) << "plays only into its own channel";
    EXPECT_EQ (activity[1], 1u);

    channel1.assign (400, 0.0f);
    loop->play (outputs, 5, Direction::backwards, 400, nullptr);
    for (std::uint32_t j = 0; j < 400; ++j)
        ASSERT_EQ (channel1[j], content[(5 + 108 * 4 - 1 - j) % 108]) << j;
    loop->destroy();
}

TEST_F (LoopTest, FreeLoopRecordedReversedPlaysTheOtherWay)
{
    auto* loop = NonRhythmicalLoop::create (memory, 0, 0, 1, Direction::backwards);
    NumberedInput input;
    loop->startRecording (0);
    recordFor (*loop, input, 100, 64);
    loop->stopRecording (0);
    recordUntilDone (*loop, input, 64);
    ASSERT_EQ (loop->length(), 100u);
    const auto content = Testing::readChain (const_cast<SampleBlock*> (loop->getChain()));

    std::vector<float> out (100, 0.0f);
    float* outputs[] = { out.data() };
    loop->playOwn (outputs, Direction::backwards, 100, nullptr);
    EXPECT_EQ (out, content) << "reversed direction plays it forwards";
    EXPECT_EQ (loop->getPosition(), 0u);

    out.assign (100, 0.0f);
    loop->playOwn (outputs, Direction::forwards, 100, nullptr);
    for (std::uint32_t j = 0; j < 100; ++j)
        ASSERT_EQ (out[j], content[99 - j]) << j;
    loop->destroy();
}

TEST_F (LoopTest, MutingFadesOverFiftySamplesEvenAcrossShortBlocks)
{
    auto* loop = SecondaryLoop::create (memory, 0, 0, 1, 4000);
    NumberedInput input;
    std::vector<float> ones (4000, 1.0f);
    const float* in[] = { ones.data() };
    loop->startRecording (0);
    loop->record (in, 0, Direction::forwards, 4000);
    loop->stopRecording (0);
    loop->record (in, 0, Direction::forwards, 100);

    std::vector<float> out;
    auto playBlocks = [&] (std::uint32_t from, std::uint32_t blocks) {
        out.assign (16 * blocks, 0.0f);
        for (std::uint32_t b = 0; b < blocks; ++b)
        {
            float* o[] = { out.data() + 16 * b };
            loop->play (o, from + 16 * b, Direction::forwards, 16, nullptr);
        }
    };

    playBlocks (1000, 2);
    EXPECT_EQ (out[0], 1.0f);

    loop->setErased (true);
    playBlocks (1032, 5);
    for (std::uint32_t j = 0; j < 80; ++j)
        ASSERT_NEAR (out[j], j < 50 ? 1.0f - 0.02f * float (j) : 0.0f, 1e-5f) << j;

    loop->setErased (false);
    playBlocks (1112, 5);
    for (std::uint32_t j = 0; j < 80; ++j)
        ASSERT_NEAR (out[j], j < 50 ? 0.02f * float (j) : 1.0f, 1e-5f) << j;
    loop->destroy();
}
