// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainAudio.h"

#include "engine/MemorySystem.h"

namespace Work
{

std::unique_ptr<BusEffectChain::Chains> BusEffectChain::holding (std::unique_ptr<Lv2Effect> effect)
{
    if (effect == nullptr)
        return nullptr;
    auto chains = std::make_unique<Chains>();
    chains->push_back (std::make_unique<BusEffectChain>());
    chains->front()->entries.push_back ({ std::move (effect) });
    return chains;
}

Lv2Effect* BusEffectChain::firstOf (const Chains* chains) noexcept
{
    if (chains == nullptr || chains->empty() || chains->front()->entries.empty())
        return nullptr;
    return chains->front()->entries.front().effect.get();
}

MainAudio::MainAudio (juce::ApplicationProperties* properties, MidiInputCallbackManager* midiInput)
    : device (properties, midiInput)
{
    device.getDeviceManager().addChangeListener (this);

    if (auto* midi = device.getMidiGuiManager())
        midi->setDisabledMessageClient (&heldOffMidi);
}

MainAudio::~MainAudio()
{
    device.getDeviceManager().removeChangeListener (this);
    teardownEngine();

    if (auto* midi = device.getMidiGuiManager())
        midi->setDisabledMessageClient (nullptr);
}

bool MainAudio::setupEngine (int inputs, bool stereo, int loopChannels, int buses)
{
    auto* memory = MemorySystem::getDataMemory();

    if (memory == nullptr || ! memory->hasPool() || inputs <= 0 || loopChannels <= 0 || buses <= 0)
        return false;

    teardownEngine();
    numBuses = buses;
    stereoChannels = stereo;
    const auto engineInputs = stereo ? 2 * inputs : inputs;

    bufferPatch.allocate (stereo ? 2 * loopChannels : loopChannels);
    looper = std::make_unique<VarnoloLooper> (*memory, engineInputs, bufferPatch.getNumChannels(), stereo);
    looper->setMixer (this);
    looper->setCallbackGate (&device);
    heldOffMidi.looper.store (looper.get(), std::memory_order_release);

    using Set = MixerChannelSet;
    loopMixerSet = std::make_unique<Set> (gainTables, loopChannels, stereo ? Set::Stereo::yes : Set::Stereo::no,
                                          Set::MultiBus::yes, buses, 0);
    busMixerSet = std::make_unique<Set> (gainTables, buses, Set::Stereo::yes, Set::MultiBus::no, buses, buses - 1);

    numEngineInputs = engineInputs;
    numEngineOutputs = 2 * buses;
    device.prepare (numEngineInputs, numEngineOutputs);
    const CallbackDisabler::ScopedDisable hold (device);
    return device.addAudioCallbackClient (this);
}

juce::String MainAudio::openAudio()
{
    const auto error = device.openDevice (numEngineInputs, numEngineOutputs);

    // JUCE broadcasts device changes asynchronously; bring the engine up to date at once.
    changeListenerCallback (&device.getDeviceManager());

    if (error.isNotEmpty() && looper != nullptr)
        looper->postText ("The audio device could not be opened: choose one in the options.");

    return error;
}

juce::String MainAudio::reopenAudio (const juce::XmlElement* state)
{
    juce::String error;
    {
        const CallbackDisabler::ScopedDisable hold (device);
        error = device.reopenDevice (numEngineInputs, numEngineOutputs, state);
    }
    changeListenerCallback (&device.getDeviceManager());
    return error;
}

void MainAudio::setAbsenceTexts (const juce::String& status, const juce::String& notice)
{
    absenceStatus = status;
    absenceNotice = notice;
}

void MainAudio::teardownEngine()
{
    {
        const CallbackDisabler::ScopedDisable hold (device);
        device.removeAudioCallbackClient (this);
    }

    bufferPatch.release();

    // A MIDI callback that already holds the looper pointer runs inside the MIDI manager's gate:
    // clear the pointer first, then wait there, so no callback still uses the looper below.
    heldOffMidi.looper.store (nullptr, std::memory_order_release);
    if (auto* midi = device.getMidiGuiManager())
        CallbackDisabler::waitUntilIdle (*midi);

    looper = nullptr;
    loopMixerSet = nullptr;
    busMixerSet = nullptr;
    busEffects = nullptr;
    numEngineInputs = numEngineOutputs = 0;
}

void MainAudio::setMeterFeeds (std::vector<MeterFeed*> inputs, std::vector<MeterFeed*> channels,
                               std::vector<MeterFeed*> outputs)
{
    jassert (! device.blocksMayRun()); // every block reads these lists without a lock
    const CallbackDisabler::ScopedDisable hold (device);
    inputMeters = std::move (inputs);
    channelMeters = std::move (channels);
    outputMeters = std::move (outputs);
}

void MainAudio::setStatus (const juce::String& text)
{
    statusText = text;
    if (onStatusChanged)
        onStatusChanged (text);
}

void MainAudio::changeListenerCallback (juce::ChangeBroadcaster*)
{
    auto& manager = device.getDeviceManager();
    manager.removeAudioCallback (&device);

    if (auto* midiInput = device.getMidiInput())
        midiInput->setDeviceManager (nullptr);

    // A device that stopped by itself (a JACK server that went away) stays current, closed.
    if (auto* current = manager.getCurrentAudioDevice(); current != nullptr && current->isOpen())
    {
        const auto inputLatency = current->getInputLatencyInSamples();
        const auto outputLatency = current->getOutputLatencyInSamples();
        sampleRate = current->getCurrentSampleRate();

        if (looper != nullptr)
            looper->setDevice (int (sampleRate), inputLatency, outputLatency);

        setStatus (current->getName() + ", " + juce::String (sampleRate / 1000.0, 1) + " kHz, "
                   + juce::String (current->getCurrentBufferSizeSamples()) + " samples a block, latency in "
                   + juce::String (inputLatency) + " out " + juce::String (outputLatency));

        // The notice of a missing device goes once a device is there; later changes keep
        // whatever is shown (the notice that the device is back, for one).
        if (looper != nullptr && ! deviceShown)
            looper->postText ("");
        deviceShown = true;

        if (auto* midiInput = device.getMidiInput())
            midiInput->setDeviceManager (&manager);
    }
    else
    {
        sampleRate = 0.0;
        deviceShown = false;

        if (looper != nullptr)
            looper->setDevice (0, 0, 0);

        setStatus (absenceStatus.isNotEmpty() ? absenceStatus : juce::String ("No audio device"));

        if (looper != nullptr)
            looper->postText (absenceNotice.isNotEmpty() ? absenceNotice.toRawUTF8() : "No audio device is open.");
    }

    manager.addAudioCallback (&device);
}

bool MainAudio::setActiveOutputs (int loopChannel, std::uint32_t mask) noexcept
{
    auto* channel = loopMixerSet != nullptr ? loopMixerSet->getChannel (loopChannel) : nullptr;
    auto* holder = channel != nullptr ? channel->getActiveOutputListener() : nullptr;

    if (holder == nullptr)
        return false;

    holder->setActiveOutputs (mask);
    return true;
}

void MainAudio::setBusReturnEnabled (int index, bool on) noexcept
{
    if (busMixerSet != nullptr)
        busMixerSet->setBusReturnEnabled (index, on);
}

void MainAudio::audioCallback (const float* const* inputs, float* const* outputs, int n, const BlockInfo& info) noexcept
{
    if (n > maxBlockSize || looper == nullptr)
        return;

    BlockInfo local = info;
    local.device = device.getDeviceManager().getCurrentAudioDevice();

    bufferPatch.clear (n);
    auto* loops = bufferPatch.getPointers();
    looper->process (inputs, loops, n, &local);

    // Meters time their ballistics by the nominal rate: the measured one wobbles from block to block.
    const auto rate = int (sampleRate > 0.0 ? sampleRate : double (local.sampleRate));

    for (std::size_t i = 0; i < inputMeters.size() && int (i) < numEngineInputs; ++i)
        inputMeters[i]->feed (rate, n, inputs[i], 1.0f);

    for (int k = 0; k < loopMixerSet->size(); ++k)
    {
        auto* channel = loopMixerSet->getChannel (k);

        if (auto* mono = channel->asMonoToMultipleStereo())
        {
            const float* source[] = { loops[k] };
            mono->process (source, outputs, n, &local);
            if (std::size_t (k) < channelMeters.size())
                channelMeters[std::size_t (k)]->feed (rate, n, loops[k], mono->getGain());
        }
        else if (auto* stereo = channel->asStereoToMultipleStereo())
        {
            const float* source[] = { loops[2 * k], loops[2 * k + 1] };
            stereo->process (source, outputs, n, &local);
            if (std::size_t (2 * k + 1) < channelMeters.size())
            {
                channelMeters[std::size_t (2 * k)]->feed (rate, n, loops[2 * k], stereo->getLeftGain());
                channelMeters[std::size_t (2 * k + 1)]->feed (rate, n, loops[2 * k + 1], stereo->getRightGain());
            }
        }
    }

    if (busEffects != nullptr)
    {
        for (std::size_t b = 0; b < busEffects->size() && int (b) < numBuses; ++b)
        {
            for (auto& entry : (*busEffects)[b]->entries)
                if (entry.effect != nullptr)
                    entry.effect->process (outputs[2 * b], outputs[2 * b + 1], n);
        }
    }

    busMixerSet->processBuses (outputs, n);

    for (std::size_t i = 0; i < outputMeters.size() && int (i) < numEngineOutputs; ++i)
        outputMeters[i]->feed (rate, n, outputs[i], 1.0f);

    if (inputMonitoring.load (std::memory_order_relaxed))
        for (int c = 0; c < std::min (numEngineInputs, numEngineOutputs); ++c)
            for (int i = 0; i < n; ++i)
                outputs[c][i] += inputs[c][i];
}

} // namespace Work
