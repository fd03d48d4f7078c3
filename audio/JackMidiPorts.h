// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/LockFreeFifo.h"
#include "midi/MidiClockSender.h"
#include "midi/MidiInputCallbackManager.h"

#include <juce_events/juce_events.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace Work
{

/** The program's own MIDI ports on a JACK server: JUCE's JACK backend carries no MIDI, and
    machines without an ALSA sequencer see no MIDI device at all.

    While a JACK server runs, a JACK client named clientName holds an input port, whose events
    reach the same MIDI input fan-out as a MIDI device's (mapping, filter, log, learn, lights),
    and an output port for the MIDI clock. The names stay the same from run to run, so JACK's
    tools, a patchbay or a session manager can restore the connections; making them is theirs.

    How it works: the JACK process callback reads the input port's events, splits their bytes
    into whole messages and leaves them, stamped with the wall-clock time of their frame in the
    cycle, in the fan-out's lock-free queue; it neither allocates nor locks. When the server goes
    away the client is closed, and every second, on the message thread, the ports try to come
    back. libjack is loaded when the program runs: without it there are simply no ports.

    The output port carries the MIDI clock. The audio thread puts each message with the frame,
    on the server's frame clock, of the sample it belongs to; the process callback writes it one
    period later, at the same place in the cycle. Whether the engine's own client runs before
    or after this one in a cycle, every message keeps the same distance to its sample: the clock
    never jitters against the loop.

    Threads: construction, destruction and the retry timer [message]; the process callback
    [jack]; cycleFrame and put [audio]. */
class JackMidiPorts final
    : public ClockFrameOutput
    , private juce::Timer
{
public:
    static constexpr const char* clientName = "Varnolo-MIDI";
    static constexpr const char* inputName = "in";
    static constexpr const char* outputName = "out";

    /** Opens the ports at once when a server runs, and keeps trying once a second when not. */
    explicit JackMidiPorts (MidiInputCallbackManager& fanOut);
    ~JackMidiPorts() override;

    /** [any] The ports exist on a running server. */
    [[nodiscard]] bool isOpen() const noexcept { return open.load(); }

    /** [message] Tries now, when the ports are not open. */
    void retryNow() { timerCallback(); }

    /** The wall-clock time, in milliseconds, of frame frame of a cycle that began cycleStartMs
        ago; what the process callback stamps each event with. */
    [[nodiscard]] static std::int64_t timeOfFrame (double cycleStartMs, std::uint32_t frame, double sampleRate) noexcept;

    // ClockFrameOutput [audio]
    std::uint32_t cycleFrame() noexcept override;
    void put (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept override;

    /** Messages the output holds at most while they wait for their cycle. */
    static constexpr int maxWaiting = 1024;

private:
    struct Jack;

    void timerCallback() override;
    bool openClient();
    void closeClient();
    void process (std::uint32_t numFrames) noexcept;
    void writeClock (void* buffer, std::uint32_t numFrames) noexcept;

    struct OutgoingMessage
    {
        std::uint32_t frame = 0;
        std::uint8_t bytes[4] {};
        int size = 0;
    };

    std::unique_ptr<Jack> jack;
    LockFreeFifo<OutgoingMessage> outgoing { maxWaiting };
    std::array<OutgoingMessage, maxWaiting> waiting {};
    int numWaiting = 0;
    MidiInputCallbackManager::Source source;
    std::atomic<bool> open { false };
    std::atomic<bool> serverGone { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JackMidiPorts)
};

} // namespace Work
