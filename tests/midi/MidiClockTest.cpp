// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "midi/ClockMath.h"
#include "midi/MidiClockSender.h"
#include "midi/TapTempo.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace Work
{
namespace
{
    struct Sent
    {
        std::uint32_t frame;
        std::array<std::uint8_t, 3> data;
        int size;

        std::vector<std::uint8_t> bytes() const { return { data.begin(), data.begin() + size }; }
    };

    /** A JACK port stand-in: every block is one cycle, and cycles follow each other without gaps. */
    struct RecordingPort : ClockFrameOutput
    {
        std::uint32_t cycleFrame() noexcept override { return frame; }
        void put (std::uint32_t at, const std::uint8_t* bytes, int size) noexcept override
        {
            Sent s { at, {}, std::min (size, 3) };
            std::copy (bytes, bytes + s.size, s.data.begin());
            if (sent.size() < sent.capacity()) // never grows: the test counts the heap
                sent.push_back (s);
        }

        std::vector<std::uint32_t> framesOf (std::uint8_t status) const
        {
            std::vector<std::uint32_t> frames;
            for (const auto& s : sent)
                if (s.data[0] == status)
                    frames.push_back (s.frame);
            return frames;
        }

        std::uint32_t frame = 0;
        std::vector<Sent> sent;
    };

    struct RecordingDevice : ClockByteOutput
    {
        void sendNow (const std::uint8_t* bytes, int size) override
        {
            const std::lock_guard<std::mutex> hold (lock);
            received.insert (received.end(), bytes, bytes + size);
        }

        std::vector<std::uint8_t> copy()
        {
            const std::lock_guard<std::mutex> hold (lock);
            return received;
        }

        std::mutex lock;
        std::vector<std::uint8_t> received;
    };

    /** A main loop of 8 000 samples at 1 000 samples a second, tapped at 500 ms with four beats to
        the bar: 384 ticks, one every 20.833 samples. The rig plays it block by block, as the looper's
        per-block hook would. */
    struct ClockRig
    {
        static constexpr std::uint32_t length = 8000, block = 64;

        ClockRig()
        {
            port.sent.reserve (20000);
            tempo.setClock (&clock);
            clock.setFrameOutput (&port);
            tempo.tap (0);
            tempo.tap (500);
            tempo.preAudioCallback();
            clock.mainLoopStarted (1000.0f, 0, 0);
            clock.mainLoopClosed (8000);
        }

        /** Plays n samples from the current position, one way or the other. */
        void play (std::uint32_t samples, bool restarted = false)
        {
            for (std::uint32_t done = 0; done < samples; done += block)
            {
                position = reverse ? (position + length - block) % length : (position + block) % length;
                tempo.preAudioCallback();
                tempo.perBlock (block, reverse, playing, 0, position, length, 0, restarted && done == 0);
                port.frame += block;
            }
        }

        TapTempo tempo;
        MidiClockSender clock { tempo };
        RecordingPort port;
        std::uint32_t position = 0;
        bool reverse = false, playing = true;
    };

    /** Where tick k of the loop lies: the first sample at or after k * length / ticks. */
    std::uint32_t idealFrame (std::uint32_t loopStart, std::int64_t k, std::uint32_t length, std::uint32_t ticks)
    {
        return loopStart + std::uint32_t ((k * length + ticks - 1) / ticks);
    }
} // namespace

TEST (ClockMath, LoopsGiveWholeBeatsAndBars)
{
    const auto s = ClockMath::derive (8000, 500, 4);
    EXPECT_EQ (s.beats, 16);
    EXPECT_EQ (s.bars, 4);
    EXPECT_EQ (s.ticksPerLoop, 384);
    EXPECT_EQ (s.tempoMilliBpm, 120000);

    const auto odd = ClockMath::derive (7740, 500, 4);
    EXPECT_EQ (odd.beats, 15) << "15.48 beats round down";
    EXPECT_EQ (odd.bars, 3);
    EXPECT_EQ (odd.ticksPerLoop, 3 * 4 * 24);

    EXPECT_EQ (ClockMath::derive (7750, 500, 4).beats, 16) << "a half goes up";
    EXPECT_EQ (ClockMath::derive (100, 500, 4).bars, 1) << "never less than one bar";
    EXPECT_EQ (ClockMath::derive (8000, 0, 4).ticksPerLoop, 0) << "no tempo, no clock";
}

TEST (ClockMath, TicksFallOnTheFirstSampleThatReachesThemEitherWay)
{
    // A loop whose tick spacing is not whole (1000 / 48), walked in blocks of many sizes across the
    // wrap: every tick once, in order, never early and less than a sample late.
    constexpr std::uint32_t length = 1000, ticks = 48;

    for (const bool reverse : { false, true })
    {
        SCOPED_TRACE (reverse ? "backwards" : "forwards");
        std::vector<std::pair<std::int64_t, std::uint32_t>> seen; // (absolute frame, tick)
        std::uint32_t p = 700;
        std::int64_t frame = 0;

        // Some long blocks, and a stretch of one-sample blocks so a block boundary falls beside
        // every tick there.
        std::vector<std::uint32_t> blocks { 37, 300 };
        blocks.insert (blocks.end(), 200, 1);
        blocks.insert (blocks.end(), { 512, 800, 151 });

        for (const auto n : blocks)
        {
            ClockMath::forEachTick (p, n, length, ticks, reverse, [&] (std::uint32_t offset, std::uint32_t tick) {
                ASSERT_LT (offset, n);
                seen.push_back ({ frame + offset, tick });
            });
            p = reverse ? (p + length - n % length) % length : (p + n) % length;
            frame += n;
        }

        ASSERT_EQ (seen.size(), 96u) << "2000 samples are two loops";
        for (std::size_t i = 0; i < seen.size(); ++i)
        {
            // Each tick's place, in loop samples travelled from 700, rounded up to a frame.
            const auto step = std::int64_t (i);
            const auto k = reverse ? 33 - step : 34 + step; // 700 * 48 / 1000 = 33.6
            const auto place = std::int64_t (reverse ? 700 * ticks - k * length : k * length - 700 * ticks);
            EXPECT_EQ (seen[i].first, (place + ticks - 1) / ticks) << "tick " << i;
            EXPECT_EQ (seen[i].second, std::uint32_t (((k % ticks) + ticks) % ticks));
        }
    }
}

TEST (MidiClockSender, ClocksTheLoopToTheSampleWithStartStopRestartAndContinue)
{
    ClockRig rig;
    EXPECT_EQ (rig.clock.getShape().ticksPerLoop, 384);

    // Four cycles: a start on the loop's first sample, then 384 ticks a cycle, each on its place.
    rig.play (4 * ClockRig::length);
    auto ticks = rig.port.framesOf (0xf8);
    ASSERT_EQ (rig.port.framesOf (0xfa), std::vector<std::uint32_t> { 0 });
    ASSERT_EQ (ticks.size(), 4u * 384u);
    for (std::size_t k = 0; k < ticks.size(); ++k)
        ASSERT_EQ (ticks[k], idealFrame (0, std::int64_t (k), ClockRig::length, 384)) << "tick " << k;
    EXPECT_TRUE (rig.clock.isSending());

    // Stop: 0xfc at the next block's first frame, and silence while stopped.
    rig.clock.stop (0);
    rig.playing = false;
    const auto stoppedAt = rig.port.frame;
    rig.play (640);
    EXPECT_EQ (rig.port.framesOf (0xfc), std::vector<std::uint32_t> { stoppedAt });
    EXPECT_EQ (rig.port.framesOf (0xf8).size(), ticks.size());
    EXPECT_FALSE (rig.clock.isSending());

    // Start again from the top of the loop.
    rig.position = 0;
    rig.playing = true;
    rig.clock.start (0);
    const auto startedAt = rig.port.frame;
    rig.play (ClockRig::length);
    EXPECT_EQ (rig.port.framesOf (0xfa).back(), startedAt);
    EXPECT_EQ (rig.port.framesOf (0xf8).size(), ticks.size() + 384);

    // A resync mid-loop: stop then start together on the first sample of the new cycle.
    rig.play (3000);
    rig.position = 0;
    rig.clock.restart (0);
    const auto restartAt = rig.port.frame;
    rig.play (128);
    EXPECT_EQ (rig.port.framesOf (0xfc).back(), restartAt);
    EXPECT_EQ (rig.port.framesOf (0xfa).back(), restartAt);

    // Backwards: the ticks keep their spacing, counted down from the loop's position.
    rig.play (1000);
    rig.reverse = true;
    const auto before = rig.port.framesOf (0xf8).size();
    rig.play (ClockRig::length);
    ticks = rig.port.framesOf (0xf8);
    EXPECT_EQ (ticks.size() - before, 384u);
    for (auto i = before + 1; i < ticks.size(); ++i)
        ASSERT_TRUE (ticks[i] - ticks[i - 1] == 20 || ticks[i] - ticks[i - 1] == 21) << i;

    // Off: 0xfc at once. On again while playing: the song position and a continue on a sixteenth.
    rig.clock.enable (false);
    EXPECT_EQ (rig.port.sent.back().bytes(), std::vector<std::uint8_t> { 0xfc });
    rig.play (640);
    EXPECT_EQ (rig.port.framesOf (0xf8).size(), ticks.size());
    rig.reverse = false;
    rig.clock.enable (true);
    rig.play (640);
    const auto positions = rig.port.framesOf (0xf2);
    ASSERT_EQ (positions.size(), 1u);
    const auto spp =
        std::find_if (rig.port.sent.begin(), rig.port.sent.end(), [] (const Sent& e) { return e.data[0] == 0xf2; });
    const auto sixteenth = std::uint32_t (spp->data[1] | (spp->data[2] << 7));
    EXPECT_EQ (positions[0], rig.port.framesOf (0xfb).at (0));
    const auto loopPositionThen = (rig.position + ClockRig::length - (rig.port.frame - positions[0])) % ClockRig::length;
    EXPECT_EQ (loopPositionThen, sixteenth * 125) << "a sixteenth is 125 samples; the continue names the one it lands on";
    EXPECT_TRUE (rig.clock.isSending());

    // A reset stops the clock and forgets the loop.
    rig.clock.reset();
    EXPECT_EQ (rig.port.sent.back().bytes(), std::vector<std::uint8_t> { 0xfc });
    EXPECT_EQ (rig.clock.getShape().ticksPerLoop, 0);
}

TEST (MidiClockSender, TheDeviceGetsTheSameBytesFromItsThread)
{
    ClockRig rig;
    auto device = std::make_shared<RecordingDevice>();
    rig.clock.setDeviceOutput (device);
    rig.clock.startThread();

    // The blocks come faster than real time: each is stamped when it begins, and its events are
    // due that long after it as their frames lie in it (64 ms at most), so 300 ms later all have gone.
    for (int b = 0; b < 8; ++b)
        rig.play (ClockRig::block);
    std::this_thread::sleep_for (std::chrono::milliseconds (300));
    rig.clock.stopThread();

    std::vector<std::uint8_t> expected;
    for (const auto& s : rig.port.sent)
        expected.insert (expected.end(), s.data.begin(), s.data.begin() + s.size);
    EXPECT_EQ (device->copy(), expected);
    EXPECT_EQ (expected.front(), 0xfa);
}

TEST (MidiClockSender, AnOutputChosenLateGetsNoTickDueBeforeIt)
{
    ClockRig rig;
    rig.clock.startThread();
    std::this_thread::sleep_for (std::chrono::milliseconds (20));

    // Ticks with nowhere to go, all due within 64 ms, queued while the thread waits for an output.
    for (int b = 0; b < 8; ++b)
        rig.play (ClockRig::block);
    std::this_thread::sleep_for (std::chrono::milliseconds (100));
    const auto before = rig.port.sent.size();

    auto device = std::make_shared<RecordingDevice>();
    rig.clock.setDeviceOutput (device);
    for (int b = 0; b < 8; ++b)
        rig.play (ClockRig::block);
    std::this_thread::sleep_for (std::chrono::milliseconds (300));
    rig.clock.stopThread();

    std::vector<std::uint8_t> expected;
    for (auto s = rig.port.sent.begin() + std::ptrdiff_t (before); s != rig.port.sent.end(); ++s)
        expected.insert (expected.end(), s->data.begin(), s->data.begin() + s->size);
    ASSERT_FALSE (expected.empty());
    EXPECT_EQ (device->copy(), expected);
}

TEST (TapTempo, TheMedianOfTheLastFourIntervalsAndAFreshStartAfterAPause)
{
    struct Client : TapTempoProcessorClient
    {
        void beatsPerBarChanged (int v) override { beats.push_back (v); }
        void tempoChanged (int v) override { tempos.push_back (v); }
        bool query() override { return true; }
        std::vector<int> beats, tempos;
    } client;

    TapTempo tempo;
    tempo.setClient (&client);
    EXPECT_FALSE (tempo.isTempoKnown());

    // Intervals 400, 400, 600, 600, 600: the median moves over once the 600s outnumber the 400s,
    // and the fifth interval pushes out the first.
    for (const std::int64_t t : { 0, 400, 800, 1400, 2000, 2600 })
        tempo.tap (t);
    EXPECT_TRUE (tempo.isTempoKnown());
    EXPECT_EQ (tempo.getBeatPeriodMs(), 600);
    EXPECT_EQ (client.tempos, (std::vector<int> { 150000, 150000, 150000, 120000, 100000 }));

    // After more than two seconds, the next two taps alone give the tempo.
    tempo.tap (4700);
    tempo.tap (4950);
    EXPECT_EQ (tempo.getBeatPeriodMs(), 250);
    EXPECT_EQ (client.tempos.back(), 240000);

    // The beats per bar are taken at a block's start, kept within 1 to 19.
    tempo.setBeatsPerBar (25);
    EXPECT_EQ (tempo.getTakenBeatsPerBar(), 4);
    tempo.preAudioCallback();
    tempo.preAudioCallback();
    EXPECT_EQ (client.beats, std::vector<int> { 19 });
}

} // namespace Work
