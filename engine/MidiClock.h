// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace Work
{

/** What the looper hears back from the tempo source. [clock side] */
class TapTempoProcessorClient
{
public:
    virtual ~TapTempoProcessorClient() = default;
    virtual void beatsPerBarChanged (int value) = 0;
    virtual void tempoChanged (int value) = 0;
    virtual bool query() = 0;
};

/** The tempo source, told about every block while a finished main loop cycles. [audio] */
class TapTempoProcessor
{
public:
    virtual ~TapTempoProcessor() = default;

    /** A tap of the beat at timeMs (the press's time). */
    virtual void tap (std::int64_t timeMs) noexcept = 0;

    /** The beat of a shared tempo session, which replaces the tapped one. */
    virtual void follow (std::int64_t beatPeriodMs) noexcept = 0;

    virtual void perBlock (std::uint32_t n, bool reverse, bool playing, std::uint32_t startPosition,
                           std::uint32_t endPosition, std::uint32_t mainLength, std::int64_t blockTime, bool restarted) = 0;
};

/** What the clock reads of the tempo source when a main loop closes. [audio] */
class TempoSource
{
public:
    virtual ~TempoSource() = default;

    [[nodiscard]] virtual bool isTempoKnown() const noexcept = 0;
    [[nodiscard]] virtual std::int64_t getBeatPeriodMs() const noexcept = 0;

    /** The beats per bar as taken at the start of the latest block. */
    [[nodiscard]] virtual int getTakenBeatsPerBar() const noexcept = 0;
};

/** The MIDI clock: turns the looper's transport events into MIDI clock on its own thread. The
    looper calls it on the audio thread, never while the pointer it holds is null. */
class MidiClockManager
{
public:
    /** What the looper hears back from the clock. [clock side] */
    class MainClient
    {
    public:
        virtual ~MainClient() = default;
        virtual void tempoChanged (int tempoMilliBpm, int beatsPerBar, int bars) = 0;
        virtual void clockStarted() = 0;
        virtual void clockStopped() = 0;
        virtual void report (int a, int b) = 0;
        virtual bool query() = 0;
        virtual void showNotice() = 0;
    };

    virtual ~MidiClockManager() = default;

    virtual void mainLoopStarted (float sampleRate, std::int64_t time, std::uint32_t outputLatency) = 0;
    virtual void mainLoopClosed (std::int64_t time) = 0;
    virtual void start (std::int64_t time) = 0;
    virtual void stop (std::int64_t time) = 0;
    virtual void restart (std::int64_t time) = 0;
    virtual void direction (bool reverse, std::int64_t time) = 0;
    virtual void reset() = 0;
    virtual void enable (bool on) = 0;
};

/** The clock and its tempo source, as the audio engine holds them. */
struct MidiClockPair
{
    MidiClockManager* manager = nullptr;
    TapTempoProcessor* tempo = nullptr;
};

} // namespace Work
