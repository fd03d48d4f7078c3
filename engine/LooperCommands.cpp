// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The looper's command set: what each press does to the engine, run on the audio thread at the
// start of a block. Presses that act at a moment are placed at the sample of the press (the
// command's time offset) and then hold further commands back until that sample has passed.
#include "SampleRoutines.h"
#include "VarnoloLooper.h"

#include <algorithm>

namespace Work
{

namespace
{
    namespace Why
    {
        constexpr const char* recording = "Not while recording.";
        constexpr const char* noMainLoop = "Record a main loop first.";
        constexpr const char* noLoops = "There are no loops.";
        constexpr const char* playing = "Stop the looper first.";
        constexpr const char* stopped = "Start the looper first.";
        constexpr const char* outputBusy = "That loop channel is already recording.";
        constexpr const char* handOverBusy = "The loop channel there is already recording: the take goes on here.";
        constexpr const char* moveWhileRecording = "This loop channel is recording: stop it before moving its cursor.";
        constexpr const char* mainLoopInput = "Only the input recording the main loop can close it.";
        constexpr const char* mainLoopRecording = "Not while the main loop is recording.";
        constexpr const char* nothingToUndo = "Nothing to undo.";
        constexpr const char* nothingToRedo = "Nothing to redo.";
        constexpr const char* twoCursors = "Record a main loop before moving a cursor between groups.";
        constexpr const char* nothingErased = "Nothing to erase on that loop channel.";
        constexpr const char* badInput = "There is no such input.";
        constexpr const char* badCursor = "There is no such cursor or loop channel.";
        constexpr const char* badBus = "There is no such bus.";
        constexpr const char* noLoop = "The loop could not be made: the recording memory is full.";
        constexpr const char* channelsOutOfRange = "The loop does not fit on that loop channel.";
        constexpr const char* mainLoopExists = "There already is a main loop.";

        const char* whyNotMade (LoopRefusal refusal) noexcept
        {
            switch (refusal)
            {
                case LoopRefusal::channelsOutOfRange: return channelsOutOfRange;
                case LoopRefusal::outputBusy: return outputBusy;
                case LoopRefusal::mainLoopExists: return mainLoopExists;
                case LoopRefusal::noMainLoop: return noMainLoop;
                case LoopRefusal::outOfMemory:
                case LoopRefusal::none: break;
            }
            return noLoop;
        }
    } // namespace Why

    bool isLoopEntry (HistoryEntry::Type type) noexcept
    {
        return type == HistoryEntry::Type::secondaryLoop || type == HistoryEntry::Type::freeLoop;
    }

    /** Mode of a toggling command: 2 toggles, 1 switches on, 0 off; other values do nothing. */
    std::uint32_t applyMode (std::uint32_t mask, std::uint32_t bits, int mode) noexcept
    {
        switch (mode)
        {
            case 2: return (mask & bits) == 0 ? mask | bits : mask & ~bits;
            case 1: return mask | bits;
            case 0: return mask & ~bits;
            default: return mask;
        }
    }
} // namespace

const char* VarnoloLooper::whyNot (LoopRefusal refusal) noexcept
{
    return Why::whyNotMade (refusal);
}

void VarnoloLooper::sendText (const char* text) noexcept
{
    TextNotice notice;
    SampleRoutines::copyText (notice.text, sizeof (notice.text), text);
    texts.push (notice);
}

VarnoloLooper::Flow VarnoloLooper::refuse (const char* why) noexcept
{
    sendText (why);
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::waitFor (std::uint32_t offset) noexcept
{
    deferred.push (DeferredActionRing::Kind::wait, offset / std::uint32_t (std::max (1, blockSize)) + 1);
    return Flow::stop;
}

void VarnoloLooper::startTransport (bool withEmptyText) noexcept
{
    postNotice (NoticeCode::started);
    if (withEmptyText)
        sendText (""); // clears whatever notice is showing
    fadeInAll = true;
    playing = true;
}

VarnoloLooper::Flow VarnoloLooper::startFromStopped (const LooperCommand& command, bool withEmptyText) noexcept
{
    if (! loopsExist())
        return refuse (Why::noLoops);

    // In a shared session the cycle's start waits for the session's bar.
    if (grid.isUsable() && current->hasMainLoop() && ! current->isMainLoopRecording())
    {
        if (withEmptyText)
            sendText ("");
        deferred.push (DeferredActionRing::Kind::atBar, 1);
        return Flow::stop;
    }

    if (auto* manager = clockManager(); manager != nullptr && current->hasMainLoop())
        manager->start (command.time);
    if (sharedTempo != nullptr && grid.syncStartStop)
        sharedTempo->proposePlaying (true, std::int64_t (timeOffset (command)));

    startTransport (withEmptyText);
    return Flow::stop;
}

void VarnoloLooper::stepCursorAfterRecording (int cursor, bool always) noexcept
{
    if (cursors != nullptr && (always || options.advanceCursorAfterRecording.load (std::memory_order_relaxed)))
        cursors->moveCursor (cursor, true, true, false);
}

VarnoloLooper::Flow VarnoloLooper::stopLoopAndStep (int in, int out, std::uint32_t offset, int cursor,
                                                    bool alwaysStep) noexcept
{
    current->stopLoop (in, out, offset);
    stepCursorAfterRecording (cursor, alwaysStep);
    return waitFor (offset);
}

VarnoloLooper::Flow VarnoloLooper::addLoopAt (int in, int out, int channels, std::uint32_t offset, LoopKind kind) noexcept
{
    if (const auto refusal = current->addLoop (in, out, channels, offset, kind, playDirection());
        refusal != LoopRefusal::none)
        return refuse (Why::whyNotMade (refusal));
    return waitFor (offset);
}

void VarnoloLooper::stopAllRecordings (std::uint32_t offset) noexcept
{
    // stopLoop takes each slot out of the list, so work from a copy.
    const auto slots = current->getRecordingSlots();
    for (int i = 0; i < slots.size(); ++i)
        current->stopLoop (slots.get (i).input, slots.get (i).output, offset);
}

void VarnoloLooper::followUndoneLoop (HistoryEntry::Type type) noexcept
{
    if (cursors == nullptr || ! isLoopEntry (type) || ! options.cursorFollowsUndoRedo.load (std::memory_order_relaxed))
        return;

    const auto& history = current->getHistory();
    const auto byte = history.lastUndoneInput / perBus >= 2 ? 1 : 0;
    const auto bus = history.lastUndoneOutput >= 0 ? history.lastUndoneOutput / perBus : -1;
    cursors->set (CursorWord::withByte (cursors->getShown(), byte, bus));
}

VarnoloLooper::Flow VarnoloLooper::execute (const LooperCommand& command) noexcept
{
    // Handed on at once, whatever the loops do, and never withdrawing a pending confirmation.
    if (command.type == CommandCode::tapTempo)
    {
        if (clock != nullptr && clock->tempo != nullptr)
            clock->tempo->tap (command.time);
        return Flow::proceed;
    }

    if (command.type == CommandCode::link)
    {
        if (command.first >= 0 && command.first <= 2)
            postNotice (NoticeCode::linkRequested, command.first);
        return Flow::proceed;
    }

    if (command.type == CommandCode::resetMix)
    {
        requestMixReset();
        return Flow::proceed;
    }

    // A pending confirmation is cancelled by any other command, which is itself dropped.
    if (pendingConfirmation != 0 && pendingConfirmation != command.type)
    {
        postNotice (NoticeCode::confirmationCancelled);
        pendingConfirmation = 0;
        return Flow::proceed;
    }

    switch (command.type)
    {
        case CommandCode::punch: return punch (command);
        case CommandCode::undo: return undo (command);
        case CommandCode::redo: return redo();
        case CommandCode::startStop: return startStop (command);
        case CommandCode::resync: return resync (command);
        case CommandCode::multiplyDuration: return changeDuration (true);
        case CommandCode::addDuration: return changeDuration (false);
        case CommandCode::direction: return changeDirection (command);
        case CommandCode::cursorStep: return moveCursor (command, command.first, false);
        case CommandCode::stripClick: return moveCursor (command, -1, true);
        case CommandCode::mute: return setMask (muteMask, command);
        case CommandCode::solo: return setMask (soloMask, command);
        case CommandCode::mixBus: return routeToMixBus (command);
        case CommandCode::resetLoops:
        case CommandCode::playList: return askToReset (command);
        case CommandCode::freeLoops: return toggleFreeLoops();
        case CommandCode::loopDivision: return stepLoopDivision();
        case CommandCode::toMain: return toggleToMain (command);
        case CommandCode::clockOutput: return switchClockOutput (command.first != 0);
        case CommandCode::eraseChannel: return eraseChannel (command);
        default: return Flow::proceed;
    }
}

VarnoloLooper::Flow VarnoloLooper::punch (const LooperCommand& command) noexcept
{
    const auto in = command.first * perBus;
    const auto channels = command.second;
    const auto out = outputUnderCursor (command.third);

    if (command.first < 0 || (channels != 1 && channels != 2) || in + channels > inputChannels)
        return refuse (Why::badInput);
    if (out < 0 || out + channels > outputChannels)
        return refuse (Why::badCursor);

    const auto offset = timeOffset (command);

    if (loopKind == LoopKind::free)
    {
        // Free loops always step the cursor on, whatever the advance option says.
        if (current->findRecording (in, out))
            return stopLoopAndStep (in, out, offset, command.third, true);
        if (outputInUse (out))
            return refuse (Why::outputBusy);
        if (! playing)
        {
            if (loopsExist())
                return refuse (Why::stopped);
            startTransport (true);
        }
        return addLoopAt (in, out, channels, offset, LoopKind::free);
    }

    if (current->isMainLoopRecording())
    {
        if (! current->getRecordingSlots().containsInput (in))
            return refuse (Why::mainLoopInput);
        return closeMainLoopOnPress (command, offset, false);
    }

    if (current->getMainLoop() == nullptr)
    {
        // Quantised to a shared session, the recording begins on its next bar.
        mainLoopOnGrid = quantisingMainLoop();
        if (mainLoopOnGrid)
        {
            barInput = in;
            barOutput = out;
            barChannels = channels;
            sendText ("The main loop starts on the next bar of the Link session.");
            deferred.push (DeferredActionRing::Kind::atBar, recordOnBar);
            return Flow::stop;
        }
        if (const auto refusal = current->startMainLoop (in, out, channels, offset); refusal != LoopRefusal::none)
            return refuse (Why::whyNotMade (refusal));
        if (auto* manager = clockManager())
            manager->mainLoopStarted (blockSampleRate, command.time, std::uint32_t (std::max (0, outputLatency)));
        startTransport (true);
        return waitFor (offset);
    }

    if (! playing)
        return refuse (Why::stopped);

    if (current->findRecording (in, out))
        return stopLoopAndStep (in, out, offset, command.third, false);

    if (outputInUse (out))
        return refuse (Why::outputBusy);

    return addLoopAt (in, out, channels, offset, loopKind);
}

VarnoloLooper::Flow VarnoloLooper::undo (const LooperCommand& command) noexcept
{
    if (isRecording())
    {
        if (current->isMainLoopRecording())
            return refuse (Why::mainLoopRecording);

        auto offset = timeOffset (command);
        if (offset > 50u * std::uint32_t (std::max (1, blockSize)))
            offset = 0;

        // The recording just cut short is what gets undone, once its fade has been written.
        stopAllRecordings (offset);
        waitFor (offset);
        deferred.push (DeferredActionRing::Kind::undo);
        return Flow::stop;
    }

    if (! current->getHistory().canUndo())
        return refuse (Why::nothingToUndo);

    followUndoneLoop (current->undo());
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::redo() noexcept
{
    if (! current->getHistory().canRedo())
        return refuse (Why::nothingToRedo);

    const auto type = current->redo();

    if (cursors != nullptr && isLoopEntry (type) && options.cursorFollowsUndoRedo.load (std::memory_order_relaxed))
    {
        const auto& history = current->getHistory();
        cursors->placeCursorAfter (history.lastUndoneInput / perBus >= 2 ? 1 : 0, history.lastUndoneOutput / perBus,
                                   options.advanceCursorAfterRecording.load (std::memory_order_relaxed));
    }

    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::startStop (const LooperCommand& command) noexcept
{
    if (playing)
    {
        if (isRecording())
        {
            const auto offset = timeOffset (command);

            if (current->isMainLoopRecording())
                closeMainLoopOnPress (command, offset, true);
            else
            {
                stopAllRecordings (offset);
                waitFor (offset);
            }

            deferred.push (DeferredActionRing::Kind::fadeOut);
            deferred.push (DeferredActionRing::Kind::stop);
            return Flow::stop;
        }

        fadeOutAll = true;
        deferred.push (DeferredActionRing::Kind::stop);
        return Flow::stop;
    }

    return startFromStopped (command, true);
}

VarnoloLooper::Flow VarnoloLooper::resync (const LooperCommand& command) noexcept
{
    if (playing)
    {
        if (isRecording())
            return refuse (Why::recording);

        if (grid.isUsable() && current->hasMainLoop())
        {
            deferred.push (DeferredActionRing::Kind::atBar, 0);
            return Flow::stop;
        }

        fadeOutAll = true;
        deferred.push (DeferredActionRing::Kind::restart);
        return Flow::stop;
    }

    return startFromStopped (command, false);
}

VarnoloLooper::Flow VarnoloLooper::changeDuration (bool multiply) noexcept
{
    if (isRecording() || ! current->hasMainLoop())
        return refuse (isRecording() ? Why::recording : Why::noMainLoop);

    if (multiply)
        current->doubleMultiplier();
    else
        current->addToMultiplier();

    if (loopKind == LoopKind::halfCycle || loopKind == LoopKind::thirdCycle || loopKind == LoopKind::quarterCycle)
        loopKind = LoopKind::wholeCycle;

    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::changeDirection (const LooperCommand& command) noexcept
{
    if (isRecording() || ! loopsExist())
        return refuse (isRecording() ? Why::recording : Why::noLoops);

    const auto mode = command.first;
    const bool change = mode == 2 || (mode == 1 && ! reverse) || (mode == 0 && reverse);

    if (change)
    {
        reverse = ! reverse;
        if (auto* manager = clockManager())
            manager->direction (reverse, command.time);
    }

    return Flow::stop;
}

VarnoloLooper::Flow VarnoloLooper::moveCursor (const LooperCommand& command, int cursor, bool isClick) noexcept
{
    if (cursors == nullptr)
        return refuse (Why::badCursor);

    if (isClick)
    {
        if (command.first < 0 || (command.first + 1) * perBus > outputChannels)
            return refuse (Why::badCursor);
        if (! current->hasMainLoop() && cursors->getCursorCount() > 1)
            return refuse (Why::twoCursors);
        const auto split = cursors->splitIndex();
        cursor = command.first >= (split == CursorWord::none ? -1 : split) ? 1 : 0;
    }

    if (cursor < 0 || cursor >= cursors->getCursorCount())
        return refuse (Why::badCursor);

    if (current->isMainLoopRecording())
        return refuse (Why::mainLoopRecording);

    const auto before = cursors->get();
    const auto after = isClick ? CursorWord::withByte (before, cursor, command.first)
                               : CursorWord::afterMove (before, cursor, current->hasMainLoop(), command.second != 0, true);
    const auto out = outputUnderCursor (cursor);

    // A cursor that stays on its channel (a click on the strip under it, a step inside a group
    // of one) moves nothing, so a take there simply goes on.
    if (out < 0 || ! current->isOutputRecording (out)
        || CursorWord::byteOf (after, cursor) == CursorWord::byteOf (before, cursor))
    {
        cursors->set (after);
        return Flow::proceed;
    }

    return handOverRecording (command, cursor, out, after);
}

VarnoloLooper::Flow VarnoloLooper::handOverRecording (const LooperCommand& command, int cursor, int out,
                                                      std::uint32_t wordAfterMove) noexcept
{
    if (! options.handOverRecordingOnMove.load (std::memory_order_relaxed))
        return refuse (Why::moveWhileRecording);

    const auto target = CursorWord::byteOf (wordAfterMove, cursor);
    const auto newOut = target * perBus;

    if (target < 0 || newOut + perBus > outputChannels)
        return refuse (Why::badCursor);

    if (current->isOutputRecording (newOut))
        return refuse (Why::handOverBusy);

    // The new layer starts first: when it cannot be made, the take goes on where it is.
    const auto offset = timeOffset (command);
    const auto in = current->inputRecordingOn (out);
    const auto channels = current->channelsRecordingOn (out);

    if (const auto refusal = current->addLoop (in, newOut, channels, offset, loopKind, playDirection());
        refusal != LoopRefusal::none)
        return refuse (Why::whyNotMade (refusal));

    current->stopLoop (in, out, offset);
    cursors->set (wordAfterMove);
    return waitFor (offset);
}

VarnoloLooper::Flow VarnoloLooper::setMask (std::uint32_t& mask, const LooperCommand& command) noexcept
{
    if (command.first < 0 || (command.first + 1) * perBus > outputChannels)
        return refuse (Why::badBus);

    mask = applyMode (mask, busBits (command.first), command.second);
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::routeToMixBus (const LooperCommand& command) noexcept
{
    if (mixer == nullptr || command.second < 0 || command.second >= std::min (32, mixer->getNumBuses())
        || ! mixer->setActiveOutputs (command.first, 1u << command.second))
        return refuse (Why::badBus);

    postNotice (NoticeCode::busRouted, command.first, command.second);
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::askToReset (const LooperCommand& command) noexcept
{
    const bool playList = command.type == CommandCode::playList;

    if (playing)
        return refuse (Why::playing);

    if (! loopsExist())
    {
        if (playList)
        {
            postNotice (NoticeCode::playList);
            return Flow::proceed;
        }
        return refuse (Why::noLoops);
    }

    if (pendingConfirmation != 0)
    {
        // The reset itself runs on the message thread under the gate; the notice hides the prompt.
        requestedWork.fetch_or (resetLoopsWork, std::memory_order_release);
        postNotice (NoticeCode::resetAllLoops);
        if (playList)
            postNotice (NoticeCode::playList);
        pendingConfirmation = 0;
        return Flow::proceed;
    }

    pendingConfirmation = command.type;
    postNotice (playList ? NoticeCode::playListRequested : NoticeCode::confirmationRequested);
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::toggleFreeLoops() noexcept
{
    if (isRecording())
        return refuse (Why::recording);

    loopKind = loopKind == LoopKind::free ? LoopKind::wholeCycle : LoopKind::free;
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::stepLoopDivision() noexcept
{
    if (isRecording() || ! current->hasMainLoop())
        return refuse (isRecording() ? Why::recording : Why::noMainLoop);

    const auto depth = options.loopDivisionMode.load (std::memory_order_relaxed);
    const bool longCycle = current->getMultiplier() > 1;
    const auto toCycleOrWhole = longCycle ? LoopKind::halfCycle : LoopKind::wholeCycle;

    switch (loopKind)
    {
        case LoopKind::wholeCycle:
        case LoopKind::free: loopKind = LoopKind::oneMain; break;
        case LoopKind::oneMain: loopKind = depth == 1 ? toCycleOrWhole : LoopKind::halfMain; break;
        case LoopKind::halfMain: loopKind = depth == 2 ? toCycleOrWhole : LoopKind::thirdMain; break;
        case LoopKind::thirdMain: loopKind = depth == 3 ? toCycleOrWhole : LoopKind::quarterMain; break;
        case LoopKind::quarterMain: loopKind = toCycleOrWhole; break;
        case LoopKind::halfCycle: loopKind = depth == 2 ? LoopKind::wholeCycle : LoopKind::thirdCycle; break;
        case LoopKind::thirdCycle: loopKind = depth == 3 ? LoopKind::wholeCycle : LoopKind::quarterCycle; break;
        case LoopKind::quarterCycle: loopKind = LoopKind::wholeCycle; break;
    }

    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::toggleToMain (const LooperCommand& command) noexcept
{
    if (command.first < 0 || command.first >= 32)
        return refuse (Why::badBus);

    const auto bit = 1u << command.first;
    toMainMask = applyMode (toMainMask, bit, command.second);
    const bool on = (toMainMask & bit) != 0;

    if (mixer != nullptr)
        mixer->setBusReturnEnabled (command.first, on);

    postNotice (NoticeCode::toMainChanged, command.first, on ? 1 : 0);
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::switchClockOutput (bool on) noexcept
{
    // On again only where the clock knows the loop's bars; off always.
    current->clockEnabled = on && current->clockBeatsPerBar != 0 && current->clockBars != 0;
    if (auto* manager = clockManager())
        manager->enable (on);
    postNotice (NoticeCode::clockOutputChanged, on ? 1 : 0);
    return Flow::proceed;
}

VarnoloLooper::Flow VarnoloLooper::eraseChannel (const LooperCommand& command) noexcept
{
    if (isRecording())
        return refuse (Why::recording);

    const auto out = outputUnderCursor (command.first);

    if (out < 0)
        return refuse (Why::badCursor);

    if (! current->erase (out))
        return refuse (Why::nothingErased);

    return Flow::proceed;
}

} // namespace Work
