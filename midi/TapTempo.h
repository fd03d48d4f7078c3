// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/MidiClock.h"
#include "engine/PreAudioCallbackClient.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace Work
{

class MidiClockSender;

/** The tempo source: the performer taps the beat, and the beats per bar are chosen on the
    screen. The clock reads both when a main loop closes.

    Taps: the beat period is the median of the last four intervals between taps (fewer at first);
    a pause of more than two seconds starts a new tempo. One interval is enough for the tempo to
    be known. Every new tempo is reported to the client in thousandths of a beat per minute.

    Everything that reports to the client runs on the audio thread (taps come through a button's
    command, the beats per bar are taken in preAudioCallback), so the client's queue has a single
    writer. Every block with a finished main loop, perBlock hands the clock the loop's position.
    Threads: [audio], except setBeatsPerBar and the readers. */
class TapTempo final
    : public TapTempoProcessor
    , public TempoSource
    , public PreAudioCallbackClient
{
public:
    static constexpr int minBeatsPerBar = 1, maxBeatsPerBar = 19, defaultBeatsPerBar = 4;
    static constexpr std::int64_t forgetAfterMs = 2000;
    static constexpr int intervalsKept = 4;

    explicit TapTempo (int beatsPerBar = defaultBeatsPerBar);

    /** [message, while no block runs] Who hears of new tempos and beats per bar (the looper). */
    void setClient (TapTempoProcessorClient* newClient) noexcept { client = newClient; }

    /** [message, while no block runs] The clock that perBlock feeds. */
    void setClock (MidiClockSender* newClock) noexcept { clock = newClock; }

    /** [audio] A tap at timeMs. */
    void tap (std::int64_t timeMs) noexcept override;

    /** [audio] The beat of a shared tempo session (see TapTempoProcessor::follow). */
    void follow (std::int64_t beatPeriodMs) noexcept override;

    /** [any] Asks for new beats per bar (limited to 1 to 19), taken at the next block. */
    void setBeatsPerBar (int value) noexcept;

    [[nodiscard]] int getBeatsPerBar() const noexcept { return requestedBeatsPerBar.load (std::memory_order_relaxed); }
    [[nodiscard]] std::int64_t getBeatPeriodMs() const noexcept override
    {
        return beatPeriod.load (std::memory_order_relaxed);
    }
    [[nodiscard]] bool isTempoKnown() const noexcept override { return tempoKnown.load (std::memory_order_relaxed); }

    /** [audio] The beats per bar the clock uses, as taken at the start of the latest block. */
    [[nodiscard]] int getTakenBeatsPerBar() const noexcept override { return beatsPerBar; }

    /** [audio] */
    void preAudioCallback() noexcept override;
    void perBlock (std::uint32_t n, bool reverse, bool playing, std::uint32_t startPosition, std::uint32_t endPosition,
                   std::uint32_t mainLength, std::int64_t blockTime, bool restarted) override;

    /** The median of count intervals (1 to intervalsKept); the middle two averaged when even. */
    [[nodiscard]] static std::int64_t medianOf (const std::int64_t* intervals, int count) noexcept;

private:
    TapTempoProcessorClient* client = nullptr;
    MidiClockSender* clock = nullptr;

    std::array<std::int64_t, intervalsKept> intervals {};
    int numIntervals = 0, nextInterval = 0;
    std::int64_t lastTap = 0;
    bool tapped = false;

    std::atomic<std::int64_t> beatPeriod { 0 };
    std::atomic<bool> tempoKnown { false };
    std::atomic<int> requestedBeatsPerBar;
    int beatsPerBar;
};

} // namespace Work
