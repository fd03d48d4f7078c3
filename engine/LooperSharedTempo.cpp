// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The looper in a tempo session shared with other programs: a main loop recorded in whole bars
// of the session, its tempo offered back, the cycle started and kept on the session's bars, and
// start and stop shared when the performer asks for it. Audio thread only.
#include "VarnoloLooper.h"

#include <algorithm>
#include <cmath>

namespace Work
{

std::uint32_t VarnoloLooper::onRecordingBar (std::uint32_t offset) const noexcept
{
    // The sample at offset arrived inputLatency frames after it was played: the bar is found on
    // the moments things were played, and its sample arrives as late.
    const auto played = std::int64_t (offset) - inputLatency;
    const auto bar = grid.barAtOrAfter (played) + inputLatency;
    return std::uint32_t (std::clamp<std::int64_t> (bar, 0, std::int64_t (UINT32_MAX)));
}

std::int64_t VarnoloLooper::timeAtOffset (std::uint32_t offset) const noexcept
{
    const double rate = blockSampleRate > 0.0f ? double (blockSampleRate) : double (std::max (1, sampleRate));
    return blockTime + std::llround ((double (offset) - inputLatency) * 1000.0 / rate);
}

double VarnoloLooper::gridRate() const noexcept
{
    if (grid.framesPerSecond > 0.0)
        return grid.framesPerSecond;
    return sampleRate > 0 ? double (sampleRate) : double (std::max (1.0f, blockSampleRate));
}

std::int64_t VarnoloLooper::framesToHeardBar() const noexcept
{
    // What is played at frame f is heard outputLatency frames later.
    return grid.barAtOrAfter (outputLatency) - outputLatency;
}

void VarnoloLooper::closeMainLoop (std::uint32_t offset, std::int64_t time) noexcept
{
    current->stopMainLoop (offset);
    if (auto* manager = clockManager())
        manager->mainLoopClosed (time);
}

VarnoloLooper::Flow VarnoloLooper::closeMainLoopOnPress (const LooperCommand& command, std::uint32_t offset,
                                                         bool forStop) noexcept
{
    if (mainLoopOnGrid && grid.isUsable())
    {
        barCursor = command.third;
        deferred.push (DeferredActionRing::Kind::atBar, forStop ? closeForStopOnBar : closeOnBar);
        return Flow::stop;
    }

    closeMainLoop (offset, command.time);
    if (! forStop)
        stepCursorAfterRecording (command.third, false);
    return waitFor (offset);
}

bool VarnoloLooper::runBarAction (DeferredActionRing::Entry& action) noexcept
{
    const auto what = action.argument;
    const auto n = std::int64_t (std::max (1, blockSize));
    const bool recording = what == recordOnBar || what == closeOnBar || what == closeForStopOnBar;
    const auto cycle = current->cycleLength();

    if (! grid.isUsable() || (! recording && (cycle == 0 || ! current->hasMainLoop())))
    {
        // The session went away meanwhile: the press acts now, as it would have without one.
        deferred.consumeFront();
        switch (what)
        {
            case startOnBar:
                if (loopsExist())
                {
                    startTransport (false);
                    startedHere (0);
                }
                break;
            case resyncOnBar:
                fadeOutAll = true;
                deferred.push (DeferredActionRing::Kind::restart);
                break;
            case recordOnBar:
                mainLoopOnGrid = false;
                if (current->startMainLoop (barInput, barOutput, barChannels, 0) == LoopRefusal::none)
                    startTransport (true);
                break;
            default:
                closeMainLoop (0, blockTime);
                if (what == closeOnBar)
                    stepCursorAfterRecording (barCursor, false);
                break;
        }
        return false;
    }

    if (recording)
    {
        // The input sample of the moment the bar was played, if it arrives in this block.
        const auto at = onRecordingBar (0);
        if (at >= std::uint32_t (n))
            return false;

        if (what == recordOnBar)
        {
            const auto refusal = current->startMainLoop (barInput, barOutput, barChannels, at);
            deferred.consumeFront();
            if (refusal != LoopRefusal::none)
            {
                sendText (whyNot (refusal));
                return true;
            }
            mainLoopOnGrid = true;
            if (auto* manager = clockManager())
                manager->mainLoopStarted (blockSampleRate, timeAtOffset (at), std::uint32_t (std::max (0, outputLatency)));
            startTransport (true);
        }
        else
        {
            if (clock != nullptr && clock->tempo != nullptr)
                clock->tempo->follow (std::llround (60000.0 / grid.tempo()));
            closeMainLoop (at, timeAtOffset (at));
            if (what == closeOnBar)
                stepCursorAfterRecording (barCursor, false);
        }

        // Later commands wait until the bar has passed, as after any press placed on a sample.
        action = { DeferredActionRing::Kind::wait, 0 };
        return false;
    }

    auto due = framesToHeardBar();

    if (what == startOnBar)
    {
        if (due >= n)
            return false;

        // From the place that reaches the cycle's start on the bar's own frame.
        deferred.consumeFront();
        current->setPosition (std::uint32_t ((cycle - std::uint64_t (due) % cycle) % cycle));
        startTransport (false);
        startedHere (due);
        return false;
    }

    // A resync fades out over the block before the one that holds the bar.
    if (grid.framesPerBar() < double (2 * n))
        due += std::int64_t (grid.framesPerBar());
    if (due < n || due >= 2 * n)
        return false;

    deferred.consumeFront();
    fadeOutAll = true;
    deferred.push (DeferredActionRing::Kind::restart, std::uint32_t (due - n));
    return false;
}

void VarnoloLooper::startedHere (std::int64_t frame) noexcept
{
    const double rate = blockSampleRate > 0.0f ? double (blockSampleRate) : double (std::max (1, sampleRate));
    if (auto* manager = clockManager(); manager != nullptr && current->hasMainLoop())
        manager->start (blockTime + std::llround (double (frame) * 1000.0 / rate));
    if (sharedTempo != nullptr && grid.syncStartStop)
        sharedTempo->proposePlaying (true, frame);
}

void VarnoloLooper::followSession() noexcept
{
    if (! grid.isUsable())
    {
        sessionPlayingSeen = false;
        return;
    }

    // Start and stop from the other programs, once they are shared; only changes count, so what
    // the looper itself offered comes back as no news.
    if (! grid.syncStartStop)
    {
        sessionPlayingSeen = false;
    }
    else if (! sessionPlayingSeen)
    {
        sessionPlayingSeen = true;
        lastSessionPlaying = grid.sessionPlaying;
    }
    else if (grid.sessionPlaying != lastSessionPlaying)
    {
        lastSessionPlaying = grid.sessionPlaying;
        if (grid.sessionPlaying && ! playing && current->hasMainLoop() && deferred.isEmpty())
            deferred.push (DeferredActionRing::Kind::atBar, 1);
        else if (! grid.sessionPlaying && playing && ! isRecording() && deferred.isEmpty())
        {
            fadeOutAll = true;
            deferred.push (DeferredActionRing::Kind::stop);
        }
    }

    // The cycle's start, when it comes round in this block, must be heard on a bar of the session.
    // While the session keeps the loop's tempo, a drift past the tolerance (the sound card's
    // clock against the computer's) is mended by a resync on the next bar; another tempo is
    // only shown: the loops are never stretched.
    const auto cycle = current->cycleLength();
    if (! playing || reverse || ! mainLoopOnGrid || ! loopTempoOffered || cycle == 0 || ! deferred.isEmpty()
        || isRecording())
        return;

    const double rate = gridRate();
    if (std::abs (grid.tempo() - loopTempo) > 0.01)
        return;

    const auto toStart = (cycle - current->getPosition() % cycle) % cycle;
    if (toStart >= std::uint64_t (std::max (1, blockSize)))
        return;

    const auto heard = grid.beatAt (double (toStart) + outputLatency);
    const auto offBeats = heard - std::round (heard / grid.beatsPerBar) * grid.beatsPerBar;
    const auto offMs = offBeats / grid.beatsPerFrame * 1000.0 / rate;
    if (std::abs (offMs) > phaseToleranceMs)
    {
        deferred.push (DeferredActionRing::Kind::atBar, 0);
        sendText ("The loops drifted from the Link session: back on its next bar.");
    }
}

void VarnoloLooper::offerLoopTempo() noexcept
{
    const auto length = current->mainLoopLength();
    const bool finished = current->getMainLoop() != nullptr && ! current->isMainLoopRecording() && length > 0;

    if (! finished)
    {
        loopTempoOffered = false;
        loopTempo = 0.0;
        loopTempoMilliBpm.store (0, std::memory_order_relaxed);
        if (current->getMainLoop() == nullptr)
            mainLoopOnGrid = false;
        return;
    }

    // Offered again on joining a session anew.
    if (! grid.isUsable() || sharedTempo == nullptr)
        loopTempoOffered = false;
    if (loopTempoOffered || ! grid.isUsable() || sharedTempo == nullptr)
        return;

    // A loop recorded on the session's bars is its tempo already (offered again on joining
    // anew). Another is a whole number of the session's beats (as the clock counts them), at
    // the tempo that makes them exactly its length.
    if (! mainLoopOnGrid)
    {
        const auto beats = std::max (1.0, std::round (double (length) * grid.beatsPerFrame));
        loopTempo = beats * 60.0 * gridRate() / double (length);
    }
    else if (loopTempo <= 0.0)
    {
        loopTempo = grid.tempo();
    }
    loopTempoOffered = true;
    loopTempoMilliBpm.store (int (std::lround (loopTempo * 1000.0)), std::memory_order_relaxed);
    sharedTempo->proposeTempo (loopTempo);
}

} // namespace Work
