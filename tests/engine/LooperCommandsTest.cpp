// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LooperRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace Work;
using namespace Work::Testing;

namespace
{
/** Records a finished main loop of about length samples on input 0, loop channel 0. */
void recordMainLoop (LooperRig& rig, std::int64_t length = 2950)
{
    rig.at (rig.now, C::punch, 0, 1, 0);
    rig.at (rig.now + length, C::punch, 0, 1, 0);
    rig.runUntil (rig.now + length + 200);
    ASSERT_TRUE (rig.looper->getCurrentPart().hasMainLoop());
}

/** The texts shown on the notice line since the last call, in order. */
std::vector<std::string> newTexts (LooperRig& rig)
{
    for (int i = 0; i < 64; ++i)
        rig.poll();
    auto texts = rig.gui.texts;
    rig.gui.texts.clear();
    texts.erase (std::remove (texts.begin(), texts.end(), std::string()), texts.end());
    return texts;
}

using Texts = std::vector<std::string>;
} // namespace

TEST (LooperCommands, PressOffsetIsExactForEveryMillisecondOfABlock)
{
    // A 4096-sample block lasts 93 ms at 44.1 kHz, 85 at 48 and 43 at 96; presses also come from
    // up to one block before it. Whole-number arithmetic gives the expected sample.
    for (const std::int64_t rate : { 44100, 48000, 96000, 1000 })
        for (const auto& [latency, offsetMs] : { std::pair { 0, 0 }, { 256, 0 }, { 256, 10 }, { 4096, 25 } })
        {
            const std::int64_t blockMs = 1'000'000;
            const auto blockLengthMs = 4096 * 1000 / rate + 1;

            for (std::int64_t m = -blockLengthMs; m <= blockLengthMs; ++m)
            {
                const auto samples = m * rate >= 0 ? m * rate / 1000 : -((-m * rate + 999) / 1000); // floor
                const auto expected = std::max<std::int64_t> (0, samples + latency - offsetMs * rate / 1000);
                ASSERT_EQ (VarnoloLooper::pressOffset (blockMs + m, blockMs, double (rate), latency, offsetMs),
                           std::uint32_t (expected))
                    << rate << " Hz, " << m << " ms, latency " << latency << ", offset " << offsetMs;
            }
        }

    EXPECT_EQ (VarnoloLooper::pressOffset (145, 0, 48000.0, 0, 0), 6960u);
    EXPECT_EQ (VarnoloLooper::pressOffset (std::int64_t (1) << 60, 0, 48000.0, 0, 0), 48000u * 10)
        << "a broken stamp is held to ten seconds";
}

TEST (LooperCommands, FrameOffsetCountsFromTheBlockAcrossTheFrameClockWrap)
{
    // The frame clock wraps at 32 bits; the audio's lag behind a press adds, the latency offset
    // takes whole samples off at the device's rate; nothing lands before the block nor past ten seconds.
    for (const std::uint32_t block : { 0u, 1000u, 0xffffff00u })
    {
        EXPECT_EQ (VarnoloLooper::frameOffset (block + 63, block, 48000.0, 0, 0), 63u);
        EXPECT_EQ (VarnoloLooper::frameOffset (block + 10, block, 48000.0, 256, 0), 266u);
        EXPECT_EQ (VarnoloLooper::frameOffset (block + 200, block, 44100.0, 0, 2), 200u - 88u);
        EXPECT_EQ (VarnoloLooper::frameOffset (block + 5, block, 48000.0, 0, 10), 0u) << "not before the block";
        EXPECT_EQ (VarnoloLooper::frameOffset (block - 30, block, 48000.0, 0, 0), 0u) << "held back: at the start";
    }
    EXPECT_EQ (VarnoloLooper::frameOffset (0x7fffffffu, 0, 48000.0, 0, 0), 48000u * 10);
}

TEST (LooperCommands, PressesStampedBeforeTheirBlockLandOnTheirSample)
{
    // A press reaches the engine in the block after it; the input latency still lets it land
    // exactly, and without enough latency it lands on the first sample the block has.
    struct Case
    {
        int blockSize, inputLatency, offsetMs;
    };

    for (const auto c :
         { Case { 64, 100, 0 }, Case { 64, 100, 20 }, Case { 256, 300, 7 }, Case { 1000, 1200, 25 }, Case { 64, 7, 3 } })
    {
        SCOPED_TRACE (::testing::Message()
                      << "block " << c.blockSize << ", latency " << c.inputLatency << ", offset " << c.offsetMs);
        LooperRig rig (c.blockSize, c.inputLatency, 0, c.offsetMs);
        const std::int64_t press = 1003;
        rig.pressedAt (press, C::punch, 0, 1, 0);
        rig.pressedAt (4000, C::punch, 0, 1, 0);
        rig.runUntil (8000);

        const auto blockStart = (press / c.blockSize + 1) * c.blockSize;
        const auto first = std::max<std::int64_t> (blockStart, press + c.inputLatency - c.offsetMs);
        const auto loop = rig.mainLoop();
        ASSERT_GT (loop.size(), 1000u);
        for (std::size_t k = 60; k < 1000; k += 37)
            ASSERT_EQ (loop[k], inputSample (0, first + std::int64_t (k))) << k;
    }
}

TEST (LooperCommands, TwoPunchesInOneBlockRecordAndThenCloseTheMainLoop)
{
    LooperRig rig (256);
    rig.at (1000, C::punch, 0, 1, 0);
    rig.at (1010, C::punch, 0, 1, 0);
    rig.runUntil (1280);
    EXPECT_TRUE (rig.looper->getCurrentPart().isMainLoopRecording()) << "the second press waits for the first";

    rig.runUntil (3000);
    const auto& part = rig.looper->getCurrentPart();
    ASSERT_TRUE (part.hasMainLoop()) << "then it closes the loop";
    EXPECT_EQ (part.mainLoopLength() % 12, 0u);
    EXPECT_LE (part.mainLoopLength(), 3u * 256) << "closed as soon as it could";
}

TEST (LooperCommands, MultiplyingReturnsTheCycleDivisionsToAWholeCycle)
{
    using K = LoopKind;
    for (const auto& [steps, before, after] :
         { std::tuple { 5, K::halfCycle, K::wholeCycle }, std::tuple { 6, K::thirdCycle, K::wholeCycle },
           std::tuple { 7, K::quarterCycle, K::wholeCycle }, std::tuple { 2, K::halfMain, K::halfMain } })
    {
        LooperRig rig (100);
        rig.looper->getOptions().loopDivisionMode = 4;
        recordMainLoop (rig);
        rig.at (rig.now, C::multiplyDuration);
        for (int i = 0; i < steps; ++i)
            rig.at (rig.now + 1 + i, C::loopDivision);
        rig.runUntil (rig.now + 100);
        ASSERT_EQ (rig.looper->getLoopKind(), before);

        rig.at (rig.now, C::multiplyDuration);
        rig.runUntil (rig.now + 100);
        EXPECT_EQ (rig.looper->getLoopKind(), after);
        EXPECT_EQ (rig.looper->getCurrentPart().getMultiplier(), 4u);
    }
}

TEST (LooperCommands, AMovedCursorHandsATakeOverOnlyWhereANewLayerCanStart)
{
    auto rigWithTake = [] (bool handOver) {
        auto rig = std::make_unique<LooperRig> (100);
        rig->looper->getOptions().handOverRecordingOnMove = handOver;
        rig->looper->getOptions().advanceCursorAfterRecording = false;
        recordMainLoop (*rig);
        rig->at (rig->now, C::punch, 0, 1, 0); // a take on loop channel 0
        rig->runUntil (rig->now + 300);
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (0, 0));
        newTexts (*rig);
        return rig;
    };
    auto loopsOn = [] (LooperRig& rig, int output) {
        int count = 0;
        for (auto* loop = rig.looper->getCurrentPart().getSecondaryLoops(); loop != nullptr; loop = loop->next)
            count += loop->getOutputChannel() == output ? 1 : 0;
        return count;
    };

    {
        SCOPED_TRACE ("a step forward hands the take over at the press");
        auto rig = rigWithTake (true);
        const auto press = rig->now + 37;
        rig->at (press, C::cursorStep, 0, 1);
        rig->runUntil (rig->now + 300);
        EXPECT_EQ (rig->cursors.cursor (0), 1);
        EXPECT_FALSE (rig->looper->getCurrentPart().findRecording (0, 0));
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (0, 1));
        EXPECT_EQ (newTexts (*rig), Texts {});
    }
    {
        SCOPED_TRACE ("a click on the strip under the cursor moves nothing: the take goes on");
        auto rig = rigWithTake (true);
        rig->at (rig->now, C::stripClick, 0);
        rig->runUntil (rig->now + 300);
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (0, 0));
        EXPECT_EQ (loopsOn (*rig, 0), 1);
        EXPECT_EQ (newTexts (*rig), Texts {});
    }
    {
        SCOPED_TRACE ("onto a channel that records already: refused, the take goes on");
        auto rig = rigWithTake (true);
        rig->cursors.setCursor (0, 2);
        rig->at (rig->now, C::punch, 1, 1, 0); // input 1 records on channel 2
        rig->runUntil (rig->now + 200);
        rig->cursors.setCursor (0, 0);
        rig->at (rig->now, C::stripClick, 2);
        rig->runUntil (rig->now + 200);
        EXPECT_EQ (newTexts (*rig), Texts { "The loop channel there is already recording: the take goes on here." });
        EXPECT_EQ (rig->cursors.cursor (0), 0);
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (0, 0));
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (1, 2));
    }
    {
        SCOPED_TRACE ("hand-over off: the move is refused and says why");
        auto rig = rigWithTake (false);
        rig->at (rig->now, C::cursorStep, 0, 1);
        rig->runUntil (rig->now + 200);
        EXPECT_EQ (newTexts (*rig), Texts { "This loop channel is recording: stop it before moving its cursor." });
        EXPECT_EQ (rig->cursors.cursor (0), 0);
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (0, 0));
    }
    {
        SCOPED_TRACE ("back onto the channel it came from: a new layer starts there");
        auto rig = rigWithTake (true);
        rig->at (rig->now, C::cursorStep, 0, 1);
        rig->at (rig->now + 1, C::cursorStep, 0, 0);
        rig->runUntil (rig->now + 400);
        EXPECT_EQ (rig->cursors.cursor (0), 0);
        EXPECT_TRUE (rig->looper->getCurrentPart().findRecording (0, 0));
        EXPECT_EQ (loopsOn (*rig, 0), 2);
        EXPECT_EQ (loopsOn (*rig, 1), 1);
        EXPECT_EQ (newTexts (*rig), Texts {});
    }
}

TEST (LooperCommands, ResetAndPlayListAskTwiceAndAnyOtherCommandWithdrawsTheQuestion)
{
    {
        SCOPED_TRACE ("reset");
        LooperRig rig (64);
        rig.at (0, C::punch, 0, 1, 0);
        rig.at (2950, C::punch, 0, 1, 0);
        rig.at (3200, C::startStop);
        rig.at (3400, C::resetLoops);
        rig.runUntil (3500);
        rig.poll();
        EXPECT_EQ (rig.looper->getPendingConfirmation(), C::resetLoops);
        EXPECT_TRUE (rig.gui.saw ("confirm?"));

        rig.at (3500, C::mute, 0, 1);
        rig.runUntil (3600);
        rig.poll();
        EXPECT_EQ (rig.looper->getPendingConfirmation(), 0);
        EXPECT_EQ (rig.looper->getMuteMask(), 0u) << "the cancelling command is dropped";
        EXPECT_TRUE (rig.gui.saw ("confirm hidden"));

        rig.at (3600, C::resetLoops);
        rig.at (3700, C::resetLoops);
        rig.runUntil (3800);
        rig.poll();
        EXPECT_TRUE (rig.gui.saw ("loops reset"));
        EXPECT_EQ (rig.looper->getCurrentPart().getMainLoop(), nullptr);
        EXPECT_EQ (rig.memory.getUsedBytes(), 0u);
    }
    {
        SCOPED_TRACE ("play list");
        LooperRig rig (100);
        rig.at (0, C::playList);
        rig.runUntil (100);
        EXPECT_EQ (rig.looper->getPendingConfirmation(), 0) << "no loops: nothing to confirm";

        recordMainLoop (rig);
        rig.at (rig.now, C::playList);
        rig.runUntil (rig.now + 100);
        EXPECT_EQ (newTexts (rig), Texts { "Stop the looper first." });
        EXPECT_EQ (rig.looper->getPendingConfirmation(), 0);

        rig.at (rig.now, C::startStop);
        rig.at (rig.now + 200, C::playList);
        rig.runUntil (rig.now + 300);
        EXPECT_EQ (rig.looper->getPendingConfirmation(), C::playList);
        rig.poll();
        EXPECT_TRUE (rig.looper->getCurrentPart().hasMainLoop()) << "one press asks, nothing more";

        rig.at (rig.now, C::playList);
        rig.runUntil (rig.now + 100);
        rig.poll();
        EXPECT_EQ (rig.looper->getPendingConfirmation(), 0);
        EXPECT_EQ (rig.looper->getCurrentPart().getMainLoop(), nullptr) << "the second press resets every loop";
        EXPECT_TRUE (rig.gui.saw ("loops reset"));
    }
}

TEST (LooperCommands, RefusalsSayWhyAndChangeNothing)
{
    {
        SCOPED_TRACE ("fields outside the engine");
        LooperRig rig (64);
        rig.at (0, C::punch, 5, 1, 0);  // no input bus 5
        rig.at (10, C::punch, 0, 3, 0); // three channels
        rig.at (20, C::punch, 1, 2, 0); // a stereo pair from the last input
        rig.at (30, C::punch, 0, 1, 9); // no cursor 9
        rig.at (40, C::mute, 8, 1);     // no bus 8
        rig.at (50, C::mixBus, 99, 0);  // no loop channel 99
        rig.at (60, C::mixBus, 0, 40);  // no mix bus 40
        rig.at (70, C::stripClick, 8);
        rig.at (80, C::cursorStep, 1, 1);
        rig.at (90, C::toMain, -1, 1);
        rig.at (100, C::eraseChannel, 4);
        rig.runUntil (1000);
        for (int i = 0; i < 12; ++i)
            rig.poll();

        EXPECT_GE (rig.gui.texts.size(), 11u);
        EXPECT_FALSE (rig.looper->isPlaying());
        EXPECT_EQ (rig.looper->getCurrentPart().getMainLoop(), nullptr);
        EXPECT_EQ (rig.looper->getMuteMask(), 0u);
        EXPECT_TRUE (rig.mixer.routing.empty());
        EXPECT_EQ (rig.cursors.cursor (0), 0);
    }
    {
        SCOPED_TRACE ("commands the loops do not allow now");
        LooperRig rig (100);
        rig.mixer.buses = 2;
        rig.at (0, C::punch, 0, 1, 0);
        rig.at (100, C::punch, 1, 1, 0);   // another input cannot close the main loop
        rig.at (200, C::multiplyDuration); // not while the main loop records
        rig.at (300, C::punch, 0, 1, 0);
        rig.runUntil (600);
        EXPECT_EQ (newTexts (rig),
                   (Texts { "Only the input recording the main loop can close it.", "Not while recording." }));
        const auto mainLength = rig.looper->getCurrentPart().mainLoopLength();
        ASSERT_GT (mainLength, 0u);

        rig.at (700, C::stripClick, 1);
        rig.at (710, C::punch, 1, 1, 0); // overdub on loop channel 1
        rig.at (820, C::punch, 0, 1, 0); // the same loop channel from input 0: busy
        rig.at (930, C::multiplyDuration);
        rig.at (1040, C::addDuration);
        rig.at (1150, C::direction, 2);
        rig.at (1150, C::mute, 3, 1); // after a refused direction change, commands go on
        rig.runUntil (1200);
        EXPECT_EQ (rig.looper->getMuteMask(), 0b1000u) << "the mute in the refused command's block ran";
        rig.at (1260, C::freeLoops);
        rig.at (1370, C::eraseChannel, 0);
        rig.at (1480, C::mixBus, 0, 2); // the engine has buses 0 and 1
        rig.runUntil (1600);
        EXPECT_EQ (newTexts (rig), (Texts { "That loop channel is already recording.", "Not while recording.",
                                            "Not while recording.", "Not while recording.", "Not while recording.",
                                            "Not while recording.", "There is no such bus." }));
        EXPECT_EQ (rig.looper->getCurrentPart().getMultiplier(), 1u);
        EXPECT_FALSE (rig.looper->isReversed());
        EXPECT_EQ (rig.looper->getLoopKind(), LoopKind::wholeCycle);
        EXPECT_TRUE (rig.mixer.routing.empty());

        rig.at (1600, C::punch, 1, 1, 0);
        rig.at (1700, C::resetLoops); // not while playing
        rig.runUntil (2000);
        EXPECT_EQ (newTexts (rig), Texts { "Stop the looper first." });
        EXPECT_EQ (rig.looper->getPendingConfirmation(), 0);
        EXPECT_EQ (rig.looper->getCurrentPart().mainLoopLength(), mainLength);
    }
}

TEST (LooperCommands, TheMixResetIsAskedForOnTheAudioThreadAndClearsMuteSoloAndRoutingOnTheTick)
{
    {
        SCOPED_TRACE ("asked by the audio thread, run on the tick");
        LooperRig rig (64);
        rig.at (0, C::mute, 1, 1);
        rig.at (10, C::mixBus, 3, 1);
        rig.runUntil (100);
        rig.looper->requestMixReset(); // as the reset-mix button does before a block
        rig.looper->pollQueues (rig.gui.view);
        EXPECT_EQ (rig.looper->getMuteMask(), 0b10u) << "draining the queues changes nothing";

        EXPECT_TRUE (rig.looper->runRequestedWork (&rig.gui.view));
        rig.gui.record();
        EXPECT_EQ (rig.looper->getMuteMask(), 0u);
        EXPECT_EQ (rig.mixer.routing[3], 1u);
        EXPECT_TRUE (rig.gui.saw ("mix reset"));
        EXPECT_FALSE (rig.looper->runRequestedWork (&rig.gui.view)) << "once";
    }
    {
        SCOPED_TRACE ("everything back to its default");
        LooperRig rig (64);
        rig.at (0, C::mute, 1, 1);
        rig.at (10, C::solo, 2, 1);
        rig.at (20, C::mixBus, 3, 1);
        rig.at (30, C::toMain, 0, 2);
        rig.runUntil (200);
        rig.poll();
        EXPECT_EQ (rig.mixer.routing[3], 0b10u);
        EXPECT_TRUE (rig.mixer.returns[0]);
        EXPECT_TRUE (rig.gui.saw ("route 3>1"));
        EXPECT_TRUE (rig.gui.saw ("tomain 1 on"));

        rig.looper->resetMix (&rig.gui.view);
        rig.gui.record();
        EXPECT_EQ (rig.looper->getMuteMask(), 0u);
        EXPECT_EQ (rig.looper->getSoloMask(), 0u);
        for (int channel = 0; channel < numOutputs; ++channel)
            EXPECT_EQ (rig.mixer.routing[channel], 1u) << channel;
        EXPECT_TRUE (rig.gui.saw ("mix reset"));
    }
}

TEST (LooperCommands, ClockReportsWhileTheAudioThreadRunsReachTheLoopSetThroughIt)
{
    // Run under ThreadSanitizer too: the clock side never writes the loop set itself.
    LooperRig rig (64);
    recordMainLoop (rig);
    std::atomic<bool> done { false };

    std::thread clockSide ([&] {
        for (int i = 1; i <= 2000; ++i)
            rig.looper->tempoChanged (120000, 1 + i % 19, i);
        rig.looper->tempoChanged (90000, 3, 5);
        done = true;
    });

    while (! done)
        rig.runUntil (rig.now + 64);
    clockSide.join();
    rig.runUntil (rig.now + 64);

    const auto& part = rig.looper->getCurrentPart();
    EXPECT_EQ (part.clockBeatsPerBar, 3);
    EXPECT_EQ (part.clockBars, 5);
    EXPECT_TRUE (part.clockEnabled);
}

namespace
{
/** A shared session whose bars are 400 samples long and begin on every multiple of 400 (the
    rig's time stamps are its sample numbers). */
struct BarsOf400 final : SharedTempo
{
    SharedGrid gridFor (const BlockInfo& info, int) noexcept override
    {
        SharedGrid grid;
        grid.joined = true;
        grid.beatsPerFrame = 0.01;
        grid.framesPerSecond = rate;
        grid.beatsPerBar = 4.0;
        grid.quantiseMainLoop = true;
        grid.beat = double (info.timeMs) * grid.beatsPerFrame;
        grid.syncStartStop = sharesStartAndStop;
        grid.sessionPlaying = sessionPlaying;
        return grid;
    }
    void proposeTempo (double beatsPerMinute) noexcept override { offered = beatsPerMinute; }
    void proposePlaying (bool playing, std::int64_t) noexcept override { told.push_back (playing); }
    double offered = 0.0;
    bool sharesStartAndStop = false, sessionPlaying = false;
    std::vector<bool> told;
};
} // namespace

TEST (LooperCommands, BarLinesFallOnTheFrameThatReachesThemEvenFarIntoASession)
{
    SharedGrid grid;
    grid.joined = true;
    grid.beatsPerBar = 4.0;
    grid.beatsPerFrame = 100.0 / 60.0 / 48000.0; // 100 bpm: a bar is 115200 frames
    grid.beat = 4.0e6;                           // a session that has run for months
    EXPECT_EQ (grid.barAtOrAfter (0), 0) << "a bar on the block's first frame is that frame's";
    EXPECT_EQ (grid.barAtOrAfter (1), 115200);
    grid.beat = 4.0e6 - 0.5 / 28800.0; // a bar line half a frame in
    EXPECT_EQ (grid.barAtOrAfter (0), 1) << "a bar between two frames belongs to the later one";
    EXPECT_EQ (grid.barAtOrAfter (2), 115201);
}

TEST (LooperCommands, AMainLoopInASharedSessionIsRecordedInWholeBarsAndItsCycleKeptOnThem)
{
    // Latencies of 7 in and 5 out: a bar is played on frame 400k, arrives at 400k + 7, and what
    // is heard on it is played at 400k - 5.
    LooperRig rig (50, 7, 5);
    BarsOf400 session;
    rig.looper->setSharedTempo (&session);

    rig.at (130, CommandCode::punch, 0, 1, 0); // between bars: recording waits for 400
    rig.at (950, CommandCode::punch, 0, 1, 0); // ends on 1200: two bars
    rig.runUntil (1500);

    const auto content = rig.mainLoop();
    ASSERT_EQ (content.size(), 804u) << "two bars, to the sample, rounded up to the main loop's grain of 12";
    for (std::size_t i = GainRamp::fadeLength; i < content.size() - GainRamp::fadeLength; i += 97)
        ASSERT_EQ (content[i], inputSample (0, std::int64_t (407 + i)))
            << "the recording began on the bar's sample, at " << i;
    EXPECT_DOUBLE_EQ (session.offered, 600.0) << "the loop offers the session's own tempo";
    EXPECT_EQ (rig.looper->getLoopTempoMilliBpm(), 600000);

    // A resync, and a stop and start: each time the cycle's start is heard on a bar.
    const auto onTheBar = [&] (std::int64_t now) {
        return std::int64_t (rig.looper->getCurrentPart().getPosition()) % 400 == (now + 5) % 400;
    };
    rig.at (1630, CommandCode::resync);
    rig.runUntil (2777);
    EXPECT_TRUE (onTheBar (2777)) << "position " << rig.looper->getCurrentPart().getPosition();
    rig.at (2800, CommandCode::startStop);
    rig.at (3010, CommandCode::startStop);
    rig.runUntil (3333);
    EXPECT_TRUE (rig.looper->isPlaying());
    EXPECT_TRUE (onTheBar (3333)) << "position " << rig.looper->getCurrentPart().getPosition();
    EXPECT_TRUE (session.told.empty()) << "start and stop stay the program's own until shared";

    // Shared: the session's stop stops the loops, its start starts them on a bar, and the
    // program's own stop goes to the session.
    session.sharesStartAndStop = true;
    session.sessionPlaying = true;
    rig.runUntil (3400);
    session.sessionPlaying = false;
    rig.runUntil (3500);
    EXPECT_FALSE (rig.looper->isPlaying()) << "the session stopped";
    session.sessionPlaying = true;
    rig.runUntil (4321);
    EXPECT_TRUE (rig.looper->isPlaying()) << "the session started";
    EXPECT_TRUE (onTheBar (4321)) << "position " << rig.looper->getCurrentPart().getPosition();
    rig.at (4400, CommandCode::startStop);
    rig.runUntil (4500);
    EXPECT_FALSE (rig.looper->isPlaying());
    // Every change of the transport is told, the one the session made too (no news to it).
    EXPECT_EQ (session.told, (std::vector<bool> { false, true, false }));
}
