// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/Part.h"
#include "ChainTestSupport.h"
#include "engine/ChannelMasks.h"
#include "engine/DataMemory.h"
#include "support/AllocationCounter.h"
#include "support/BlockBuffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace Work;

namespace
{
constexpr int numInputs = 2, numOutputs = 8;

/** A performance: presses at absolute sample times, rendered through Part::process in blocks of
    any size. Each press acts at its offset into the block that contains it. */
struct Press
{
    enum class Action
    {
        startMain,
        stopMain,
        addLoop,
        stopLoop,
        multiply,
        erase,
        undo,
        redo,
        reverse,
        forwards
    };

    std::uint32_t time;
    Action action;
    int input = 0, output = 0;
    LoopKind kind = LoopKind::wholeCycle;
};

struct Rendering
{
    std::vector<std::vector<float>> outputs = std::vector<std::vector<float>> (numOutputs);
    std::vector<std::vector<float>> loops;
};

using Testing::firstDifference;

float inputSample (int channel, std::uint32_t t)
{
    return channel == 0 ? float (t % 4999 + 1) * 0.001f : -float (t % 1237 + 1) * 0.002f;
}

class PartTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE (memory.reservePool (32u << 20)); }

    Rendering render (const std::vector<Press>& presses, std::uint32_t total, std::uint32_t blockSize,
                      std::uint32_t inputLatency = 5, std::uint32_t outputLatency = 3)
    {
        Part part (memory, 'A', numInputs, numOutputs);
        part.setLatencies (inputLatency, outputLatency);
        Testing::BlockBuffers buffers (numInputs, numOutputs, int (blockSize));
        Rendering result;
        auto direction = Direction::forwards;
        std::size_t next = 0;

        for (std::uint32_t blockStart = 0; blockStart < total; blockStart += blockSize)
        {
            const auto n = std::min (blockSize, total - blockStart);

            for (; next < presses.size() && presses[next].time < blockStart + n; ++next)
            {
                const auto& p = presses[next];
                const auto offset = p.time - blockStart;
                switch (p.action)
                {
                    case Press::Action::startMain:
                        EXPECT_EQ (part.startMainLoop (p.input, p.output, 1, offset), LoopRefusal::none);
                        break;
                    case Press::Action::stopMain: part.stopMainLoop (offset); break;
                    case Press::Action::addLoop:
                        EXPECT_EQ (part.addLoop (p.input, p.output, 1, offset, p.kind, direction), LoopRefusal::none);
                        break;
                    case Press::Action::stopLoop: part.stopLoop (p.input, p.output, offset); break;
                    case Press::Action::multiply: part.doubleMultiplier(); break;
                    case Press::Action::erase: part.erase (p.output); break;
                    case Press::Action::undo: part.undo(); break;
                    case Press::Action::redo: part.redo(); break;
                    case Press::Action::reverse: direction = Direction::backwards; break;
                    case Press::Action::forwards: direction = Direction::forwards; break;
                }
            }

            buffers.fillInputs (blockStart, int (n),
                                [] (int c, std::int64_t t) { return inputSample (c, std::uint32_t (t)); });
            buffers.fillOutputs (0.0f);
            part.process (buffers.inputs(), buffers.outputs(), n, direction);
            buffers.appendOutputs (int (n));
        }

        result.outputs = std::move (buffers.rendered);

        if (auto* main = part.getMainLoop())
            result.loops.push_back (Testing::readChain (const_cast<SampleBlock*> (main->getChain())));
        for (auto* loop = part.getSecondaryLoops(); loop != nullptr; loop = loop->next)
            result.loops.push_back (Testing::readChain (const_cast<SampleBlock*> (loop->getChain())));
        for (auto* loop = part.getFreeLoops(); loop != nullptr; loop = loop->next)
            result.loops.push_back (Testing::readChain (const_cast<SampleBlock*> (loop->getChain())));

        part.clear();
        EXPECT_EQ (memory.getUsedBytes(), 0u) << "clear left loops in the pool";
        return result;
    }

    /** Records a main loop of roughly the given length (rounded by its tail) and lets it finish. */
    void recordMainLoop (Part& part, std::uint32_t length)
    {
        std::vector<float> silence (512, 0.1f);
        std::vector<float> scratch (512);
        const float* in[] = { silence.data(), silence.data() };
        std::vector<float*> out (numOutputs, scratch.data());
        ASSERT_EQ (part.startMainLoop (0, 0, 1, 0), LoopRefusal::none);
        for (std::uint32_t t = 0; t < length; t += 512)
            part.process (in, out.data(), 512, Direction::forwards);
        part.stopMainLoop (0);
        for (int b = 0; b < 4; ++b)
            part.process (in, out.data(), 512, Direction::forwards);
        ASSERT_TRUE (part.hasMainLoop());
    }

    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory { heap };
};

using A = Press::Action;
} // namespace

TEST (LoopKind, LengthsFollowTheMainLoopAndTheCycle)
{
    struct Case
    {
        LoopKind kind;
        std::uint32_t multiplier, length;
    };

    for (auto c : { Case { LoopKind::wholeCycle, 3, 144000 }, Case { LoopKind::oneMain, 3, 48000 },
                    Case { LoopKind::halfMain, 1, 24000 }, Case { LoopKind::thirdMain, 1, 16000 },
                    Case { LoopKind::quarterMain, 4, 12000 }, Case { LoopKind::halfCycle, 4, 96000 },
                    Case { LoopKind::thirdCycle, 4, 64000 }, Case { LoopKind::quarterCycle, 2, 24000 },
                    Case { LoopKind::free, 2, 0 }, Case { LoopKind (9), 1, 0 } })
        EXPECT_EQ (lengthForKind (c.kind, 48000, c.multiplier), c.length) << int (c.kind);

    EXPECT_EQ (lengthForKind (LoopKind::wholeCycle, 0x80000000u, 64), 0xffffffffu) << "capped, never wrapped";
}

TEST (ChannelMasks, MonoIsUnchangedAndStereoPairsChannels)
{
    using namespace ChannelMasks;
    EXPECT_EQ (channelsToBuses (0b1011'0101u, 1), 0b1011'0101u);
    EXPECT_EQ (channelsToBuses (0b0001'0101u, 2), 0b0111u) << "bus b follows channel 2b";
    EXPECT_EQ (channelsToBuses (0b1010u, 2), 0u) << "odd channels alone light no bus";
    EXPECT_EQ (busesToChannels (0b101u, 2), 0b11'00'11u);
    EXPECT_EQ (busesToChannels (0x8000'0000u, 2), 0u) << "bus 31 does not exist in stereo";
    EXPECT_EQ (channelsToBuses (7, 3), 0u);

    ActivityMatrix activity {};
    activity[0] = 0b01;
    activity[2] = 0b100;
    activity[3] = 0b1;
    const auto buses = matrixToBuses (activity, 2);
    EXPECT_EQ (buses[0], 0b01u);
    EXPECT_EQ (buses[1], 0b10u);
    EXPECT_EQ (buses[16], 0u);
    EXPECT_EQ (matrixToBuses (activity, 1), activity);
}

TEST_F (PartTest, TheSamePerformanceGivesTheSameLoopsAtEveryBlockSize)
{
    // Starts fall anywhere in a block and act at their sample. The loop set takes stops with an
    // offset too, but a stop pressed less than a fade length into a block fades from that block's
    // start (the nearest the loop can still shape), and multiplier, erase, undo and direction act
    // at a block start; those are placed on multiples of 32000 samples, a block start at every
    // size tried.
    const std::vector<Press> performance {
        { 100, A::startMain, 0, 0 },
        { 32000, A::stopMain },
        { 33003, A::addLoop, 1, 1, LoopKind::wholeCycle },
        { 64000, A::stopLoop, 1, 1 },
        { 64517, A::addLoop, 0, 2, LoopKind::free },
        { 96000, A::stopLoop, 0, 2 },
        { 96000, A::multiply },
        { 96203, A::addLoop, 0, 3, LoopKind::wholeCycle },
        { 128000, A::stopLoop, 0, 3 },
        { 128000, A::reverse },
        { 128333, A::addLoop, 1, 4, LoopKind::halfMain },
        { 160000, A::stopLoop, 1, 4 },
        { 160000, A::erase, 0, 1 },
        { 192000, A::undo },
        { 192000, A::forwards },
        { 193111, A::addLoop, 0, 5, LoopKind::oneMain },
        { 224000, A::stopLoop, 0, 5 },
    };

    const auto reference = render (performance, 240000, 64);
    ASSERT_EQ (reference.loops.size(), 6u);
    EXPECT_EQ (reference.loops[0].size() % 12, 0u) << "main loop length";

    for (std::uint32_t blockSize : { 16u, 256u, 1000u })
    {
        SCOPED_TRACE (blockSize);
        const auto other = render (performance, 240000, blockSize);
        ASSERT_EQ (other.loops.size(), reference.loops.size());
        for (std::size_t i = 0; i < reference.loops.size(); ++i)
        {
            EXPECT_EQ (other.loops[i].size(), reference.loops[i].size()) << "loop " << i;
            EXPECT_TRUE (other.loops[i] == reference.loops[i])
                << "loop " << i << firstDifference (other.loops[i], reference.loops[i]);
        }
        for (int c = 0; c < numOutputs; ++c)
            EXPECT_TRUE (other.outputs[std::size_t (c)] == reference.outputs[std::size_t (c)])
                << "output " << c << firstDifference (other.outputs[std::size_t (c)], reference.outputs[std::size_t (c)]);
    }

    // The performance itself did something: every loop holds sound and the outputs carry it.
    for (auto& loop : reference.loops)
        EXPECT_NE (std::count (loop.begin(), loop.end(), 0.0f), std::ptrdiff_t (loop.size()));
    EXPECT_NE (reference.outputs[3][150000], 0.0f);
    EXPECT_EQ (reference.outputs[1][180000], 0.0f) << "erased";
    EXPECT_NE (reference.outputs[1][200000], 0.0f) << "the erase was undone";
}

TEST_F (PartTest, SecondaryLoopsLineUpWithTheMainLoopWhateverTheLatency)
{
    // The main loop's sample k is what arrived at the input k samples after its start. A secondary
    // loop recorded later must put each arriving sample at the position the performer was hearing
    // when playing it, which is the main loop position of the same arrival time: sample t of the
    // input lands at t mod L, for any round-trip latency.
    for (std::uint32_t latency : { 0u, 64u, 200u })
    {
        SCOPED_TRACE (latency);
        const std::vector<Press> performance {
            { 0, A::startMain, 0, 0 },
            { 3072, A::stopMain },
            { 5000, A::addLoop, 1, 1, LoopKind::wholeCycle },
            { 8192, A::stopLoop, 1, 1 },
        };
        const auto r = render (performance, 12000, 512, latency / 2, latency - latency / 2);
        const auto L = std::uint32_t (r.loops[0].size());
        ASSERT_EQ (L, 3072u) << "ends on the press, a multiple of 12";
        const auto& secondary = r.loops[1];

        // Away from both fades and from the stretch the closing fade laps over.
        for (std::uint32_t t = 5200; t < 8050; t += 37)
            ASSERT_EQ (secondary[t % L], inputSample (1, t)) << t;
    }
}

TEST_F (PartTest, PositionRunsBackwardsThroughZero)
{
    Part part (memory, 'A', numInputs, numOutputs);
    recordMainLoop (part, 3000);
    const auto cycle = std::uint32_t (part.cycleLength());
    std::vector<float> scratch (256);
    const float* in[] = { scratch.data(), scratch.data() };
    std::vector<float*> out (numOutputs, scratch.data());

    part.setPosition (100);
    part.process (in, out.data(), 256, Direction::backwards);
    EXPECT_EQ (part.getPosition(), cycle - 156);
    part.process (in, out.data(), 256, Direction::forwards);
    EXPECT_EQ (part.getPosition(), 100u);
}

TEST_F (PartTest, MultiplierStaysWithinSixtyFourAndUndoesOnlyWhatItCan)
{
    Part part (memory, 'A', numInputs, numOutputs);
    recordMainLoop (part, 2000);

    for (int i = 0; i < 7; ++i)
        part.doubleMultiplier();
    EXPECT_EQ (part.getMultiplier(), 64u);
    EXPECT_EQ (part.getHistory().size(), 6) << "the seventh doubling did nothing";
    part.addToMultiplier();
    EXPECT_EQ (part.getMultiplier(), 64u);

    while (part.undo() != HistoryEntry::Type::none)
    {
    }
    EXPECT_EQ (part.getMultiplier(), 1u);

    part.addToMultiplier();
    part.addToMultiplier();
    ASSERT_EQ (part.getMultiplier(), 3u);
    HistoryEntry multiply;
    multiply.type = HistoryEntry::Type::multiply;
    multiply.amount = 1;
    part.getHistory().record (multiply);
    EXPECT_EQ (part.undo(), HistoryEntry::Type::multiply);
    EXPECT_EQ (part.getMultiplier(), 3u) << "an odd multiplier cannot be halved";
}

TEST_F (PartTest, ANewActionMakesOlderUndoneEntriesUnreachable)
{
    Part part (memory, 'A', numInputs, numOutputs);
    recordMainLoop (part, 2000);

    part.doubleMultiplier(); // 2
    EXPECT_EQ (part.undo(), HistoryEntry::Type::multiply);
    part.addToMultiplier(); // 2 again, by adding
    EXPECT_EQ (part.undo(), HistoryEntry::Type::add);
    EXPECT_EQ (part.getMultiplier(), 1u);
    EXPECT_EQ (part.redo(), HistoryEntry::Type::add);
    EXPECT_EQ (part.redo(), HistoryEntry::Type::none) << "the undone doubling is gone";
    EXPECT_EQ (part.getMultiplier(), 2u);
    EXPECT_EQ (part.undo(), HistoryEntry::Type::add);
    EXPECT_EQ (part.undo(), HistoryEntry::Type::none);
}

TEST_F (PartTest, HistoryKeepsAtMost511EntriesButActionsStillHappen)
{
    Part part (memory, 'A', numInputs, numOutputs);
    recordMainLoop (part, 2000);
    HistoryEntry filler;
    filler.type = HistoryEntry::Type::add;
    for (int i = 0; i < 600; ++i)
        part.getHistory().record (filler);
    EXPECT_EQ (part.getHistory().size(), 511);

    part.doubleMultiplier();
    EXPECT_EQ (part.getMultiplier(), 2u);
    EXPECT_EQ (part.getHistory().size(), 511);
}

TEST_F (PartTest, UndoAndRedoOfLoopsAndErasures)
{
    Part part (memory, 'A', numInputs, numOutputs);
    recordMainLoop (part, 2000);
    part.doubleMultiplier();
    std::vector<float> sound (512, 0.25f), scratch (512);
    const float* in[] = { sound.data(), sound.data() };
    std::vector<float*> out (numOutputs, scratch.data());

    EXPECT_FALSE (part.erase (5)) << "nothing plays on output 5";
    EXPECT_EQ (part.getHistory().size(), 1);

    ASSERT_EQ (part.addLoop (1, 3, 1, 0, LoopKind::oneMain, Direction::forwards), LoopRefusal::none);
    EXPECT_TRUE (part.isOverdubbing());
    EXPECT_TRUE (part.findRecording (1, 3));
    EXPECT_EQ (part.inputRecordingOn (3), 1);
    EXPECT_EQ (part.addLoop (0, 3, 1, 0, LoopKind::oneMain, Direction::forwards), LoopRefusal::outputBusy)
        << "one recording per output";
    part.process (in, out.data(), 512, Direction::forwards);
    part.stopLoop (1, 3, 100);
    EXPECT_FALSE (part.findRecording (1, 3)) << "a stopped loop writing its tail holds no slot";
    EXPECT_EQ (part.getAddAmount(), 2u) << "a finished secondary loop sets the add amount to the multiplier";
    part.process (in, out.data(), 512, Direction::forwards);
    EXPECT_FALSE (part.isOutputRecording (3));

    auto* loop = part.getSecondaryLoops();
    ASSERT_NE (loop, nullptr);
    EXPECT_EQ (part.undo(), HistoryEntry::Type::secondaryLoop);
    EXPECT_TRUE (loop->isUndone());
    EXPECT_EQ (part.getHistory().lastUndoneOutput, 3);
    EXPECT_EQ (part.redo(), HistoryEntry::Type::secondaryLoop);
    EXPECT_FALSE (loop->isUndone());

    EXPECT_TRUE (part.erase (3));
    EXPECT_TRUE (loop->isErased());
    EXPECT_FALSE (part.erase (3)) << "already erased";
    EXPECT_EQ (part.undo(), HistoryEntry::Type::erase);
    EXPECT_FALSE (loop->isErased());
    EXPECT_EQ (part.getAddAmount(), 2u) << "undoing an erase keeps the add amount";
    EXPECT_EQ (part.redo(), HistoryEntry::Type::erase);
    EXPECT_TRUE (loop->isErased());
}

TEST_F (PartTest, LoopsLeftOutOfTheBlocksWhileUndoneOrErasedPlayAgainWhenBroughtBack)
{
    // An undone or erased loop that has faded out is no longer visited by the blocks; redo and
    // the undo of an erasure must bring it back all the same.
    Part part (memory, 'A', numInputs, numOutputs);
    recordMainLoop (part, 2000);
    std::vector<float> sound (256, 0.25f);
    std::vector<std::vector<float>> channels (std::size_t (numOutputs), std::vector<float> (256));
    std::vector<float*> out;
    for (auto& c : channels)
        out.push_back (c.data());
    const float* in[] = { sound.data(), sound.data() };
    auto loudnessOn3 = [&] (int blocks) {
        float peak = 0.0f;
        for (int b = 0; b < blocks; ++b)
        {
            for (auto& c : channels)
                std::fill (c.begin(), c.end(), 0.0f);
            part.process (in, out.data(), 256, Direction::forwards);
            for (const auto x : channels[3])
                peak = std::max (peak, std::abs (x));
        }
        return peak;
    };

    ASSERT_EQ (part.addLoop (1, 3, 1, 0, LoopKind::oneMain, Direction::forwards), LoopRefusal::none);
    loudnessOn3 (8);
    part.stopLoop (1, 3, 0);
    EXPECT_GT (loudnessOn3 (16), 0.2f);

    for (int round = 0; round < 2; ++round)
    {
        if (round == 0)
            part.undo();
        else
            part.erase (3);
        loudnessOn3 (4); // the fade-out
        EXPECT_EQ (loudnessOn3 (16), 0.0f) << "round " << round;
        if (round == 0)
            part.redo();
        else
            part.undo();
        EXPECT_GT (loudnessOn3 (16), 0.2f) << "round " << round;
    }
}

TEST_F (PartTest, RefusesChannelsOutsideItsInputsAndOutputs)
{
    Part part (memory, 'A', numInputs, numOutputs);
    constexpr auto outside = LoopRefusal::channelsOutOfRange;
    EXPECT_EQ (part.startMainLoop (2, 0, 1, 0), outside);
    EXPECT_EQ (part.startMainLoop (1, 0, 2, 0), outside) << "a stereo pair needs inputs 1 and 2";
    EXPECT_EQ (part.startMainLoop (0, 8, 1, 0), outside);
    EXPECT_EQ (part.startMainLoop (0, -1, 1, 0), outside);
    EXPECT_EQ (part.startMainLoop (0, 0, 3, 0), outside);
    EXPECT_EQ (part.addLoop (0, 1, 1, 0, LoopKind::oneMain, Direction::forwards), LoopRefusal::noMainLoop);
    EXPECT_EQ (part.startMainLoop (0, 6, 2, 0), LoopRefusal::none);
    EXPECT_EQ (part.startMainLoop (0, 0, 1, 0), LoopRefusal::mainLoopExists);
    part.clear();
}
