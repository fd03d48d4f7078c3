// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ClockMath.h"
#include "engine/LockFreeFifo.h"
#include "engine/MidiClock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace Work
{

/** Where the clock's bytes go at once: a MIDI output device. [clock thread] */
class ClockByteOutput
{
public:
    virtual ~ClockByteOutput() = default;
    virtual void sendNow (const std::uint8_t* bytes, int size) = 0;
};

/** Where the clock's bytes go at a frame: a JACK MIDI port, written in its process callback.
    [audio] */
class ClockFrameOutput
{
public:
    virtual ~ClockFrameOutput() = default;

    /** The frame at which the block being processed began, on the output's frame clock. */
    virtual std::uint32_t cycleFrame() noexcept = 0;

    /** Bytes of one message, to go out at frame. */
    virtual void put (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept = 0;
};

/** One event for the clock thread: what to send, and when (microseconds on the steady clock). */
struct ClockEvent
{
    std::int64_t time = 0;
    std::int32_t type = 0;
    std::int32_t spare = 0; // the song position, in sixteenths, of a continue
};

namespace ClockEventType
{
    constexpr std::int32_t start = 1, stop = 2, restart = 3, tick = 12, continueFrom = 13;
}

/** The MIDI clock: 24 ticks per beat, with start, stop and continue, to a MIDI output device
    and to a JACK MIDI port.

    When a main loop closes with a tapped tempo, its length gives whole beats and bars (see
    ClockMath::derive) and so a number of ticks per loop. From then on the tempo source hands
    every block's loop position here (blockTicks), and the ticks are placed where the loop
    position crosses each tick's place in the loop, to the sample: wraps, restarts and changes
    of direction need no special handling, and the clock cannot drift from the loop.

    The JACK port gets each byte at its frame in the cycle. The device gets it from the clock
    thread at the time the sample it belongs to is heard (the block's time, smoothed, plus the
    frame and the output latency), which the thread waits for precisely.

    Start (0xFA) goes with the first tick of the loop after a start, a restart or a newly closed
    main loop; stop (0xFC) with a stop, a reset, or the output being switched off. Switched back
    on while the loop plays, the clock continues (song position, then 0xFB) at the next
    sixteenth note.

    Threads: the MidiClockManager calls and blockTicks [audio] (reset [message] while no block
    runs); the setters [message]; the readers [any]. */
class MidiClockSender final : public MidiClockManager
{
public:
    static constexpr int eventCapacity = 4096;

    explicit MidiClockSender (const TempoSource& tempo);
    ~MidiClockSender() override;

    /** [message] Starts the clock thread; events are posted only while it runs. */
    void startThread();

    /** [message] Asks the thread to end and waits for it (it looks every millisecond). */
    void stopThread();

    /** [message, while no block runs] */
    void setMainClient (MainClient* client) noexcept { mainClient = client; }
    void setFrameOutput (ClockFrameOutput* output) noexcept { frameOutput = output; }

    /** [message] The device output, or none; swapped while the thread may be sending. */
    void setDeviceOutput (std::shared_ptr<ClockByteOutput> output);

    // MidiClockManager [audio]
    void mainLoopStarted (float sampleRate, std::int64_t time, std::uint32_t outputLatency) override;
    void mainLoopClosed (std::int64_t time) override;
    void start (std::int64_t time) override;
    void stop (std::int64_t time) override;
    void restart (std::int64_t time) override;
    void direction (bool reverse, std::int64_t time) override;
    void reset() override;
    void enable (bool on) override;

    /** [audio] At the start of every block, before any work is done: the block's time, and its
        frame on the port's clock, taken while the block's cycle is surely still the current one. */
    void blockBegins() noexcept
    {
        blockStamp = nowMicros();
        blockFrame = frameOutput != nullptr ? frameOutput->cycleFrame() : 0;
    }

    /** [audio] Every block with a finished main loop: n samples played, ending at the loop
        position endPosition of a main loop of mainLength samples. */
    void blockTicks (std::uint32_t n, bool reverse, bool playing, std::uint32_t endPosition, std::uint32_t mainLength,
                     bool restarted) noexcept;

    [[nodiscard]] bool isSending() const noexcept { return running.load (std::memory_order_relaxed); }
    [[nodiscard]] bool isEnabled() const noexcept { return enabled.load (std::memory_order_relaxed); }

    /** [audio] The clock's picture of the main loop. */
    [[nodiscard]] const ClockMath::Shape& getShape() const noexcept { return shape; }

    /** Microseconds on the steady clock. */
    [[nodiscard]] static std::int64_t nowMicros() noexcept;

private:
    void run();
    void post (std::int64_t time, std::int32_t type, std::int32_t spare = 0) noexcept;
    void emit (std::uint32_t offset, std::int32_t type, std::int32_t spare = 0) noexcept;
    void setSending (bool on) noexcept;
    void updateBlockTime (std::uint32_t n) noexcept;

    const TempoSource& tempo;
    MainClient* mainClient = nullptr;
    ClockFrameOutput* frameOutput = nullptr;

    // The main loop and its shape.
    float sampleRate = 0.0f;
    std::uint32_t latency = 0;
    std::int64_t loopStartTime = 0;
    ClockMath::Shape shape;

    // Transport, on the audio thread.
    std::atomic<bool> enabled { true }, running { false };
    bool startPending = false, restartPending = false, stopPending = false, continuePending = false;

    // The block being processed: its smoothed start time and its first frame on the JACK clock.
    std::int64_t blockStamp = 0;
    double blockStart = 0.0;
    std::uint32_t previousBlockLength = 0;
    std::uint32_t blockFrame = 0;

    LockFreeFifo<ClockEvent> events { eventCapacity };
    std::mutex outputLock;
    std::shared_ptr<ClockByteOutput> deviceOutput;
    std::atomic<bool> hasDeviceOutput { false }; // for the audio thread, which never takes the lock
    std::atomic<bool> threadRunning { false }, quit { false };
    std::atomic<bool> armed { false };           // a loop with a tempo: events may come at any moment
    std::atomic<std::int64_t> outputSince { 0 }; // when the output was chosen: older events are not sent
    std::mutex idleLock;                         // with idleWake: the thread waits there while it has no output
    std::condition_variable idleWake;
    std::thread thread;
};

} // namespace Work
