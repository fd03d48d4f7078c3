// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LinkSession.h"

#include <ableton/Link.hpp>

#include <algorithm>
#include <cmath>

namespace Work
{

LinkSession::LinkSession()
    : link (std::make_unique<ableton::Link> (120.0))
{
}

LinkSession::~LinkSession()
{
    link->enable (false);
}

void LinkSession::join (bool on)
{
    if (on != link->isEnabled())
        link->enable (on);
}

void LinkSession::setStartStopSync (bool on)
{
    if (on != link->isStartStopSyncEnabled())
        link->enableStartStopSync (on);
}

bool LinkSession::isJoined() const noexcept
{
    return link->isEnabled();
}

int LinkSession::peers() const noexcept
{
    return link->isEnabled() ? int (link->numPeers()) : 0;
}

double LinkSession::sessionTempo() const noexcept
{
    return link->isEnabled() ? link->captureAppSessionState().tempo() : 0.0;
}

SharedGrid LinkSession::gridFor (const BlockInfo& info, int numSamples) noexcept
{
    SharedGrid grid;
    if (! link->isEnabled() || info.microsPerFrame <= 0.0 || numSamples <= 0)
    {
        frameClock.reset();
        return grid;
    }

    if (info.readDeviceClock != nullptr)
    {
        // The server's own estimate: every program on that server places this frame alike.
        const auto device = info.readDeviceClock();
        offsets[std::size_t (nextOffset)] = link->clock().micros().count() - device;
        nextOffset = (nextOffset + 1) % offsetReads;
        offsetCount = std::min (offsetCount + 1, offsetReads);
        frameClock.reset();
        blockStart = double (info.deviceMicros) + deviceClockOffset();
        microsPerFrame = info.microsPerFrame;
    }
    else
    {
        offsetCount = 0;
        blockStart = frameClock.place (double (link->clock().micros().count()), numSamples, info.microsPerFrame);
        microsPerFrame = frameClock.microsPerFrame();
    }

    // The library counts whole microseconds: the beat there, and the rest of the way at the tempo.
    const auto whole = std::floor (blockStart);
    const auto state = link->captureAudioSessionState();
    const auto beatsPerBar = quantum.load (std::memory_order_relaxed);
    grid.joined = true;
    grid.beat = state.beatAtTime (std::chrono::microseconds (std::int64_t (whole)), beatsPerBar)
                + (blockStart - whole) * state.tempo() / 60.0e6;
    grid.framesPerSecond = 1.0e6 / microsPerFrame;
    grid.beatsPerFrame = state.tempo() / 60.0 / grid.framesPerSecond;
    grid.beatsPerBar = beatsPerBar;
    grid.quantiseMainLoop = quantise.load (std::memory_order_relaxed);
    grid.syncStartStop = link->isStartStopSyncEnabled();
    grid.sessionPlaying = state.isPlaying();
    return grid;
}

double LinkSession::deviceClockOffset() noexcept
{
    return double (*std::min_element (offsets.begin(), offsets.begin() + std::max (1, offsetCount)));
}

void LinkSession::proposeTempo (double beatsPerMinute) noexcept
{
    if (! link->isEnabled() || ! std::isfinite (beatsPerMinute))
        return;

    auto state = link->captureAudioSessionState();
    state.setTempo (std::clamp (beatsPerMinute, minTempo, maxTempo), std::chrono::microseconds (std::llround (blockStart)));
    link->commitAudioSessionState (state);
}

void LinkSession::proposePlaying (bool playing, std::int64_t frame) noexcept
{
    if (! link->isEnabled() || ! link->isStartStopSyncEnabled())
        return;

    auto state = link->captureAudioSessionState();
    const auto at = std::chrono::microseconds (std::llround (blockStart + double (frame) * microsPerFrame));
    state.setIsPlaying (playing, at);
    link->commitAudioSessionState (state);
}

} // namespace Work
