// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LooperRig.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace Work;

using namespace Work::Testing;

TEST (Looper, MainLoopStartsAtThePressedInputSampleAtEveryBlockSize)
{
    // The press at t samples reached the input t + inputLatency - offset later: with latency 7
    // and an offset of 3 ms (3 samples here), the loop starts with input sample t + 4.
    std::vector<float> reference;

    for (int blockSize : { 64, 16, 256, 1024 })
    {
        SCOPED_TRACE (blockSize);
        LooperRig rig (blockSize, 7, 5, 3);
        rig.at (1003, C::punch, 0, 1, 0);
        // A stop pressed within a fade length of a block start fades from that block's start:
        // pressed at 10240, a block start at every size, the fade starts there at every size.
        rig.at (10240, C::punch, 0, 1, 0);
        rig.runUntil (14000);

        const auto loop = rig.mainLoop();
        ASSERT_FALSE (loop.empty());
        EXPECT_EQ (loop.size() % 12, 0u);
        for (std::size_t k = 60; k < 9000; k += 101)
            ASSERT_EQ (loop[k], inputSample (0, 1007 + std::int64_t (k))) << k;

        if (reference.empty())
            reference = loop;
        EXPECT_TRUE (loop == reference) << "block size changed the recording";
        EXPECT_TRUE (rig.looper->isPlaying());
    }
}

TEST (Looper, SecondaryLoopsTakeTheirLengthFromTheLoopKind)
{
    LooperRig rig (64);
    rig.looper->getOptions().loopDivisionMode = 4;
    rig.at (0, C::punch, 0, 1, 0);
    rig.at (4788, C::punch, 0, 1, 0); // a multiple of 12: the loop ends on the press
    rig.runUntil (5000);
    ASSERT_EQ (rig.looper->getCurrentPart().mainLoopLength(), 4788u);

    rig.at (5000, C::multiplyDuration);
    rig.runUntil (5100);
    EXPECT_EQ (rig.looper->getCurrentPart().getMultiplier(), 2u);

    // Division steps through one main length, its half, third, quarter, then the cycle's.
    const LoopKind expectedKinds[] = { LoopKind::oneMain,      LoopKind::halfMain,  LoopKind::thirdMain,
                                       LoopKind::quarterMain,  LoopKind::halfCycle, LoopKind::thirdCycle,
                                       LoopKind::quarterCycle, LoopKind::wholeCycle };
    std::int64_t t = 5100;
    for (auto kind : expectedKinds)
    {
        rig.at (t, C::loopDivision);
        rig.runUntil (t + 64);
        EXPECT_EQ (rig.looper->getLoopKind(), kind);
        t += 64;
    }

    rig.at (t, C::loopDivision);         // one main length
    rig.at (t + 100, C::punch, 1, 1, 0); // a secondary loop of 4788
    rig.at (t + 300, C::punch, 1, 1, 0);
    rig.at (t + 400, C::addDuration); // 2 + add amount (the multiplier, 2) = 4
    rig.runUntil (t + 1000);
    EXPECT_EQ (rig.looper->getCurrentPart().getSecondaryLoops()->length(), 4788u);
    EXPECT_EQ (rig.looper->getCurrentPart().getMultiplier(), 4u);

    rig.at (t + 1000, C::freeLoops);
    rig.runUntil (t + 1100);
    EXPECT_EQ (rig.looper->getLoopKind(), LoopKind::free);
}

TEST (Looper, UndoWhileOverdubbingStopsAtThePressAndSilencesTheLoopABlockLater)
{
    LooperRig rig (64);
    rig.at (0, C::punch, 0, 1, 0);
    rig.at (2950, C::punch, 0, 1, 0);
    rig.at (3100, C::stripClick, 3);  // cursor onto loop channel 3
    rig.at (3200, C::punch, 1, 1, 0); // overdub channel 3 from input 1
    rig.at (4000, C::undo);
    rig.runUntil (4000 + 64 * 3);
    rig.poll();

    auto& part = rig.looper->getCurrentPart();
    auto* loop = part.getSecondaryLoops();
    ASSERT_NE (loop, nullptr);
    EXPECT_FALSE (loop->isRecording()) << "the fade after the press is written";
    EXPECT_TRUE (loop->isUndone());
    EXPECT_EQ (rig.cursors.cursor (0), 3) << "the cursor follows the undone loop";

    rig.at (rig.now, C::redo);
    rig.runUntil (rig.now + 64);
    EXPECT_FALSE (loop->isUndone());
    EXPECT_EQ (rig.cursors.cursor (0), 4) << "redo places the cursor after the loop when advancing";

    // The loop holds the overdub up to the press: samples after it stayed silent.
    const auto content = rig.secondaryLoop (0);
    const auto L = content.size();
    // The main loop began at sample 0, so an input sample arriving at t belongs at t mod L.
    const auto position = [&] (std::int64_t t) { return std::size_t (t % std::int64_t (L)); };
    EXPECT_EQ (content[position (3500)], inputSample (1, 3500));
    EXPECT_EQ (content[position (4100)], 0.0f);
}

TEST (Looper, StopFadesTheBlockThenSilenceAndTheNextStartIsAtPositionZero)
{
    LooperRig rig (100);
    rig.at (0, C::punch, 0, 1, 0);
    rig.at (2950, C::punch, 0, 1, 0);
    rig.runUntil (5000);
    rig.at (5000, C::startStop);
    rig.runUntil (5300);
    rig.poll();

    const auto& output = rig.output (0);
    EXPECT_FALSE (rig.looper->isPlaying());
    EXPECT_TRUE (rig.gui.saw ("stopped"));
    EXPECT_NE (output[5000], 0.0f);
    EXPECT_LT (std::abs (output[5099]), std::abs (inputSample (0, 0)) * 2.0f + 100.0f) << "faded";
    for (int t = 5100; t < 5300; ++t)
        ASSERT_EQ (output[std::size_t (t)], 0.0f) << t;
    EXPECT_EQ (rig.looper->getCurrentPart().getPosition(), 0u);

    rig.at (5300, C::startStop);
    rig.runUntil (5400);
    EXPECT_TRUE (rig.looper->isPlaying());
    const auto loop = rig.mainLoop();
    EXPECT_EQ (output.size(), 5400u);
    EXPECT_EQ (rig.output (0)[5300], 0.0f) << "fades in from silence";
    EXPECT_FLOAT_EQ (rig.output (0)[5350], loop[50] * 0.5f) << "from position 0, fading in over the block";
}

TEST (Looper, ResyncRestartsTheCycleWithAFade)
{
    LooperRig rig (100);
    rig.at (0, C::punch, 0, 1, 0);
    rig.at (2950, C::punch, 0, 1, 0);
    rig.at (4000, C::resync);
    rig.runUntil (4300);
    EXPECT_TRUE (rig.looper->isPlaying());
    const auto loop = rig.mainLoop();
    EXPECT_EQ (rig.output (0)[4150], loop[50] * 0.5f) << "position 0 at the block after the fade out";
}

TEST (Looper, MuteAndSoloFadeAndAreAnnounced)
{
    LooperRig rig (100);
    std::vector<float> before;
    rig.at (0, C::punch, 0, 1, 0);
    rig.at (2950, C::punch, 0, 1, 0);
    rig.runUntil (4000);

    rig.at (4000, C::mute, 0, 1);
    rig.runUntil (4200);
    rig.poll();
    EXPECT_TRUE (rig.gui.saw ("dim 0"));
    EXPECT_EQ (rig.output (0)[4150], 0.0f);
    EXPECT_NE (rig.output (0)[4010], 0.0f) << "fades over the block";

    rig.at (4200, C::mute, 0, 2); // toggle back
    rig.at (4300, C::solo, 1, 1);
    rig.at (4300, C::solo, 2, 1);
    rig.runUntil (4500);
    rig.poll();
    EXPECT_TRUE (rig.gui.saw ("undim 0"));
    EXPECT_EQ (rig.looper->getSoloMask(), 0b110u);
    EXPECT_EQ (rig.output (0)[4450], 0.0f) << "a solo elsewhere mutes channel 0";

    rig.at (4500, C::solo, 1, 0);
    rig.runUntil (4700);
    EXPECT_EQ (rig.looper->getSoloMask(), 0b100u);
    EXPECT_EQ (rig.output (0)[4650], 0.0f) << "bus 2 still soloed";
    rig.at (4700, C::solo, 2, 0);
    rig.runUntil (4900);
    EXPECT_NE (rig.output (0)[4850], 0.0f) << "no solo left: back to the mute mask";
}

TEST (Looper, AFullCommandQueueDropsTheNextPostAndRunsOn)
{
    LooperRig rig (64);
    int accepted = 0;
    for (int i = 0; i < 5000; ++i)
        accepted += rig.looper->post ({ C::mute, 0, 2, 0, 0 }) ? 1 : 0;
    EXPECT_EQ (accepted, VarnoloLooper::commandCapacity - 1);

    rig.runUntil (640);
    EXPECT_EQ (rig.looper->getMuteMask(), (VarnoloLooper::commandCapacity - 1) % 2 == 1 ? 1u : 0u);
    rig.at (640, C::punch, 0, 1, 0);
    rig.runUntil (1000);
    EXPECT_TRUE (rig.looper->isPlaying());
}

namespace
{
struct FakeClock
    : MidiClockManager
    , TapTempoProcessor
{
    void mainLoopStarted (float sr, std::int64_t time, std::uint32_t) override
    {
        calls.push_back ("started " + std::to_string (int (sr)) + " " + std::to_string (time));
    }
    void mainLoopClosed (std::int64_t time) override { calls.push_back ("closed " + std::to_string (time)); }
    void start (std::int64_t time) override { calls.push_back ("start " + std::to_string (time)); }
    void stop (std::int64_t) override { calls.push_back ("stop"); }
    void restart (std::int64_t) override { calls.push_back ("restart"); }
    void direction (bool reverse, std::int64_t) override { calls.push_back (reverse ? "backwards" : "forwards"); }
    void reset() override { calls.push_back ("reset"); }
    void enable (bool on) override { calls.push_back (on ? "enable" : "disable"); }
    void tap (std::int64_t time) noexcept override { calls.push_back ("tap " + std::to_string (time)); }
    void follow (std::int64_t period) noexcept override { calls.push_back ("follow " + std::to_string (period)); }
    void perBlock (std::uint32_t, bool, bool, std::uint32_t, std::uint32_t, std::uint32_t mainLength, std::int64_t,
                   bool) override
    {
        ++blocks;
        lastMainLength = mainLength;
    }

    bool saw (const std::string& c) const { return std::find (calls.begin(), calls.end(), c) != calls.end(); }

    std::vector<std::string> calls;
    int blocks = 0;
    std::uint32_t lastMainLength = 0;
};
} // namespace

TEST (Looper, TransportEventsReachTheClockAndItsAnswersTheGui)
{
    LooperRig rig (100);
    FakeClock clock;
    MidiClockPair pair { &clock, &clock };
    rig.looper->setClock (&pair);

    rig.at (10, C::punch, 0, 1, 0);
    rig.at (2950, C::punch, 0, 1, 0);
    rig.at (4000, C::direction, 2);
    rig.at (4200, C::resync);
    rig.at (4500, C::startStop);
    rig.at (4800, C::startStop);
    rig.at (5000, C::clockOutput, 0);
    rig.runUntil (5500);

    EXPECT_EQ (clock.calls.front(), "started 1000 10");
    for (auto call : { "closed 2950", "backwards", "restart", "stop", "start 4800", "disable" })
        EXPECT_TRUE (clock.saw (call)) << call;
    EXPECT_GT (clock.blocks, 20);
    EXPECT_EQ (clock.lastMainLength, rig.looper->getCurrentPart().mainLoopLength());

    rig.looper->tempoChanged (120000, 4, 4);
    rig.looper->clockStarted();
    rig.looper->beatsPerBarChanged (3);
    rig.looper->report (1, 2);
    rig.poll();
    for (auto message : { "clock 2200", "clock 2201", "clock 2203", "clock 2300", "clock off" })
        EXPECT_TRUE (rig.gui.saw (message)) << message;
    EXPECT_FALSE (rig.looper->getCurrentPart().clockEnabled) << "only the audio thread writes the loop set";
    rig.runUntil (rig.now + 100);
    EXPECT_TRUE (rig.looper->getCurrentPart().clockEnabled) << "taken at the next block";

    rig.at (rig.now, C::startStop);
    rig.runUntil (rig.now + 300);
    rig.at (rig.now, C::resetLoops);
    rig.at (rig.now + 1, C::resetLoops);
    rig.runUntil (rig.now + 300);
    rig.poll();
    EXPECT_TRUE (clock.saw ("reset"));
}

TEST (Looper, WithoutAClockEveryClockCommandStillChangesTheLoopersOwnState)
{
    LooperRig rig (100);
    rig.at (10, C::punch, 0, 1, 0);
    rig.at (2950, C::punch, 0, 1, 0);
    rig.at (3200, C::direction, 2);
    rig.at (3300, C::startStop);
    rig.at (3400, C::clockOutput, 0);
    rig.runUntil (3500);
    rig.poll();
    EXPECT_TRUE (rig.looper->isReversed());
    EXPECT_FALSE (rig.looper->isPlaying());
    EXPECT_TRUE (rig.gui.saw ("clock off"));

    // On again is shown, but with no clock to know the loop's bars the loop set keeps it off.
    rig.at (3600, C::clockOutput, 1);
    rig.at (3700, C::startStop);
    rig.runUntil (3800);
    rig.poll();
    EXPECT_TRUE (rig.gui.saw ("clock on"));
    EXPECT_FALSE (rig.looper->getCurrentPart().clockEnabled);
    EXPECT_TRUE (rig.looper->isPlaying());
}

TEST (Looper, StatusCarriesTheCycleRecordingAndTransport)
{
    LooperRig rig (100);
    rig.at (0, C::punch, 0, 1, 0);
    rig.runUntil (1000);
    rig.poll();
    auto words = rig.gui.status.words;
    EXPECT_EQ (words[LooperStatus::recordingInputs], 1u);
    EXPECT_EQ (words[LooperStatus::recordingOutputs], 1u);
    EXPECT_EQ (words[LooperStatus::flags] & LooperStatus::playing, LooperStatus::playing);
    EXPECT_EQ (words[LooperStatus::cycle], 0u) << "no finished main loop yet";

    rig.at (2950, C::punch, 0, 1, 0);
    rig.at (3500, C::mute, 2, 1);
    rig.runUntil (4500);
    rig.poll();
    words = rig.gui.status.words;
    const auto position = rig.looper->getCurrentPart().getPosition();
    const auto length = rig.looper->getCurrentPart().mainLoopLength();
    EXPECT_EQ (words[LooperStatus::cycle] & 0xff, std::uint32_t (255.0f * float (position % length) / float (length)));
    EXPECT_EQ ((words[LooperStatus::cycle] >> 8) & 0xff, 1u);
    EXPECT_EQ ((words[LooperStatus::cycle] >> 16) & 0xff, 1u) << "multiplier";
    EXPECT_EQ (words[LooperStatus::recordingInputs], 0u);
    EXPECT_EQ (words[LooperStatus::muted], 0b100u);
    EXPECT_EQ (words[LooperStatus::activityFirst], 1u) << "input 0 sounds on loop channel 0";
    EXPECT_EQ (words[LooperStatus::memory] & 0xffff, std::uint32_t (rig.memory.getFreeBytes() >> 20)) << "megabytes free";
}

TEST (Looper, LoopDivisionStopsAtTheDepthTheOptionsAllow)
{
    using K = LoopKind;
    struct Case
    {
        int depth;
        std::uint32_t multiplier; // 1: back to a whole cycle after the deepest step; 2: on to the cycle's divisions
        std::vector<K> steps;
    };

    for (const auto& c :
         { Case { 1, 1, { K::oneMain, K::wholeCycle } },
           Case { 1, 2, { K::oneMain, K::halfCycle, K::thirdCycle, K::quarterCycle, K::wholeCycle } },
           Case { 2, 2, { K::oneMain, K::halfMain, K::halfCycle, K::wholeCycle } },
           Case { 3, 1, { K::oneMain, K::halfMain, K::thirdMain, K::wholeCycle } },
           Case { 3, 2, { K::oneMain, K::halfMain, K::thirdMain, K::halfCycle, K::thirdCycle, K::wholeCycle } } })
    {
        SCOPED_TRACE (::testing::Message() << "depth " << c.depth << " multiplier " << c.multiplier);
        LooperRig rig (100);
        rig.looper->getOptions().loopDivisionMode = c.depth;
        rig.at (0, C::punch, 0, 1, 0);
        rig.at (2950, C::punch, 0, 1, 0);
        if (c.multiplier == 2)
            rig.at (3100, C::multiplyDuration);
        rig.runUntil (3200);

        for (auto expected : c.steps)
        {
            rig.at (rig.now, C::loopDivision);
            rig.runUntil (rig.now + 100);
            ASSERT_EQ (rig.looper->getLoopKind(), expected);
        }
    }
}

TEST (Looper, DirectionChangesOnlyWithLoopsAndAFreeLoopRemembersIt)
{
    LooperRig rig (100);
    rig.at (0, C::direction, 2);
    rig.runUntil (100);
    EXPECT_FALSE (rig.looper->isReversed()) << "no loops to reverse";

    rig.at (100, C::freeLoops);
    rig.at (200, C::punch, 0, 1, 0); // a free loop starts the transport
    rig.at (1200, C::punch, 0, 1, 0);
    rig.at (1500, C::direction, 1);
    rig.at (1600, C::direction, 1);   // already reversed: no change
    rig.at (1700, C::punch, 1, 1, 0); // cursor still on channel 0: another free loop there? busy no more
    rig.runUntil (2000);

    EXPECT_TRUE (rig.looper->isReversed());
    auto* first = rig.looper->getCurrentPart().getFreeLoops();
    ASSERT_NE (first, nullptr);
    EXPECT_FALSE (first->wasRecordedReversed());
    ASSERT_NE (first->next, nullptr);
    EXPECT_TRUE (first->next->wasRecordedReversed());

    rig.at (2000, C::direction, 0);
    rig.runUntil (2100);
    EXPECT_TRUE (rig.looper->isReversed()) << "not while recording";
}

TEST (Looper, EveryLoopKindRecordsALoopOfItsLength)
{
    LooperRig rig (64);
    rig.looper->getOptions().loopDivisionMode = 4;
    rig.looper->getOptions().advanceCursorAfterRecording = false;
    rig.at (0, C::punch, 0, 1, 0);
    rig.at (4788, C::punch, 0, 1, 0);   // a 4788-sample main loop
    rig.at (4900, C::multiplyDuration); // a cycle of 9576
    rig.runUntil (5000);

    const std::uint32_t expected[] = { 9576, 4788, 2394, 1596, 1197, 4788, 3192, 2394 };
    std::int64_t t = 5000;
    for (int channel = 0; channel < 8; ++channel)
    {
        rig.at (t, C::stripClick, channel);
        rig.at (t + 10, C::punch, 1, 1, 0);
        rig.at (t + 500, C::punch, 1, 1, 0);
        rig.at (t + 700, C::loopDivision);
        t += 800;
        rig.runUntil (t);
    }

    int channel = 0;
    for (auto* loop = rig.looper->getCurrentPart().getSecondaryLoops(); loop != nullptr; loop = loop->next, ++channel)
    {
        ASSERT_LT (channel, 8);
        EXPECT_EQ (loop->getOutputChannel(), channel);
        EXPECT_EQ (loop->length(), expected[channel]) << "loop on channel " << channel;
    }
    EXPECT_EQ (channel, 8);
}
