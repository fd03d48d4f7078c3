// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "AudioDevice.h"

#include "JackAudioDevice.h"
#include "JackLibrary.h"

#include <algorithm>

namespace Work
{

AudioDevice::AudioDevice (juce::ApplicationProperties* propertiesToUse, MidiInputCallbackManager* midiInputToUse)
    : properties (propertiesToUse)
    , midiInput (midiInputToUse)
{
    preClients.reserve (reservedPreClients);
    audioClients.reserve (4);

    // The program's own JACK type, first of all: one client for audio and MIDI; then the
    // framework's types (ALSA here), which it makes only when none was added before.
    deviceManager.addAudioDeviceType (std::make_unique<JackAudioDeviceType> (jackMidi));
    juce::OwnedArray<juce::AudioIODeviceType> frameworkTypes;
    deviceManager.createAudioDeviceTypes (frameworkTypes);
    while (! frameworkTypes.isEmpty())
        deviceManager.addAudioDeviceType (std::unique_ptr<juce::AudioIODeviceType> (frameworkTypes.removeAndReturn (0)));
    deviceManager.addAudioCallback (this);

    if (midiInput != nullptr)
    {
        midiGuiManager =
            std::make_unique<MidiGuiManager> (properties != nullptr ? properties->getUserSettings() : nullptr, *midiInput);
        jackMidiSource = std::make_unique<MidiInputCallbackManager::Source> (*midiInput);
    }
}

AudioDevice::~AudioDevice()
{
    deviceManager.removeAudioCallback (this);
    deviceManager.closeAudioDevice();

    // Without MIDI (offline) no MIDI device was opened, and none is looked for.
    if (midiInput != nullptr)
    {
        midiInput->setDeviceManager (nullptr);
        jackMidiSource = nullptr;
        midiGuiManager = nullptr;

        for (const auto& device : juce::MidiInput::getAvailableDevices())
            deviceManager.setMidiInputDeviceEnabled (device.identifier, false);
    }

    patch.release();
}

juce::String AudioDevice::openDevice (int numInputs, int numOutputs)
{
    std::unique_ptr<juce::XmlElement> saved;
    if (properties != nullptr)
        if (auto* file = properties->getUserSettings())
            saved = file->getXmlValue (deviceStateKey);

    return open (numInputs, numOutputs, saved.get(), true);
}

juce::String AudioDevice::reopenDevice (int numInputs, int numOutputs, const juce::XmlElement* state)
{
    for (auto* type : deviceManager.getAvailableDeviceTypes())
        type->scanForDevices();

    return open (numInputs, numOutputs, state, state == nullptr);
}

juce::String AudioDevice::open (int numInputs, int numOutputs, const juce::XmlElement* state, bool orDefault)
{
    patch.prepare (numInputs, numOutputs);

    // Without a saved choice, a running JACK server ("system" is its hardware) is preferred to
    // ALSA: the devices ALSA offers then are either busy or routed through that same server.
    auto error = deviceManager.initialise (numInputs, numOutputs, state, orDefault, preferredDefaultDevice);

    if (midiInput != nullptr)
        for (const auto& device : juce::MidiInput::getAvailableDevices())
            deviceManager.setMidiInputDeviceEnabled (device.identifier, true);

    // Without any device JUCE may report success and open nothing: that is a failure too.
    if (error.isEmpty() && deviceManager.getCurrentAudioDevice() == nullptr)
        error = "No audio device could be opened.";

    return error;
}

namespace
{
    /** The device manager's state, also for a device it opened by default, which it keeps no
        state for: the same element it writes for a chosen one, so the next start reopens it. */
    std::unique_ptr<juce::XmlElement> stateOf (juce::AudioDeviceManager& manager)
    {
        if (auto state = manager.createStateXml())
            return state;

        auto* device = manager.getCurrentAudioDevice();
        if (device == nullptr)
            return {};

        const auto setup = manager.getAudioDeviceSetup();
        auto state = std::make_unique<juce::XmlElement> ("DEVICESETUP");
        state->setAttribute ("deviceType", manager.getCurrentAudioDeviceType());
        state->setAttribute ("audioOutputDeviceName", setup.outputDeviceName);
        state->setAttribute ("audioInputDeviceName", setup.inputDeviceName);
        state->setAttribute ("audioDeviceRate", device->getCurrentSampleRate());
        return state;
    }
} // namespace

void AudioDevice::saveState()
{
    if (deviceManager.getCurrentAudioDevice() == nullptr || properties == nullptr)
        return;

    if (auto state = stateOf (deviceManager))
    {
        if (auto* file = properties->getUserSettings())
        {
            file->setValue (deviceStateKey, state.get());
            file->saveIfNeeded();
        }
    }
}

std::unique_ptr<juce::XmlElement> AudioDevice::captureState()
{
    return stateOf (deviceManager);
}

void AudioDevice::dropDevice()
{
    deviceManager.closeAudioDevice();
}

void AudioDevice::closeDevice()
{
    saveState();
    deviceManager.closeAudioDevice();
    patch.release();
}

namespace
{
    template <typename Client>
    bool addClient (std::vector<Client*>& list, Client* client, bool blocksMayRun)
    {
        jassert (! blocksMayRun); // a block may be reading the list right now
        if (blocksMayRun || client == nullptr || list.size() == list.capacity())
            return false;
        list.push_back (client);
        return true;
    }

    template <typename Client>
    bool removeClient (std::vector<Client*>& list, Client* client, bool blocksMayRun)
    {
        jassert (! blocksMayRun);
        if (blocksMayRun)
            return false;
        list.erase (std::remove (list.begin(), list.end(), client), list.end());
        return true;
    }
} // namespace

bool AudioDevice::addPreAudioCallbackClient (PreAudioCallbackClient* client)
{
    return addClient (preClients, client, blocksMayRun());
}

bool AudioDevice::removePreAudioCallbackClient (PreAudioCallbackClient* client)
{
    return removeClient (preClients, client, blocksMayRun());
}

bool AudioDevice::addAudioCallbackClient (AudioCallbackClient* client)
{
    return addClient (audioClients, client, blocksMayRun());
}

bool AudioDevice::removeAudioCallbackClient (AudioCallbackClient* client)
{
    return removeClient (audioClients, client, blocksMayRun());
}

bool AudioDevice::setBlockEventSource (BlockEventSource* source)
{
    if (blocksMayRun())
        return false;

    eventSource = source;
    return true;
}

bool AudioDevice::frameClockMicros (std::int64_t& micros) const noexcept
{
    // The library's clock works in any thread once a client of the process has opened; the
    // flag says one is open and running.
    const auto& jack = JackLibrary::get();
    if (! frameClockRunning.load (std::memory_order_relaxed) || jack.getTime == nullptr)
        return false;

    micros = std::int64_t (jack.getTime());
    return true;
}

void AudioDevice::audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs, float* const* outputs,
                                                    int numOutputs, int numSamples,
                                                    const juce::AudioIODeviceCallbackContext&) noexcept
{
    auto* device = deviceManager.getCurrentAudioDevice();
    const auto nominal = device != nullptr ? float (device->getCurrentSampleRate()) : 0.0f;
    processBlock (inputs, numInputs, outputs, numOutputs, numSamples, juce::Time::currentTimeMillis(), nominal);
}

void AudioDevice::processBlock (const float* const* inputs, int numInputs, float* const* outputs, int numOutputs,
                                int numSamples, std::int64_t nowMs, float nominalRate) noexcept
{
    blocksDelivered.fetch_add (1, std::memory_order_relaxed);
    clock.update (numSamples, nowMs);

    BlockInfo info;
    info.device = deviceManager.getCurrentAudioDevice();
    info.timeMs = clock.isSettled() ? clock.getSmoothedTime() : nowMs;
    info.sampleRate = clock.isSettled() ? clock.getRate() : nominalRate;
    info.microsPerFrame = nominalRate > 0.0f ? 1.0e6 / double (nominalRate) : 0.0;
    info.frame = jackMidi.isInCycle() ? jackMidi.cycleFrame() : 0;
    info.frameLatency = jackMidi.isInCycle() ? jackMidi.getFrameLatency() : 0;
    if (jackMidi.isInCycle() && jackMidi.getCycleMicros() > 0 && jackMidi.getMicrosPerFrame() > 0.0
        && JackLibrary::get().getTime != nullptr)
    {
        info.deviceMicros = jackMidi.getCycleMicros();
        info.readDeviceClock = []() noexcept { return std::int64_t (JackLibrary::get().getTime()); };
        info.microsPerFrame = jackMidi.getMicrosPerFrame();
    }

    for (int c = 0; c < numOutputs; ++c)
        if (outputs[c] != nullptr)
            std::fill (outputs[c], outputs[c] + std::max (0, numSamples), 0.0f);

    const CallbackDisabler::ScopedCallback guard (*this);
    const bool blockRuns = guard.isEnabled() && numSamples <= maxBlockSize && numSamples >= 0;
    dispatchJackMidi (nowMs, blockRuns);

    if (eventSource != nullptr)
    {
        BlockStart start;
        start.timeMs = info.timeMs;
        start.sampleRate = info.sampleRate;
        start.numSamples = numSamples;
        start.runs = blockRuns;
        start.frameClock = jackMidi.isInCycle() && jackMidi.getCycleMicros() > 0 && jackMidi.getMicrosPerFrame() > 0.0;
        start.frame = info.frame;
        start.frameMicros = jackMidi.getCycleMicros();
        start.microsPerFrame = jackMidi.getMicrosPerFrame();
        frameClockRunning.store (start.frameClock, std::memory_order_relaxed);
        eventSource->blockStarting (start);
    }

    if (! blockRuns)
        return;

    for (auto* client : preClients)
        client->preAudioCallback();

    const auto* engineInputs = patch.mapInputs (inputs, numInputs);
    auto* engineOutputs = patch.mapOutputs (outputs, numOutputs, numSamples);

    for (auto* client : audioClients)
        client->audioCallback (engineInputs, engineOutputs, numSamples, info);
}

void AudioDevice::dispatchJackMidi (std::int64_t nowMs, bool blockRuns) noexcept
{
    if (! jackMidi.isInCycle() || jackMidiSource == nullptr)
        return;

    const auto cycleStart = jackMidi.cycleFrame();

    for (auto* event = jackMidi.incomingBegin(); event != jackMidi.incomingEnd(); ++event)
    {
        // Dispatched here, at its frame, when the block runs and the controls take MIDI now;
        // otherwise the MIDI thread dispatches it by its time, or tells that it was ignored.
        const bool dispatched =
            blockRuns && midiGuiManager != nullptr
            && midiGuiManager->dispatchAtFrame (event->bytes, event->size, cycleStart + event->frame, nowMs);
        jackMidiSource->pushMessage (event->bytes, event->size, nowMs,
                                     dispatched ? MidiDelivery::dispatched : MidiDelivery::toDispatch);
    }

    // One wake-up of the MIDI thread for the block's messages, only when some came.
    jackMidiSource->wake();
}

} // namespace Work
