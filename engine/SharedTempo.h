// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Processor.h"

#include <cmath>
#include <cstdint>

namespace Work
{

/** A tempo and beat grid shared with other programs over the network, as it stands for one
    block. Beats are the session's: beat 0 and every multiple of beatsPerBar begin a bar. The
    grid is given at the moment the block's first frame is processed; a sample the performer
    hears at frame f plays at beat beatAt (f + output latency), and one the performer played at
    the moment of frame f arrives at frame f + input latency. */
struct SharedGrid
{
    bool joined = false;          // a session is joined: the fields below hold
    double beat = 0.0;            // the session's beat at the block's first frame
    double beatsPerFrame = 0.0;   // its tempo, in beats a sample
    double framesPerSecond = 0.0; // the device's frames on the computer's clock, which the grid counts in
    double beatsPerBar = 4.0;
    bool quantiseMainLoop = false; // the main loop is recorded in whole bars of the session
    bool sessionPlaying = false;   // the session's transport, when start and stop are shared
    bool syncStartStop = false;

    [[nodiscard]] bool isUsable() const noexcept { return joined && beatsPerFrame > 0.0 && beatsPerBar > 0.0; }

    [[nodiscard]] double beatAt (double frame) const noexcept { return beat + frame * beatsPerFrame; }

    /** Frames in one bar; 0 when the grid is not usable. */
    [[nodiscard]] double framesPerBar() const noexcept { return isUsable() ? beatsPerBar / beatsPerFrame : 0.0; }

    /** The first frame at or after from on which a bar begins; from itself when the grid is not
        usable. A bar line that falls between two frames belongs to the later one. */
    [[nodiscard]] std::int64_t barAtOrAfter (std::int64_t from) const noexcept
    {
        if (! isUsable())
            return from;
        const auto bar = std::ceil (beatAt (double (from)) / beatsPerBar - 1.0e-9);
        const auto frame = std::int64_t (std::ceil ((bar * beatsPerBar - beat) / beatsPerFrame - 1.0e-6));
        return frame < from ? from : frame;
    }

    /** The session's tempo in beats per minute. */
    [[nodiscard]] double tempo() const noexcept { return beatsPerFrame * framesPerSecond * 60.0; }
};

/** The looper's side of a shared tempo session: the grid once a block, and what the looper tells
    the session back. Every call is made on the audio thread and is real-time safe. */
class SharedTempo
{
public:
    virtual ~SharedTempo() = default;

    /** [audio] The grid for the block about to be processed. */
    virtual SharedGrid gridFor (const BlockInfo& info, int numSamples) noexcept = 0;

    /** [audio] Offers the session a tempo (the main loop's), keeping the beat where it is. */
    virtual void proposeTempo (double beatsPerMinute) noexcept = 0;

    /** [audio] Tells the session the looper started or stopped at frame (of the block being
        processed); only heard when start and stop are shared. */
    virtual void proposePlaying (bool playing, std::int64_t frame) noexcept = 0;
};

} // namespace Work
