// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "EngineRuntime.h"

#include "engine/MemorySystem.h"

#include <cmath>

namespace Work
{

EngineRuntime::EngineRuntime (MainSettings& settingsToUse, MidiInputCallbackManager* midiInput,
                              std::uint64_t physicalMemoryMb)
    : settings (settingsToUse)
{
    MemorySystem::startEngineRuntime();
    // The performer's size when one is chosen and can be had, else the largest the machine gives.
    if (const auto chosen = settings.getSampleMemoryMb(); chosen > 0)
        poolMegabytes = MemorySystem::startSampleMemoryOf (chosen);
    if (poolMegabytes == 0)
        poolMegabytes = MemorySystem::startSampleMemory (physicalMemoryMb);

    if (poolMegabytes > 0)
    {
        mainAudio = std::make_unique<MainAudio> (&settings.getApplicationProperties(), midiInput);
        keeper = std::make_unique<DeviceKeeper> (*mainAudio);
        keeper->isDeviceBeingChosen = [this] { return settings.isOptionsDialogOpen(); };
    }

    if (mainAudio != nullptr)
    {
        tapTempo = std::make_unique<TapTempo> (
            settings.getUserSettings().getIntValue (beatsPerBarKey, TapTempo::defaultBeatsPerBar));
        clock = std::make_unique<MidiClockSender> (*tapTempo);
        tapTempo->setClock (clock.get());
        clock->setFrameOutput (&mainAudio->getDevice().getJackMidi());
        ownClockPair = { clock.get(), tapTempo.get() };
        clockPair = &ownClockPair;
        clock->startThread();
        mainAudio->getDevice().getDeviceManager().addChangeListener (this);
    }

    settings.addListener (this);
    applySettings();
}

EngineRuntime::~EngineRuntime()
{
    settings.removeListener (this);
    teardownEngine();

    if (clock != nullptr)
    {
        mainAudio->getDevice().getDeviceManager().removeChangeListener (this);
        clock->stopThread();
        clock->setDeviceOutput (nullptr);
        clock->setFrameOutput (nullptr);
    }

    keeper = nullptr;
    mainAudio = nullptr;
    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
}

MidiGuiManager* EngineRuntime::getMidiGuiManager() noexcept
{
    return mainAudio != nullptr ? mainAudio->getDevice().getMidiGuiManager() : nullptr;
}

bool EngineRuntime::buildEngine()
{
    if (mainAudio == nullptr || ! mainAudio->setupEngine (numInputs, false, numLoopChannels, numBuses))
        return false;

    // Everything the looper is handed, it has before the first block.
    cursors = std::make_unique<CursorWord> (numLoopChannels, numCursors);
    auto* looper = mainAudio->getLooper();
    looper->setCursorWord (cursors.get());
    looper->setClock (clockPair);
    looper->setSharedTempo (link.get());

    if (clockPair == &ownClockPair)
    {
        clock->setMainClient (looper);
        tapTempo->setClient (looper);
        // Takes new beats per bar, and stamps the block for the clock, before the engine runs.
        [[maybe_unused]] const auto added = mainAudio->getDevice().addPreAudioCallbackClient (tapTempo.get());
    }

    applySettings();
    return true;
}

void EngineRuntime::setBeatsPerBar (int beatsPerBar)
{
    if (tapTempo == nullptr)
        return;

    tapTempo->setBeatsPerBar (beatsPerBar);
    settings.getUserSettings().setValue (beatsPerBarKey, tapTempo->getBeatsPerBar());
    if (link != nullptr)
        link->setBeatsPerBar (tapTempo->getBeatsPerBar());
}

void EngineRuntime::applyLinkSettings()
{
    if (mainAudio == nullptr || (link == nullptr && ! settings.linkSession.isOn()))
        return;

    if (link == nullptr)
    {
        // Handed to a running looper between two blocks.
        link = std::make_unique<LinkSession>();
        if (auto* looper = getLooper())
        {
            const CallbackDisabler::ScopedDisable hold (mainAudio->getDevice());
            looper->setSharedTempo (link.get());
        }
    }

    link->setBeatsPerBar (tapTempo != nullptr ? tapTempo->getBeatsPerBar() : TapTempo::defaultBeatsPerBar);
    link->setQuantiseMainLoop (settings.linkQuantiseMainLoop.isOn());
    link->setStartStopSync (settings.linkStartStopSync.isOn());
    link->join (settings.linkSession.isOn());
}

void EngineRuntime::refreshLink (LooperView& view)
{
    if (view.linkRequest >= 0)
    {
        const bool join = view.linkRequest == 2 ? ! settings.linkSession.isOn() : view.linkRequest == 1;
        settings.linkSession.getValue() = settings.linkSession.getChoices()[join ? 1 : 0];
        settings.storeAll(); // kept for the next start at once, as a choice made outside the options
    }

    view.linkJoined = link != nullptr && link->isJoined();
    view.linkPeers = link != nullptr ? link->peers() : 0;
    view.linkTempoMilliBpm = link != nullptr ? int (std::lround (link->sessionTempo() * 1000.0)) : 0;
    if (auto* looper = getLooper())
        view.linkLoopTempoMilliBpm = looper->getLoopTempoMilliBpm();
}

void EngineRuntime::refreshClockOutput()
{
    if (clock == nullptr)
        return;

    const auto identifier = mainAudio->getDevice().getDeviceManager().getDefaultMidiOutputIdentifier();

    if (identifier == clockOutputIdentifier)
        return;

    clockOutputIdentifier = identifier;
    clock->setDeviceOutput (ClockDeviceOutput::open (identifier));
}

juce::String EngineRuntime::openAudio()
{
    if (mainAudio == nullptr)
        return "There is no sample memory to record into.";

    const auto error = mainAudio->openAudio();
    keeper->watch (error.isEmpty());
    refreshClockOutput();
    return error;
}

void EngineRuntime::closeAudio()
{
    if (mainAudio == nullptr)
        return;

    keeper->stopWatching();
    mainAudio->getDevice().closeDevice();
}

void EngineRuntime::teardownEngine()
{
    if (mainAudio == nullptr)
        return;

    closeAudio();

    if (tapTempo != nullptr)
    {
        mainAudio->getDevice().removePreAudioCallbackClient (tapTempo.get());
        tapTempo->setClient (nullptr);
        clock->setMainClient (nullptr);
    }

    mainAudio->teardownEngine();
    cursors = nullptr;
}

namespace
{
    /** Commands posted while no engine exists go nowhere. */
    struct NoSink final : CommandSink
    {
        bool post (const LooperCommand&) noexcept override { return false; }
    };
} // namespace

CommandSink& EngineRuntime::getCommandSink() noexcept
{
    static NoSink none;
    if (auto* looper = getLooper())
        return *looper;
    return none;
}

bool EngineRuntime::postFromScreen (const LooperCommand& command) noexcept
{
    auto* looper = getLooper();
    return looper != nullptr && looper->postFromMessageThread (command);
}

void EngineRuntime::refresh (LooperView& view)
{
    if (auto* looper = getLooper())
    {
        looper->pollQueues (view);
        looper->runRequestedWork (&view);
        if (cursors != nullptr)
            view.cursors = cursors->get();
    }
    refreshLink (view);
}

void EngineRuntime::showCursors (std::uint32_t word) noexcept
{
    if (cursors != nullptr)
        cursors->setShown (word);
}

void EngineRuntime::applySettings()
{
    // One line per option: what the engine reads of it, and where it goes.
    if (auto* midi = getMidiGuiManager())
    {
        midi->setRepeatInterval (settings.getMidiRepeatFilterMs());
        midi->setToggleByValue (! settings.controllersFlipToggles.isOn());
    }

    if (mainAudio == nullptr)
        return;

    mainAudio->inputMonitoring = settings.inputMonitoring.isOn();

    if (auto* looper = getLooper())
    {
        looper->setLatencyOffsetMs (settings.getLatencyOffsetMs());
        auto& options = looper->getOptions();
        options.advanceCursorAfterRecording = settings.advanceCursorAfterRecording.isOn();
        options.cursorFollowsUndoRedo = settings.cursorFollowsUndoRedo.isOn();
        options.handOverRecordingOnMove = settings.handOverRecordingOnMove.isOn();
        options.loopDivisionMode = settings.loopDivisionMode.getIndex();
    }

    applyLinkSettings();
}

} // namespace Work
