// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiClockSender.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace Work
{

namespace
{
    constexpr std::uint8_t clockTick = 0xf8, clockStart = 0xfa, clockContinue = 0xfb, clockStop = 0xfc, songPosition = 0xf2;

    /** A sixteenth note is six ticks: a continue lands on one. */
    constexpr std::uint32_t ticksPerSixteenth = 6;

    /** Calls send (bytes, size) for each MIDI message an event stands for, in order. */
    template <typename Send>
    void forEachMessage (const ClockEvent& event, Send&& send)
    {
        static constexpr std::uint8_t start[] = { clockStart }, stop[] = { clockStop }, tick[] = { clockTick },
                                      resume[] = { clockContinue };

        switch (event.type)
        {
            case ClockEventType::start: send (start, 1); break;
            case ClockEventType::stop: send (stop, 1); break;
            case ClockEventType::restart:
                // Some gear ignores a start while it runs: stopped first, it starts from the top.
                send (stop, 1);
                send (start, 1);
                break;
            case ClockEventType::tick: send (tick, 1); break;
            case ClockEventType::continueFrom:
            {
                const std::uint8_t position[] = { songPosition, std::uint8_t (event.spare & 0x7f),
                                                  std::uint8_t ((event.spare >> 7) & 0x7f) };
                send (position, 3);
                send (resume, 1);
                break;
            }
            default: break;
        }
    }

    /** How far ahead of an event the thread stops sleeping and starts watching the clock. */
    constexpr std::int64_t watchMicros = 300;
} // namespace

MidiClockSender::MidiClockSender (const TempoSource& tempoToUse)
    : tempo (tempoToUse)
{
}

MidiClockSender::~MidiClockSender()
{
    stopThread();
}

std::int64_t MidiClockSender::nowMicros() noexcept
{
    using namespace std::chrono;
    return duration_cast<microseconds> (steady_clock::now().time_since_epoch()).count();
}

void MidiClockSender::startThread()
{
    if (thread.joinable())
        return;

    quit = false;
    threadRunning = true;
    thread = std::thread ([this] { run(); });
}

void MidiClockSender::stopThread()
{
    if (! thread.joinable())
        return;

    // The thread looks at quit at least every ten milliseconds, and is woken while it waits for an output.
    {
        const std::lock_guard<std::mutex> hold (idleLock);
        quit = true;
    }
    idleWake.notify_all();
    thread.join();
    threadRunning = false;
}

void MidiClockSender::setDeviceOutput (std::shared_ptr<ClockByteOutput> output)
{
    const bool present = output != nullptr;
    {
        const std::lock_guard<std::mutex> hold (outputLock);
        deviceOutput = std::move (output);
    }
    {
        const std::lock_guard<std::mutex> hold (idleLock);
        outputSince.store (nowMicros(), std::memory_order_relaxed);
        hasDeviceOutput.store (present, std::memory_order_relaxed);
    }
    idleWake.notify_all();
}

void MidiClockSender::mainLoopStarted (float rate, std::int64_t time, std::uint32_t outputLatency)
{
    sampleRate = rate;
    loopStartTime = time;
    latency = outputLatency;
}

void MidiClockSender::mainLoopClosed (std::int64_t time)
{
    if (! tempo.isTempoKnown())
    {
        // A performer with somewhere to send the clock learns why none comes.
        if (mainClient != nullptr && (frameOutput != nullptr || hasDeviceOutput.load (std::memory_order_relaxed)))
            mainClient->showNotice();
        return;
    }

    shape = ClockMath::derive (time - loopStartTime, tempo.getBeatPeriodMs(), tempo.getTakenBeatsPerBar());

    if (shape.ticksPerLoop == 0)
        return;

    armed.store (true, std::memory_order_relaxed);

    if (enabled.load (std::memory_order_relaxed))
        startPending = true;

    if (mainClient != nullptr)
    {
        if (startPending)
            mainClient->clockStarted();
        mainClient->tempoChanged (shape.tempoMilliBpm, shape.beatsPerBar, shape.bars);
    }
}

void MidiClockSender::start (std::int64_t)
{
    if (shape.bars == 0 || shape.beatsPerBar == 0 || ! enabled.load (std::memory_order_relaxed))
        return;

    startPending = true;
    if (mainClient != nullptr)
        mainClient->clockStarted();
}

void MidiClockSender::stop (std::int64_t)
{
    stopPending = true;
    if (mainClient != nullptr)
        mainClient->clockStopped();
}

void MidiClockSender::restart (std::int64_t)
{
    restartPending = true;
}

void MidiClockSender::direction (bool, std::int64_t)
{
    // The next block places the ticks for the new direction from the loop's position.
}

void MidiClockSender::reset()
{
    if (running.load (std::memory_order_relaxed))
    {
        emit (0, ClockEventType::stop);
        setSending (false);
    }

    shape = {};
    armed.store (false, std::memory_order_relaxed);
    startPending = restartPending = stopPending = continuePending = false;
}

void MidiClockSender::enable (bool on)
{
    enabled.store (on, std::memory_order_relaxed);

    if (! on)
    {
        continuePending = startPending = false;

        if (running.load (std::memory_order_relaxed))
        {
            // Stop at once, not at a tick.
            if (frameOutput != nullptr)
                frameOutput->put (blockFrame, &clockStop, 1);
            post (nowMicros(), ClockEventType::stop);
            setSending (false);
        }
        return;
    }

    if (! running.load (std::memory_order_relaxed) && shape.ticksPerLoop > 0)
        continuePending = true;
}

void MidiClockSender::setSending (bool on) noexcept
{
    running.store (on, std::memory_order_relaxed);
}

void MidiClockSender::updateBlockTime (std::uint32_t n) noexcept
{
    // A delay-locked loop: the block's start is predicted from the last one and the samples
    // since, and pulled a little towards the time the block actually began, so the callback's
    // wake-up jitter hardly reaches the clock. A jump of more than 10 ms starts afresh.
    const auto stamp = double (blockStamp != 0 ? blockStamp : nowMicros());

    if (previousBlockLength == 0 || sampleRate <= 0.0f)
    {
        blockStart = stamp;
    }
    else
    {
        const auto predicted = blockStart + double (previousBlockLength) * 1.0e6 / double (sampleRate);
        const auto error = stamp - predicted;
        blockStart = std::abs (error) > 10000.0 ? stamp : predicted + 0.02 * error;
    }

    previousBlockLength = n;
}

void MidiClockSender::post (std::int64_t time, std::int32_t type, std::int32_t spare) noexcept
{
    // A full queue drops the event; so does a clock whose thread is not running.
    if (threadRunning.load (std::memory_order_relaxed))
        events.push ({ time, type, spare });
}

void MidiClockSender::emit (std::uint32_t offset, std::int32_t type, std::int32_t spare) noexcept
{
    const ClockEvent event { 0, type, spare };

    if (frameOutput != nullptr)
        forEachMessage (event, [this, offset] (const std::uint8_t* bytes, int size) {
            frameOutput->put (blockFrame + offset, bytes, size);
        });

    const auto heard =
        sampleRate > 0.0f ? blockStart + double (offset + latency) * 1.0e6 / double (sampleRate) : double (nowMicros());
    post (std::int64_t (std::llround (heard)), type, spare);
}

void MidiClockSender::blockTicks (std::uint32_t n, bool reverse, bool playing, std::uint32_t endPosition,
                                  std::uint32_t mainLength, bool restarted) noexcept
{
    updateBlockTime (n);

    if (stopPending)
    {
        stopPending = false;
        startPending = continuePending = false;

        if (running.load (std::memory_order_relaxed))
        {
            emit (0, ClockEventType::stop);
            setSending (false);
        }
    }

    if (restartPending || restarted)
    {
        restartPending = false;
        if (running.load (std::memory_order_relaxed) || enabled.load (std::memory_order_relaxed))
            startPending = shape.ticksPerLoop > 0 && enabled.load (std::memory_order_relaxed);
    }

    const auto ticks = std::uint32_t (shape.ticksPerLoop);

    if (! playing || ticks == 0 || mainLength == 0 || ! enabled.load (std::memory_order_relaxed))
        return;

    // Where the block began, for a block that played right through: the loop position at its
    // end, stepped back. (The block in which the main loop closes began before the loop did, so
    // its start lies before position 0, and the first tick falls where the loop really began.)
    const auto wrappedN = n % mainLength;
    const auto p0 = reverse ? (endPosition + wrappedN) % mainLength : (endPosition + mainLength - wrappedN) % mainLength;
    const bool wasRunning = running.load (std::memory_order_relaxed);

    ClockMath::forEachTick (p0, n, mainLength, ticks, reverse, [&] (std::uint32_t offset, std::uint32_t tick) {
        if (startPending)
        {
            if (tick != 0)
                return;
            emit (offset, wasRunning ? ClockEventType::restart : ClockEventType::start);
            startPending = continuePending = false;
            setSending (true);
        }
        else if (continuePending)
        {
            if (tick % ticksPerSixteenth != 0)
                return;
            emit (offset, ClockEventType::continueFrom, std::int32_t (tick / ticksPerSixteenth));
            continuePending = false;
            setSending (true);
        }

        if (running.load (std::memory_order_relaxed))
            emit (offset, ClockEventType::tick);
    });
}

void MidiClockSender::run()
{
    // The thread's own list of what is still to send, in time order.
    std::vector<ClockEvent> pending;
    pending.reserve (eventCapacity);

    while (! quit.load())
    {
        const bool sending = hasDeviceOutput.load (std::memory_order_relaxed);

        while (const auto* event = events.pop())
        {
            // Without an output the ticks go nowhere, and none due before it came is sent late.
            const auto copy = *event;

            if (! sending || copy.time < outputSince.load (std::memory_order_relaxed))
                continue;

            const auto at = std::upper_bound (pending.begin(), pending.end(), copy.time,
                                              [] (std::int64_t t, const ClockEvent& e) { return t < e.time; });
            pending.insert (at, copy);
        }

        if (! sending)
        {
            pending.clear();

            // Nowhere to send a clock: the thread sleeps until an output is chosen or it must
            // quit, waking now and then only to empty the queue the audio thread fills.
            std::unique_lock<std::mutex> hold (idleLock);
            idleWake.wait_for (hold, std::chrono::milliseconds (250),
                               [this] { return quit.load() || hasDeviceOutput.load (std::memory_order_relaxed); });
            continue;
        }

        if (pending.empty())
        {
            // Without a loop to clock, nothing can come soon: the thread hardly wakes.
            std::this_thread::sleep_for (std::chrono::milliseconds (armed.load (std::memory_order_relaxed) ? 1 : 10));
            continue;
        }

        const auto due = pending.front().time;
        auto now = nowMicros();

        // Far off: sleep a millisecond at a time, so new events and quit are seen.
        if (due - now > 1000 + watchMicros)
        {
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
            continue;
        }

        // Close: sleep to just before it, then watch the clock.
        if (due - now > watchMicros)
            std::this_thread::sleep_for (std::chrono::microseconds (due - now - watchMicros));

        while ((now = nowMicros()) < due)
            std::this_thread::yield();

        std::shared_ptr<ClockByteOutput> output;
        {
            const std::lock_guard<std::mutex> hold (outputLock);
            output = deviceOutput;
        }

        std::size_t sent = 0;
        for (; sent < pending.size() && pending[sent].time <= now; ++sent)
            if (output != nullptr)
                forEachMessage (pending[sent],
                                [&output] (const std::uint8_t* bytes, int size) { output->sendNow (bytes, size); });

        pending.erase (pending.begin(), pending.begin() + std::ptrdiff_t (sent));
    }
}

} // namespace Work
