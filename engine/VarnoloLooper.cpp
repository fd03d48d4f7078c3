// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "VarnoloLooper.h"

#include "ChannelMasks.h"
#include "SampleRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace Work
{

VarnoloLooper::VarnoloLooper (MemorySystem::DataMemory& memoryToUse, int inputs, int outputs, bool stereo)
    : memory (memoryToUse)
    , inputChannels (inputs)
    , outputChannels (outputs)
    , perBus (stereo ? 2 : 1)
{
    const char letters[] = { 'A', 'B', 'C', 'D' };
    for (std::size_t i = 0; i < parts.size(); ++i)
        parts[i] = std::make_unique<Part> (memory, letters[i], inputChannels, outputChannels);

    current = parts[0].get();
    instance = this;
}

VarnoloLooper::~VarnoloLooper()
{
    if (instance == this)
        instance = nullptr;
}

void VarnoloLooper::setDevice (int rate, int input, int output) noexcept
{
    sampleRate = rate;
    inputLatency = input;
    outputLatency = output;

    for (auto& part : parts)
        part->setLatencies (std::uint32_t (std::max (0, input)), std::uint32_t (std::max (0, output)));
}

void VarnoloLooper::postNotice (std::int32_t code, std::int32_t first, std::int32_t second) noexcept
{
    notices.push ({ code, first, second });
}

void VarnoloLooper::postText (const char* text) noexcept
{
    if (text == nullptr || std::strlen (text) >= TextNotice::size - 1)
        return;

    TextNotice notice;
    SampleRoutines::copyText (notice.text, sizeof (notice.text), text);
    messageTexts.push (notice);
}

bool VarnoloLooper::loopsExist() const noexcept
{
    return current->hasMainLoop() || current->getFreeLoops() != nullptr;
}

std::uint32_t VarnoloLooper::busBits (int bus) const noexcept
{
    return (perBus == 2 ? 3u : 1u) << (bus * perBus);
}

int VarnoloLooper::outputUnderCursor (int k) const noexcept
{
    if (cursors == nullptr || k < 0 || k >= cursors->getCursorCount())
        return -1;

    const auto channel = cursors->cursor (k);
    const auto output = channel * perBus;

    return channel >= 0 && output + perBus <= outputChannels ? output : -1;
}

std::uint32_t VarnoloLooper::pressOffset (std::int64_t pressMs, std::int64_t blockMs, double rate, int inputLatency,
                                          int latencyOffsetMs) noexcept
{
    const auto wholeRate = std::int64_t (rate);
    const auto longest = std::max<std::int64_t> (wholeRate, 1) * maxOffsetSeconds;

    // The product of whole milliseconds and a whole rate is exact in a double, and a quotient of
    // two whole numbers is never rounded onto a whole number it is not, so the floor names the
    // sample whose period holds the press, exactly, also for presses before the block.
    const auto samples = std::floor (double (pressMs - blockMs) * rate / 1000.0);
    const auto limit = double (longest) + 1.0e6; // far outside any answer, well inside int64
    const auto offset = std::int64_t (std::clamp (samples, -limit, limit)) + inputLatency
                        - std::int64_t (latencyOffsetMs) * wholeRate / 1000;

    // A press lies at most a little ahead of the block it arrives in; a stamp from a broken
    // clock must not hold every later command back for minutes.
    return std::uint32_t (std::clamp<std::int64_t> (offset, 0, longest));
}

std::uint32_t VarnoloLooper::frameOffset (std::uint32_t pressFrame, std::uint32_t blockFrameToUse, double rate,
                                          int frameLatencyToUse, int latencyOffsetMs) noexcept
{
    const auto wholeRate = std::int64_t (rate);
    const auto longest = std::max<std::int64_t> (wholeRate, 1) * maxOffsetSeconds;

    // The frame clock wraps at 32 bits: the signed distance. A press held back behind an earlier
    // one lies before the block that runs it, and acts at its start.
    const auto inBlock = std::int64_t (std::int32_t (pressFrame - blockFrameToUse));
    const auto offset = inBlock + frameLatencyToUse - std::int64_t (latencyOffsetMs) * wholeRate / 1000;
    return std::uint32_t (std::clamp<std::int64_t> (offset, 0, longest));
}

std::uint32_t VarnoloLooper::timeOffset (const LooperCommand& command) const noexcept
{
    const double rate = blockSampleRate > 0.0f ? double (blockSampleRate) : double (sampleRate);
    const auto offsetMs = latencyOffsetMs.load (std::memory_order_relaxed);

    if (command.atFrame)
        return frameOffset (command.frame, blockFrame, double (sampleRate > 0 ? sampleRate : rate), frameLatency, offsetMs);
    return pressOffset (command.time, blockTime, rate, inputLatency, offsetMs);
}

int VarnoloLooper::process (const float* const* inputs, float* const* outputs, int numSamples,
                            const BlockInfo* info) noexcept
{
    if (numSamples < 0)
        return 0;

    blockTime = info != nullptr ? info->timeMs : blockTime;
    blockFrame = info != nullptr ? info->frame : blockFrame;
    frameLatency = info != nullptr ? info->frameLatency : frameLatency;
    blockSampleRate = info != nullptr ? info->sampleRate : float (sampleRate);
    blockSize = numSamples;
    restarted = false;
    grid = sharedTempo != nullptr && info != nullptr ? sharedTempo->gridFor (*info, numSamples) : SharedGrid {};
    applyClockShape();
    takeAskedImage();

    if (current->hasMainLoop() && current->mainLoopLength() > 0)
        clockStart = current->getPosition() % current->mainLoopLength();

    followSession();
    if (runDeferredActions())
        runCommands();

    const auto n = std::uint32_t (numSamples);
    current->process (inputs, outputs, playing ? n : 0, playDirection());
    offerLoopTempo();

    if (clock != nullptr && clock->tempo != nullptr && current->hasMainLoop() && current->mainLoopLength() > 0)
        clock->tempo->perBlock (n, reverse, playing, clockStart, current->getPosition() % current->mainLoopLength(),
                                current->mainLoopLength(), blockTime, restarted);

    buildStatus();

    if (fadeOutAll)
    {
        SampleRoutines::fadeOutChannels (outputs, outputChannels, numSamples);
        fadeOutAll = false;
    }

    if (fadeInAll)
    {
        SampleRoutines::fadeInChannels (outputs, outputChannels, numSamples);
        fadeInAll = false;
    }

    applyMuteAndSolo (outputs, numSamples);
    return 0;
}

void VarnoloLooper::askForImage (LoopSetImage& image) noexcept
{
    askedImage.store (&image, std::memory_order_relaxed);
    imageState.store (ImageState::asked, std::memory_order_release);
}

VarnoloLooper::ImageState VarnoloLooper::takeImageNow (LoopSetImage& image) noexcept
{
    std::optional<CallbackDisabler::ScopedDisable> hold;
    if (gate != nullptr)
        hold.emplace (*gate);

    imageState.store (ImageState::idle, std::memory_order_release);
    askedImage.store (nullptr, std::memory_order_relaxed);

    if (isRecording())
        return ImageState::recording;
    if (captureImage (image))
        return ImageState::taken;
    return image.loops.size() >= std::size_t (LoopSetImage::maxLoops) ? ImageState::tooMany : ImageState::recording;
}

void VarnoloLooper::takeAskedImage() noexcept
{
    if (imageState.load (std::memory_order_acquire) != ImageState::asked)
        return;

    auto* image = askedImage.load (std::memory_order_relaxed);
    if (image == nullptr)
        return;

    // A recording the performer still holds is refused; one that is only finishing its tail,
    // or a stop or restart on its way, is waited for.
    if (isRecording())
    {
        imageState.store (ImageState::recording, std::memory_order_release);
        return;
    }
    if (deferred.front() != nullptr)
        return;

    const auto taken = captureImage (*image);
    if (! taken && image->loops.size() < std::size_t (LoopSetImage::maxLoops))
        return; // a loop is finishing its recording: the next block

    auto expected = ImageState::asked;
    imageState.compare_exchange_strong (expected, taken ? ImageState::taken : ImageState::tooMany,
                                        std::memory_order_acq_rel);
}

bool VarnoloLooper::captureImage (LoopSetImage& image) noexcept
{
    if (! current->capture (image))
        return false;

    image.playing = playing;
    image.reversed = reverse;
    image.nextLoop = loopKind;
    image.muteMask = muteMask;
    image.soloMask = soloMask;
    image.toMainMask = toMainMask;
    image.appliedMuteMask = appliedMuteMask;
    image.cursors = cursors != nullptr ? cursors->get() : 0;
    image.editCount = editCount.load (std::memory_order_relaxed);
    return true;
}

VarnoloLooper::RestoreResult VarnoloLooper::restoreImage (const LoopSetImage& image, bool clearFirstIfNeeded)
{
    if (loopsHeld)
        return RestoreResult::held;
    if (! image.isConsistent())
        return RestoreResult::inconsistent;

    auto result = RestoreResult::restored;
    {
        std::optional<CallbackDisabler::ScopedDisable> hold;
        if (gate != nullptr)
            hold.emplace (*gate);

        if (isRecording())
            return RestoreResult::recording;

        bool restored = current->restore (image);
        if (! restored)
            result = RestoreResult::noRoom;
        if (! restored && clearFirstIfNeeded)
        {
            // Channels that do not fit this looper fail again: then the old loops stay.
            if (! current->fits (image))
                return RestoreResult::inconsistent;
            current->clear();
            restored = current->restore (image);
            result = restored ? RestoreResult::restored : RestoreResult::cleared;
        }

        if (restored)
        {
            playing = image.playing;
            reverse = image.reversed;
            loopKind = image.nextLoop;
            muteMask = image.muteMask;
            soloMask = image.soloMask;
            toMainMask = image.toMainMask;
            appliedMuteMask = image.appliedMuteMask;
            pendingConfirmation = 0;
            pendingClockShape.store (0, std::memory_order_relaxed);
            deferred.clear();
            fadeOutAll = fadeInAll = false;
            if (cursors != nullptr)
                cursors->set (image.cursors);
            if (auto* manager = clockManager())
                manager->reset();
            for (int bus = 0; bus < std::min (32, getOutputBuses()); ++bus)
            {
                const bool on = (toMainMask & (1u << bus)) != 0;
                if (mixer != nullptr)
                    mixer->setBusReturnEnabled (bus, on);
                postNotice (NoticeCode::toMainChanged, bus, on ? 1 : 0);
            }
        }
    }

    editCount.fetch_add (1, std::memory_order_relaxed);
    return result;
}

bool VarnoloLooper::runDeferredActions() noexcept
{
    using Kind = DeferredActionRing::Kind;

    while (auto* action = deferred.front())
    {
        switch (action->kind)
        {
            case Kind::wait:
                if (action->argument > 0)
                {
                    --action->argument;
                    return false;
                }
                deferred.consumeFront();
                break;

            case Kind::stop:
                deferred.consumeFront();
                postNotice (NoticeCode::stopped);
                playing = false;
                if (auto* manager = clockManager())
                    manager->stop (blockTime);
                if (sharedTempo != nullptr && grid.syncStartStop)
                    sharedTempo->proposePlaying (false, 0);
                current->setPosition (0);
                break;

            case Kind::fadeOut:
                deferred.consumeFront();
                fadeOutAll = true;
                return false;

            case Kind::undo:
                deferred.consumeFront();
                editCount.fetch_add (1, std::memory_order_relaxed);
                followUndoneLoop (current->undo());
                break;

            case Kind::restart:
            {
                const auto cycle = current->cycleLength();
                const auto toStart = std::uint64_t (action->argument);
                deferred.consumeFront();
                current->setPosition (cycle > 0 ? std::uint32_t ((cycle - toStart % cycle) % cycle) : 0);
                fadeInAll = true;
                restarted = true;
                if (auto* manager = clockManager())
                    manager->restart (blockTime);
                return false;
            }

            case Kind::atBar:
                if (! runBarAction (*action))
                    return false;
                break;

            case Kind::empty: return true;
        }
    }

    return true;
}

bool VarnoloLooper::changesThePerformance (std::int32_t type) noexcept
{
    // Playing, moving about and the clock leave what a session keeps as it was.
    switch (type)
    {
        case CommandCode::startStop:
        case CommandCode::resync:
        case CommandCode::cursorStep:
        case CommandCode::stripClick:
        case CommandCode::tapTempo:
        case CommandCode::link:
        case CommandCode::clockOutput: return false;
        default: return true;
    }
}

void VarnoloLooper::runCommands() noexcept
{
    // The message thread's queue first: keys and menus are rarer than buttons and MIDI, and a
    // stop from either holds every later command back until the next block.
    for (auto* queue : { &messageCommands, &commands })
        while (auto* command = queue->pop())
        {
            if (changesThePerformance (command->type))
                editCount.fetch_add (1, std::memory_order_relaxed);
            if (execute (*command) == Flow::stop)
                return;
        }
}

void VarnoloLooper::buildStatus() noexcept
{
    auto& state = statusState;
    state.sources = ChannelMasks::matrixToBuses (current->getActivity(), perBus);

    const auto mainLength = current->mainLoopLength();
    state.cycleAngle = state.cycleNumber = state.multiplier = state.addAmount = 0;
    state.cycleLength = state.cyclePosition = 0;

    if (current->hasMainLoop() && mainLength > 0)
    {
        const auto position = current->getPosition();
        state.cycleAngle = int (std::uint32_t (255.0f * float (position % mainLength) / float (mainLength)) & 0xff);
        state.cycleNumber = int ((position / mainLength + 1) & 0xff);
        state.multiplier = int (current->getMultiplier() & 0xff);
        state.addAmount = int (current->getAddAmount() & 0xff);
        state.cycleLength = std::uint32_t (mainLength);
        state.cyclePosition = std::uint32_t (position % mainLength);
    }

    const auto& slots = current->getRecordingSlots();
    state.recordingInputs = ChannelMasks::channelsToBuses (slots.inputMask(), perBus);
    state.recordingOutputs = ChannelMasks::channelsToBuses (slots.outputMask(), perBus);
    state.muted = ChannelMasks::channelsToBuses (muteMask, perBus);
    state.soloed = ChannelMasks::channelsToBuses (soloMask, perBus);
    state.toMain = toMainMask;
    state.playing = playing;
    state.reversed = reverse;
    state.canUndo = current->getHistory().canUndo() || current->isOverdubbing();
    state.canRedo = current->getHistory().canRedo();
    state.hasMainLoop = current->getMainLoop() != nullptr;
    state.megabytesUsed = std::uint32_t (memory.getUsedBytes() >> 20);
    state.megabytesFree = std::uint32_t (std::min<std::uint64_t> (memory.getFreeBytes() >> 20, 0xffff));
    state.nextLoop = loopKind;
    status.push (state.pack());
}

void VarnoloLooper::applyMuteAndSolo (float* const* outputs, int n) noexcept
{
    const auto all = outputChannels >= 32 ? 0xffffffffu : (1u << outputChannels) - 1;
    const auto effective = soloMask != 0 ? (~soloMask & all) : muteMask;

    for (int c = 0; c < outputChannels; ++c)
    {
        const auto bit = 1u << c;
        const bool muted = (effective & bit) != 0;

        if (muted != ((appliedMuteMask & bit) != 0))
        {
            if (muted)
                SampleRoutines::fadeOut (outputs[c], n);
            else
                SampleRoutines::fadeIn (outputs[c], n);
        }
        else if (muted)
        {
            SampleRoutines::zero (outputs[c], std::size_t (n) * sizeof (float));
        }
    }

    for (int bus = 0; bus * perBus < outputChannels; ++bus)
    {
        const auto bit = 1u << (bus * perBus);
        if ((effective & bit) != (appliedMuteMask & bit))
            postNotice ((effective & bit) != 0 ? NoticeCode::busMuted : NoticeCode::busUnmuted, bus);
    }

    appliedMuteMask = effective;
}

void VarnoloLooper::pollQueues (LooperView& view)
{
    while (auto* notice = notices.pop())
    {
        const auto first = notice->first, second = notice->second;
        const bool inRange = first >= 0 && first < LooperState::maxBuses;

        switch (notice->code)
        {
            case NoticeCode::resetAllLoops:
            case NoticeCode::confirmationCancelled: view.confirmationAsked = false; break;
            case NoticeCode::confirmationRequested: view.confirmationAsked = true; break;
            case NoticeCode::busMuted:
                if (inRange)
                    view.dimmed |= 1u << first;
                break;
            case NoticeCode::busUnmuted:
                if (inRange)
                    view.dimmed &= ~(1u << first);
                break;
            case NoticeCode::busRouted:
                if (inRange)
                    view.routedBus[std::size_t (first)] = second;
                break;
            case NoticeCode::toMainChanged:
                if (first + 1 >= 0 && first + 1 < LooperState::maxBuses)
                    view.toMainOn = second != 0 ? view.toMainOn | (1u << (first + 1)) : view.toMainOn & ~(1u << (first + 1));
                break;
            case NoticeCode::clockOutputChanged: view.clockOutputOn = first != 0; break;
            case NoticeCode::linkRequested: view.linkRequest = first; break;
            default: break; // started and stopped: the status says so too
        }
    }

    for (auto* queue : { &clockMessages, &tempoMessages })
    {
        while (auto* message = queue->pop())
        {
            switch (message->code)
            {
                case NoticeCode::clockTempo: view.clockTempoMilliBpm = view.tempoMilliBpm = message->first; break;
                case NoticeCode::clockStarted: view.clockSending = true; break;
                case NoticeCode::clockStopped: view.clockSending = false; break;
                case NoticeCode::clockBeatsPerBar: view.clockBeatsPerBar = message->first; break;
                case NoticeCode::tempoReport:
                    view.clockReportA = message->first;
                    view.clockReportB = message->second;
                    break;
                case NoticeCode::tempoValue: view.tappedTempoMilliBpm = view.tempoMilliBpm = message->first; break;
                default: break;
            }
        }
    }

    const LooperStatus* newest = nullptr;
    while (auto* record = status.pop())
        newest = record;
    if (newest != nullptr)
    {
        view.state = LooperState::unpack (*newest);
        view.statusSeen = true;
    }

    // One text a tick: the notice line shows each for a moment.
    auto* text = messageTexts.pop();
    if (text == nullptr)
        text = texts.pop();

    if (text != nullptr)
    {
        view.text = text->text;
        view.hasText = true;
    }
    else if (clockNoticePending.exchange (false, std::memory_order_relaxed))
    {
        view.text = "The MIDI clock needs a tempo: tap it first.";
        view.hasText = true;
    }
    else if (disablerMessages.pop() != nullptr)
    {
        view.midiInputIgnored = true;
    }
}

bool VarnoloLooper::runRequestedWork (LooperView* view)
{
    const auto work = requestedWork.exchange (0, std::memory_order_acquire);

    auto ran = work;

    // The loops of an image being written stay until the file is done: the reset waits.
    if ((work & resetLoopsWork) != 0 && loopsHeld)
    {
        requestedWork.fetch_or (resetLoopsWork, std::memory_order_release);
        ran &= ~resetLoopsWork;
    }
    else if ((work & resetLoopsWork) != 0)
    {
        resetAllLoops (view);
    }

    if ((work & resetMixWork) != 0)
        resetMix (view);

    return ran != 0;
}

void VarnoloLooper::resetAllLoops (LooperView* view)
{
    {
        std::optional<CallbackDisabler::ScopedDisable> hold;
        if (gate != nullptr)
            hold.emplace (*gate);

        for (auto& part : parts)
            part->clear();

        current = parts[0].get();
        pendingClockShape.store (0, std::memory_order_relaxed);
        deferred.clear();
        reverse = false;
        loopKind = LoopKind::wholeCycle;

        if (auto* manager = clockManager())
            manager->reset();

        if (cursors != nullptr)
            cursors->resetCursors();
    }

    editCount.fetch_add (1, std::memory_order_relaxed);
    if (view != nullptr)
        view->loopsWereReset = true;
}

void VarnoloLooper::resetMix (LooperView* view)
{
    {
        std::optional<CallbackDisabler::ScopedDisable> hold;
        if (gate != nullptr)
            hold.emplace (*gate);

        muteMask = soloMask = 0;

        if (mixer != nullptr)
            for (int channel = 0; channel < mixer->getNumLoopChannels(); ++channel)
                mixer->setActiveOutputs (channel, 1);
    }

    if (view != nullptr)
        view->mixWasReset = true;
}

void VarnoloLooper::tempoChanged (int tempoMilliBpm, int beatsPerBar, int bars)
{
    const auto shape = (std::uint64_t (1) << 63) | (std::uint64_t (std::uint32_t (std::max (0, bars)) & 0x7fffffffu) << 32)
                       | std::uint32_t (std::max (0, beatsPerBar));
    pendingClockShape.store (shape, std::memory_order_release);
    clockMessages.push ({ NoticeCode::clockTempo, tempoMilliBpm, 0 });
}

void VarnoloLooper::applyClockShape() noexcept
{
    if (pendingClockShape.load (std::memory_order_relaxed) == 0)
        return;

    const auto shape = pendingClockShape.exchange (0, std::memory_order_acquire);
    const auto beatsPerBar = int (shape & 0xffffffffu);
    const auto bars = int ((shape >> 32) & 0x7fffffffu);
    current->clockBeatsPerBar = beatsPerBar;
    current->clockBars = bars;
    current->clockEnabled = beatsPerBar != 0 && bars != 0;
}

void VarnoloLooper::showNotice()
{
    // The clock may call from its own thread: a flag keeps the text queues single-producer.
    clockNoticePending.store (true, std::memory_order_relaxed);
}

} // namespace Work
