// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The looper in a Link session with two other peers (link_peer, started by link_test.sh) on
// loopback. The looper runs on a device of the check's own: a thread that processes a block
// when its time on the computer's clock comes, so the device's clock is exact and what is
// measured is the looper and its session alone. Every input sample names its frame, so a loop's
// content says on which frame its recording began. The check joins, then:
// - sees both peers and takes their tempo before any loop exists;
// - records a main loop quantised to the session from presses off its bars: it must hold whole
//   bars at that tempo, to the frame, and begin where the peer's bar is (within a block: two
//   programs agree on the session's timeline only as closely as Link measures it);
// - lets it play and measures, at every start of the cycle, how far it lies from the peer's bar
//   (by the peer's own timeline, as it printed it); a resync must land on the bar again;
// - records a free main loop of 3.2 s and checks that both peers take the tempo it offers;
// - counts the heap calls the looper made in its blocks, Link's session calls among them: none.
// Prints what it measured; exits 0 when every check held, 1 when one failed, 2 without a session.
// Usage: link_check BLOCK PEER_LOG OTHER_PEER_LOG
#include "audio/FrameCheckSupport.h"
#include "link/LinkSession.h"
#include "support/AllocationCounter.h"

#include <ableton/Link.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace
{
using namespace Work;
using namespace Work::Testing;

constexpr double rate = 48000.0, peerTempo = 100.0;
constexpr std::uint32_t framesPerBar = 115200; // four beats at 100 bpm

std::int64_t clockMicros() noexcept
{
    static const ableton::link::platform::Clock clock;
    return clock.micros().count();
}

/** A peer's printed view: its latest state and its timeline (time, beat) pairs. */
struct PeerLog
{
    int peers = -1;
    double tempo = 0.0;
    std::vector<std::pair<std::int64_t, double>> timeline;

    static PeerLog read (const juce::File& file)
    {
        PeerLog log;
        juce::StringArray lines;
        lines.addLines (file.loadFileAsString());
        for (const auto& line : lines)
            if (line.startsWith ("state "))
            {
                log.peers = line.fromFirstOccurrenceOf ("peers=", false, false).getIntValue();
                log.tempo = line.fromFirstOccurrenceOf ("tempo=", false, false).getDoubleValue();
                log.timeline.emplace_back (line.fromFirstOccurrenceOf ("micros=", false, false).getLargeIntValue(),
                                           line.fromFirstOccurrenceOf ("beat=", false, false).getDoubleValue());
            }
        return log;
    }

    /** The peer's beat at a time, from its nearest printed point before it, at tempo. */
    [[nodiscard]] double beatAt (double micros, double atTempo) const
    {
        auto best = timeline.front();
        for (const auto& point : timeline)
            if (double (point.first) <= micros)
                best = point;
        return best.second + (micros - double (best.first)) * atTempo / 60.0e6;
    }

    /** How many frames after the peer's nearest bar a time lies. */
    [[nodiscard]] double framesFromBar (double micros, double atTempo) const
    {
        const auto beat = beatAt (micros, atTempo);
        return (beat - std::round (beat / 4.0) * 4.0) * 60.0 / atTempo * rate;
    }
};

/** A mixer that routes nothing, for a looper without one. */
struct NoMixer final : LooperMixer
{
    bool setActiveOutputs (int, std::uint32_t) noexcept override { return true; }
    void setBusReturnEnabled (int, bool) noexcept override {}
    int getNumLoopChannels() const noexcept override { return 8; }
    int getNumBuses() const noexcept override { return 1; }
};

/** The check's device: blocks on time, every input naming its frame; it notes each frame where
    the cycle came round. */
class PacedDevice
{
public:
    PacedDevice (VarnoloLooper& looperToRun, LinkSession& session, int blockSize)
        : looper (looperToRun)
        , n (blockSize)
    {
        looper.setSharedTempo (&session);
        inputs.assign (2, std::vector<float> (std::size_t (n)));
        outputs.assign (8, std::vector<float> (std::size_t (n)));
        cycleStarts.reserve (4096);
    }

    void start()
    {
        startMicros = double (clockMicros()) + 10000.0;
        thread = std::thread ([this] { run(); });
    }

    void stop()
    {
        running = false;
        thread.join();
    }

    /** The frame's time on the computer's clock. */
    [[nodiscard]] double microsOf (std::uint64_t frame) const { return startMicros + double (frame) * 1.0e6 / rate; }

    /** [any] The frame the device has reached. */
    [[nodiscard]] std::uint64_t frameNow() const { return reached.load(); }

    /** Read after stop(): the frames where the cycle came round, and the heap calls the looper
        made in its blocks. */
    std::vector<std::uint64_t> cycleStarts;
    long heapCalls = 0;
    CallbackDisabler::Manager gate;

private:
    void run()
    {
        std::vector<const float*> in;
        std::vector<float*> out;
        for (auto& channel : inputs)
            in.push_back (channel.data());
        for (auto& channel : outputs)
            out.push_back (channel.data());

        for (std::uint64_t frame = 0; running; frame += std::uint64_t (n))
        {
            const auto due = microsOf (frame);
            while (double (clockMicros()) < due)
                std::this_thread::sleep_for (std::chrono::microseconds (200));

            for (auto& channel : inputs)
                for (int i = 0; i < n; ++i)
                    channel[std::size_t (i)] = sampleNaming (std::uint32_t (frame) + std::uint32_t (i));

            BlockInfo info;
            info.timeMs = std::int64_t (due / 1000.0);
            info.sampleRate = float (rate);
            info.frame = std::uint32_t (frame);
            info.deviceMicros = std::int64_t (std::llround (due));
            info.readDeviceClock = clockMicros;
            info.microsPerFrame = 1.0e6 / rate;

            const CallbackDisabler::ScopedCallback guard (gate);
            if (! guard.isEnabled())
                continue;

            auto& part = looper.getCurrentPart();
            const auto cycle = part.cycleLength();
            const bool cycling = looper.isPlaying() && part.hasMainLoop() && ! part.isMainLoopRecording() && cycle > 0;
            {
                const ScopedRealTimeSection realTime;
                looper.process (in.data(), out.data(), n, &info);
                heapCalls += realTime.heapCalls();
            }

            // The cycle's start, if this block played it (the looper may have moved first).
            if (cycling && part.cycleLength() == cycle && looper.isPlaying())
            {
                const auto after = part.getPosition();
                const auto playedFrom = (after + cycle - std::uint64_t (n) % cycle) % cycle;
                const auto toStart = (cycle - playedFrom) % cycle;
                if (toStart < std::uint64_t (n) && cycleStarts.size() < cycleStarts.capacity())
                    cycleStarts.push_back (frame + toStart);
            }
            reached = frame + std::uint64_t (n);
        }
    }

    VarnoloLooper& looper;
    int n;
    std::vector<std::vector<float>> inputs, outputs;
    std::thread thread;
    std::atomic<bool> running { true };
    std::atomic<std::uint64_t> reached { 0 };
    double startMicros = 0.0;
};

} // namespace

int main (int argc, char** argv)
{
    if (argc < 4)
        return 2;

    const auto blockSize = std::atoi (argv[1]);
    const juce::File peerLog (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));
    const juce::File otherLog (juce::File::getCurrentWorkingDirectory().getChildFile (argv[3]));

    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory { heap };
    if (! memory.reservePool (64u << 20))
        return 2;

    VarnoloLooper looper (memory, 2, 8, false);
    CursorWord cursors { 8, 1 };
    NoMixer mixer;
    looper.setDevice (int (rate), 0, 0);
    looper.setCursorWord (&cursors);
    looper.setMixer (&mixer);

    LinkSession link;
    link.setBeatsPerBar (4);
    link.setQuantiseMainLoop (true);
    link.join (true);

    PacedDevice device (looper, link, blockSize);
    looper.setCallbackGate (&device.gate);
    device.start();

    const auto sleepMs = [] (int ms) { std::this_thread::sleep_for (std::chrono::milliseconds (ms)); };
    const auto press = [&] (std::int32_t code, std::int64_t timeMs) {
        looper.postFromMessageThread ({ code, 0, 1, 0, timeMs });
    };
    const auto nowMs = [&] { return std::int64_t (device.microsOf (device.frameNow()) / 1000.0); };

    // Joined: both peers seen, their tempo taken.
    for (int waited = 0; waited < 100 && (link.peers() < 2 || std::abs (link.sessionTempo() - peerTempo) > 1.0e-6); ++waited)
        sleepMs (100);
    std::printf ("%d-frame blocks at %g Hz; joined: %d peers, session tempo %.4f bpm\n", blockSize, rate, link.peers(),
                 link.sessionTempo());
    check (link.peers() == 2, "the program sees both peers");
    check (std::abs (link.sessionTempo() - peerTempo) < 1.0e-6, "the program takes the session's tempo");

    // A main loop quantised to the session, from presses between its bars; played, resynced.
    // The second press half a bar after the recording began: one bar.
    press (CommandCode::punch, nowMs());
    LooperView view;
    for (int waited = 0; waited < 300 && ! view.state.hasMainLoop; ++waited)
    {
        sleepMs (10);
        looper.pollQueues (view);
    }
    sleepMs (1200);
    press (CommandCode::punch, nowMs());
    sleepMs (1400);
    const auto playingFrom = device.frameNow();
    sleepMs (5000);
    press (CommandCode::resync, nowMs());
    sleepMs (300);
    const auto resyncedFrom = device.frameNow();
    sleepMs (5000);

    RecordedLoop loop;
    std::vector<std::uint64_t> cycleStarts;
    const auto offered = looper.getLoopTempoMilliBpm() / 1000.0;
    {
        const CallbackDisabler::ScopedDisable hold (device.gate);
        if (auto* main = looper.getCurrentPart().getMainLoop())
        {
            loop.finished = ! main->isRecording();
            loop.length = main->length();
            loop.named = startFrameOf (readChain (const_cast<SampleBlock*> (main->getChain())), loop.start);
        }
        cycleStarts = device.cycleStarts;
    }

    // A free main loop of 3.2 s (its presses stamped so) after a reset.
    for (const auto code : { CommandCode::startStop, CommandCode::resetLoops, CommandCode::resetLoops })
    {
        press (code, nowMs());
        sleepMs (100);
    }
    looper.runRequestedWork (nullptr);
    link.setQuantiseMainLoop (false);
    sleepMs (100);
    // Both posted ahead of their stamps, so each acts on its own sample.
    const auto freeStart = nowMs() + 100;
    press (CommandCode::punch, freeStart);
    sleepMs (3200);
    press (CommandCode::punch, freeStart + 3200);
    sleepMs (1500);
    const auto freeTempo = looper.getLoopTempoMilliBpm() / 1000.0;
    device.stop();

    // The recording's first frame on the peer's timeline.
    const auto peer = PeerLog::read (peerLog);
    if (peer.timeline.empty())
    {
        std::printf ("the peer printed nothing\n");
        return 2;
    }
    const auto startOff = peer.framesFromBar (device.microsOf (loop.start), peerTempo);
    std::printf ("quantised main loop: %u frames (%.6f bars of %u); its first frame lies %+.2f frames from the peer's "
                 "bar\n",
                 loop.length, double (loop.length) / framesPerBar, framesPerBar, startOff);
    check (loop.finished && loop.named, "a finished main loop that recorded the input's frames");
    check (loop.length > 0 && loop.length % framesPerBar == 0, "the quantised main loop holds whole bars, to the frame");
    check (std::abs (startOff) <= double (blockSize), "its recording began on the peer's bar, within a block");
    std::printf ("the main loop offers %.3f bpm\n", offered);
    check (std::abs (offered - peerTempo) < 1.0e-3, "a loop of whole bars offers the session's own tempo");

    // Where the cycle came round, on the peer's timeline: while it played, and after the resync.
    double worstPlaying = 0.0, worstResynced = 0.0;
    int playedStarts = 0, resyncedStarts = 0;
    for (const auto frame : cycleStarts)
    {
        const auto off = std::abs (peer.framesFromBar (device.microsOf (frame), peerTempo));
        if (frame >= resyncedFrom)
        {
            worstResynced = std::max (worstResynced, off);
            ++resyncedStarts;
        }
        else if (frame >= playingFrom)
        {
            worstPlaying = std::max (worstPlaying, off);
            ++playedStarts;
        }
    }
    std::printf ("playing: %d starts of the cycle, the worst %.2f frames from the peer's bar; after a resync: %d, the "
                 "worst %.2f (a block is %d frames)\n",
                 playedStarts, worstPlaying, resyncedStarts, worstResynced, blockSize);
    check (playedStarts >= 2 && worstPlaying <= double (blockSize), "the cycle starts on the peer's bar, within a block");
    check (resyncedStarts >= 1 && worstResynced <= double (blockSize), "a resync lands on the peer's bar, within a block");

    const auto seen = peer.tempo, seenByOther = PeerLog::read (otherLog).tempo;
    std::printf ("free main loop of 3.2 s: the program offers %.4f bpm; the peers see %.4f and %.4f\n", freeTempo, seen,
                 seenByOther);
    check (std::abs (freeTempo - 93.75) < 0.01, "a free loop of 3.2 s is five beats: 93.75 bpm");
    check (std::abs (seen - freeTempo) < 0.001 && std::abs (seenByOther - freeTempo) < 0.001,
           "the peers take the tempo the main loop offers");

    std::printf ("heap calls on the audio thread: %ld\n", device.heapCalls);
    check (device.heapCalls == 0, "the looper in a Link session never touches the heap on the audio thread");

    link.join (false);
    return failures == 0 ? 0 : 1;
}
