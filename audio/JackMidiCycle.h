// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiClockSender.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace Work
{

/** The program's JACK MIDI in one process cycle, between the JACK device, which reads its MIDI
    input port before the engine's block and writes its output port after it, and the engine,
    which dispatches what came in at its frames and has the MIDI clock put its bytes out at theirs.
    Both sides run on the JACK process thread inside the same cycle, one after the other, so a
    press and the samples of its frame meet in one block, and a clock tick leaves in the cycle of
    the audio it belongs to.

    Outside a cycle (another device, or between cycles) nothing comes in and what the clock puts
    is dropped. Everything is fixed-size: nothing allocates, locks or waits. [audio], except the
    latency [any] */
class JackMidiCycle final : public ClockFrameOutput
{
public:
    /** One whole message (1 to 3 bytes, as the stream parser hands it on) at a frame of the cycle. */
    struct Event
    {
        std::uint32_t frame = 0;
        std::uint8_t bytes[3] {};
        std::uint8_t size = 0;
    };

    /** Messages a cycle holds each way; more are dropped. */
    static constexpr int capacity = 512;

    // [audio] The JACK device, around the engine's block: the cycle's first frame on the server's
    // clock, its length, and what a MIDI event at a frame lags the audio of that frame (the audio
    // inputs' capture latency less the MIDI input's).
    void begin (std::uint32_t cycleStartFrame, std::uint32_t numFrames, int frameLatency) noexcept;
    void addIncoming (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept;

    /** [audio] The server's microsecond time of the cycle's first frame and the length of a
        frame, as the server's clock estimates them this cycle. */
    void setCycleTimes (std::int64_t startMicros, double framePeriodMicros) noexcept
    {
        cycleMicros = startMicros;
        microsPerFrame = framePeriodMicros;
    }
    [[nodiscard]] std::int64_t getCycleMicros() const noexcept { return cycleMicros; }
    [[nodiscard]] double getMicrosPerFrame() const noexcept { return microsPerFrame; }
    void end() noexcept { inCycle = false; }

    /** The messages to write into the output port, in time order (frames within the cycle). */
    [[nodiscard]] const Event* outgoingBegin() noexcept;
    [[nodiscard]] const Event* outgoingEnd() const noexcept { return outgoing.data() + numOutgoing; }

    // [audio] The engine, inside its block.
    [[nodiscard]] bool isInCycle() const noexcept { return inCycle; }
    [[nodiscard]] int getFrameLatency() const noexcept { return latency; }
    [[nodiscard]] const Event* incomingBegin() const noexcept { return incoming.data(); }
    [[nodiscard]] const Event* incomingEnd() const noexcept { return incoming.data() + numIncoming; }

    // ClockFrameOutput [audio]: the cycle's first frame on the server's clock, and bytes at a frame
    // of it (one before the cycle goes at its start, one after it at its last frame).
    std::uint32_t cycleFrame() noexcept override { return cycleStart; }
    void put (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept override;

private:
    std::array<Event, capacity> incoming {}, outgoing {};
    int numIncoming = 0, numOutgoing = 0;
    std::uint32_t cycleStart = 0, cycleLength = 0;
    int latency = 0;
    std::int64_t cycleMicros = 0;
    double microsPerFrame = 0.0;
    bool inCycle = false, outgoingSorted = true;
};

} // namespace Work
