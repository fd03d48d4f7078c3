// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "LoopKind.h"
#include "LooperMessages.h"

#include <array>
#include <cstdint>
#include <string>

namespace Work
{

/** What one status record of the looper says, as typed values. The looper fills one every block
    and packs it into a LooperStatus, the fixed words that cross the queue to the message thread;
    the screen unpacks the newest. Both directions live here, side by side.

    Masks carry one bit per bus: input buses for sources and recording inputs, loop-channel buses
    for the rest. */
struct LooperState
{
    static constexpr int maxBuses = 32;

    std::array<std::uint32_t, maxBuses> sources {};     // per loop-channel bus, the input buses heard on it
    int cycleAngle = 0;                                 // 0 to 255: how far round the main loop the looper is
    int cycleNumber = 0, multiplier = 0, addAmount = 0; // all 0 until a main loop is finished (at most 255)
    std::uint32_t cycleLength = 0, cyclePosition = 0;   // in samples, 0 until a main loop is finished
    std::uint32_t recordingInputs = 0, recordingOutputs = 0, muted = 0, soloed = 0, toMain = 0;
    bool playing = false, reversed = false, canUndo = false, canRedo = false;
    bool hasMainLoop = false;                           // a main loop exists, finished or still recording
    std::uint32_t megabytesUsed = 0, megabytesFree = 0; // at most 0xffff each
    LoopKind nextLoop = LoopKind::wholeCycle;

    [[nodiscard]] LooperStatus pack() const noexcept;
    [[nodiscard]] static LooperState unpack (const LooperStatus& status) noexcept;

    bool operator== (const LooperState&) const = default;
};

/** Everything the screen shows of the engine, brought up to date once per GUI tick through the
    screen's port: the newest status, the state the looper's notices report (kept until the next
    report), and the news of this tick (a text to show, work that was done). Every panel reads
    what it shows from here; nothing of the engine itself is visible to it. [message] */
struct LooperView
{
    LooperState state;
    bool statusSeen = false; // false until the first status record arrived

    // Reported by notices.
    bool confirmationAsked = false;
    std::uint32_t dimmed = 0;                            // loop-channel buses heard muted
    std::array<int, LooperState::maxBuses> routedBus {}; // the mix bus each loop channel plays on
    std::uint32_t toMainOn = 0;                          // bit b: mix bus b is folded into the main bus
    bool clockOutputOn = true, clockSending = false;
    int clockTempoMilliBpm = 0, tappedTempoMilliBpm = 0, clockBeatsPerBar = 0;
    int tempoMilliBpm = 0; // the newer of the two tempos: the clock's, or the one just tapped
    int clockReportA = 0, clockReportB = 0;

    // The shared tempo session, as the engine's owner reads it each tick.
    bool linkJoined = false;
    int linkPeers = 0;             // other programs in the session
    int linkTempoMilliBpm = 0;     // the session's tempo, 0 while not joined
    int linkLoopTempoMilliBpm = 0; // the tempo the main loop proposed, 0 without one

    /** The record cursors' word (see CursorWord), as the engine holds it now. */
    std::uint32_t cursors = 0;

    // News of this tick, cleared by clearNews once the screen has shown it.
    std::string text;
    bool hasText = false;
    bool loopsWereReset = false, mixWasReset = false, midiInputIgnored = false;
    int linkRequest = -1; // the shared session asked for by a command: 0 leave, 1 join, 2 switch

    void clearNews()
    {
        text.clear();
        hasText = loopsWereReset = mixWasReset = midiInputIgnored = false;
        linkRequest = -1;
    }
};

} // namespace Work
