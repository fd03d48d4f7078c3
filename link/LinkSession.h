// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "FrameClock.h"
#include "engine/SharedTempo.h"

#include <array>
#include <atomic>
#include <chrono>
#include <memory>

namespace ableton
{
class Link;
}

namespace Work
{

/** The program in an Ableton Link session: tempo, beat phase and, when asked for, start and stop
    shared with the other programs on the local network.

    The looper reads the session's grid once a block (gridFor) and answers through the calls of
    SharedTempo; those run on the audio thread and use only the library's real-time-safe calls
    (the audio session state, the clock, the flags). The block's first frame is placed on the
    library's clock from the device's own frame clock where it has one (JACK's cycle time), so
    the grid does not jitter with the moment the callback happens to run.

    Joining, leaving and the options happen on the message thread. Threads: as marked; peers(), sessionTempo() and isJoined()
   from any thread. */
class LinkSession final : public SharedTempo
{
public:
    LinkSession();
    ~LinkSession() override;

    // [message]
    void join (bool on);
    void setBeatsPerBar (int beatsPerBar) noexcept { quantum.store (double (beatsPerBar), std::memory_order_relaxed); }
    void setQuantiseMainLoop (bool on) noexcept { quantise.store (on, std::memory_order_relaxed); }
    void setStartStopSync (bool on);

    // [any]
    [[nodiscard]] bool isJoined() const noexcept;
    [[nodiscard]] int peers() const noexcept;
    /** The session's tempo in beats per minute; 0 while not joined. */
    [[nodiscard]] double sessionTempo() const noexcept;

    // SharedTempo [audio]
    SharedGrid gridFor (const BlockInfo& info, int numSamples) noexcept override;
    void proposeTempo (double beatsPerMinute) noexcept override;
    void proposePlaying (bool playing, std::int64_t frame) noexcept override;

    /** Tempo limits the library keeps to. */
    static constexpr double minTempo = 20.0, maxTempo = 999.0;

private:
    std::unique_ptr<ableton::Link> link;
    std::atomic<double> quantum { 4.0 };
    std::atomic<bool> quantise { true };

    /** The device's clock on the library's: the least difference read over the last blocks (a
        read the thread was taken off between gives a larger one). */
    double deviceClockOffset() noexcept;
    static constexpr int offsetReads = 64;

    // [audio]
    std::array<std::int64_t, offsetReads> offsets {};
    int offsetCount = 0, nextOffset = 0;
    FrameClock frameClock;
    double blockStart = 0.0; // the block being processed, on the library's clock
    double microsPerFrame = 0.0;
};

} // namespace Work
