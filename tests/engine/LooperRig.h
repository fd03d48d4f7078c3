// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ChainTestSupport.h"
#include "engine/VarnoloLooper.h"
#include "support/BlockBuffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Work::Testing
{
constexpr int numInputs = 2, numOutputs = 8;

// The rig runs the device at 1000 samples a second, so a millisecond time stamp is a sample
// number and every press can be placed on an exact sample.
constexpr int rate = 1000;

inline float inputSample (int channel, std::int64_t t)
{
    return (channel == 0 ? 1.0f : -1.0f) * float (t % 9973 + 1);
}

/** Routing and bus returns as the looper sets them. */
struct FakeMixer : LooperMixer
{
    bool setActiveOutputs (int loopChannel, std::uint32_t mask) noexcept override
    {
        if (loopChannel < 0 || loopChannel >= numOutputs)
            return false;
        routing[loopChannel] = mask;
        return true;
    }
    void setBusReturnEnabled (int index, bool on) noexcept override { returns[index] = on; }
    int getNumLoopChannels() const noexcept override { return numOutputs; }
    int getNumBuses() const noexcept override { return buses; }

    std::map<int, std::uint32_t> routing;
    std::map<int, bool> returns;
    int buses = 4;
};

/** The screen's view of the looper, and every change it showed, as text: what a performer would
    see happen, one event per change ("started", "dim 2", "route 3>1", "clock 2200" for a new
    tempo, ...), and every text the notice line showed. */
struct RecordingGui
{
    /** Notes what changed in view since the last look, then forgets the view's news. */
    void record()
    {
        const auto& now = view;
        auto add = [this] (std::string event) { events.push_back (std::move (event)); };

        if (now.state.playing != shown.state.playing)
            add (now.state.playing ? "started" : "stopped");
        if (now.confirmationAsked != shown.confirmationAsked)
            add (now.confirmationAsked ? "confirm?" : "confirm hidden");

        for (std::size_t c = 0; c < now.routedBus.size(); ++c)
        {
            const auto bit = std::uint32_t (1) << c;
            const auto number = std::to_string (c);
            if (((now.dimmed ^ shown.dimmed) & bit) != 0)
                add (((now.dimmed & bit) != 0 ? "dim " : "undim ") + number);
            if (now.routedBus[c] != shown.routedBus[c])
                add ("route " + number + ">" + std::to_string (now.routedBus[c]));
            if (((now.toMainOn ^ shown.toMainOn) & bit) != 0)
                add ("tomain " + number + ((now.toMainOn & bit) != 0 ? " on" : " off"));
        }

        if (now.clockOutputOn != shown.clockOutputOn)
            add (now.clockOutputOn ? "clock on" : "clock off");
        if (now.clockTempoMilliBpm != shown.clockTempoMilliBpm)
            add ("clock " + std::to_string (NoticeCode::clockTempo));
        if (now.clockSending != shown.clockSending)
            add ("clock " + std::to_string (now.clockSending ? NoticeCode::clockStarted : NoticeCode::clockStopped));
        if (now.clockBeatsPerBar != shown.clockBeatsPerBar)
            add ("clock " + std::to_string (NoticeCode::clockBeatsPerBar));
        if (now.clockReportA != shown.clockReportA || now.clockReportB != shown.clockReportB)
            add ("clock " + std::to_string (NoticeCode::tempoReport));
        if (now.tappedTempoMilliBpm != shown.tappedTempoMilliBpm)
            add ("clock " + std::to_string (NoticeCode::tempoValue));

        if (now.hasText)
            texts.push_back (now.text);
        if (now.midiInputIgnored)
            add ("midi ignored");
        if (now.loopsWereReset)
            add ("loops reset");
        if (now.mixWasReset)
            add ("mix reset");

        status = now.state.pack();
        view.clearNews();
        shown = view;
    }

    bool saw (const std::string& e) const { return std::find (events.begin(), events.end(), e) != events.end(); }

    LooperView view, shown;
    std::vector<std::string> events, texts;
    LooperStatus status {};
};

/** A looper driven block by block against a controlled clock. Commands are posted in the block
    their time stamp falls in, as the pre-block stage of the audio callback would. */
class LooperRig
{
public:
    explicit LooperRig (int blockSizeToUse, int inputLatency = 0, int outputLatency = 0, int latencyOffset = 0)
        : blockSize (blockSizeToUse)
    {
        EXPECT_TRUE (memory.reservePool (64u << 20));
        looper = std::make_unique<VarnoloLooper> (memory, numInputs, numOutputs, false);
        looper->setDevice (rate, inputLatency, outputLatency);
        looper->setLatencyOffsetMs (latencyOffset);
        looper->setCursorWord (&cursors);
        looper->setMixer (&mixer);
        looper->setCallbackGate (&gate);
    }

    ~LooperRig() { looper.reset(); }

    /** A command stamped time, posted in the block that holds that time. */
    void at (std::int64_t time, std::int32_t type, std::int32_t first = 0, std::int32_t second = 0, std::int32_t third = 0)
    {
        pending.push_back ({ { type, first, second, third, time }, false });
    }

    /** A press as a performer makes it: stamped time, posted in the first block that starts
        after it, so its stamp lies before the block that carries it. */
    void pressedAt (std::int64_t time, std::int32_t type, std::int32_t first = 0, std::int32_t second = 0,
                    std::int32_t third = 0)
    {
        pending.push_back ({ { type, first, second, third, time }, true });
    }

    /** Renders until the clock reaches end. */
    void runUntil (std::int64_t end)
    {
        while (now < end)
        {
            const auto n = int (std::min<std::int64_t> (blockSize, end - now));
            for (auto it = pending.begin(); it != pending.end();)
            {
                if (it->beforeItsBlock ? it->command.time < now : it->command.time < now + n)
                {
                    looper->post (it->command);
                    it = pending.erase (it);
                }
                else
                    ++it;
            }

            buffers.fillInputs (now, n, inputSample);
            buffers.fillOutputs (0.0f);
            const BlockInfo info { nullptr, now, float (rate) };
            looper->process (buffers.inputs(), buffers.outputs(), n, &info);
            buffers.appendOutputs (n);
            now += n;

            // The screen looks after every block, and so sees every change; the work the audio
            // thread asks for waits for a tick of the test's own (poll).
            looper->pollQueues (gui.view);
            gui.record();
        }
    }

    /** One GUI tick: the queues drained, then the requested work run. */
    void poll()
    {
        looper->pollQueues (gui.view);
        looper->runRequestedWork (&gui.view);
        gui.record();
    }

    [[nodiscard]] const std::vector<float>& output (int channel) const { return buffers.rendered[std::size_t (channel)]; }

    std::vector<float> mainLoop()
    {
        auto* main = looper->getCurrentPart().getMainLoop();
        return main != nullptr ? Testing::readChain (const_cast<SampleBlock*> (main->getChain())) : std::vector<float> {};
    }

    std::vector<float> secondaryLoop (int index)
    {
        auto* loop = looper->getCurrentPart().getSecondaryLoops();
        for (int i = 0; i < index && loop != nullptr; ++i)
            loop = loop->next;
        return loop != nullptr ? Testing::readChain (const_cast<SampleBlock*> (loop->getChain())) : std::vector<float> {};
    }

    int blockSize;
    std::int64_t now = 0;
    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory { heap };
    CursorWord cursors { numOutputs, 1 };
    FakeMixer mixer;
    CallbackDisabler::Manager gate;
    RecordingGui gui;
    std::unique_ptr<VarnoloLooper> looper;
    struct Pending
    {
        LooperCommand command;
        bool beforeItsBlock;
    };
    std::vector<Pending> pending;
    Testing::BlockBuffers buffers { numInputs, numOutputs, blockSize };
};

namespace C = CommandCode;

} // namespace Work::Testing
