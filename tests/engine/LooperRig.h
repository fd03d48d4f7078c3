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

/** Every view update the looper's GUI pass makes, as text. */
struct RecordingGui : LooperGuiClient
{
    void transportShown (bool p) override { events.push_back (p ? "started" : "stopped"); }
    void confirmationShown (bool v) override { events.push_back (v ? "confirm?" : "confirm hidden"); }
    void stripDimmed (int c, bool d) override { events.push_back ((d ? "dim " : "undim ") + std::to_string (c)); }
    void busSelectionShown (int c, int b) override
    {
        events.push_back ("route " + std::to_string (c) + ">" + std::to_string (b));
    }
    void toMainShown (int b, bool on) override { events.push_back ("tomain " + std::to_string (b) + (on ? " on" : " off")); }
    void clockOutputShown (bool on) override { events.push_back (on ? "clock on" : "clock off"); }
    void clockMessage (const LooperMessage& m) override { events.push_back ("clock " + std::to_string (m.code)); }
    void statusShown (const LooperStatus& s) override { status = s; }
    void textShown (const char* t) override { texts.push_back (t); }
    void midiInputIgnoredShown() override { events.push_back ("midi ignored"); }
    void loopsReset() override { events.push_back ("loops reset"); }
    void mixReset() override { events.push_back ("mix reset"); }

    bool saw (const std::string& e) const { return std::find (events.begin(), events.end(), e) != events.end(); }

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
        }
    }

    /** One GUI tick: the queues drained, then the requested work run. */
    void poll()
    {
        looper->pollQueues (gui);
        looper->runRequestedWork (&gui);
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
