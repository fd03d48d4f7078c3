// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BlockClock.h"
#include "IOPatch.h"
#include "JackMidiCycle.h"
#include "engine/AudioCallbackClient.h"
#include "engine/BlockEventSource.h"
#include "engine/CallbackDisabler.h"
#include "engine/CommandSink.h"
#include "engine/PreAudioCallbackClient.h"
#include "midi/MidiGuiManager.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_data_structures/juce_data_structures.h>

#include <atomic>
#include <vector>

namespace Work
{

/** The device end of the engine: owns the framework's device manager, receives its callback,
    time-stamps every block, presents the engine with fixed channel counts whatever the device
    offers, and fans the block out to its clients.

    A block, on the audio thread: the clock counts it; the outputs are cleared; unless the gate
    is held or the block is longer than the engine accepts, the MIDI that came in with the block
    on the program's JACK port is dispatched at its frames, the pre-block clients run and then
    the audio clients, on engine-sized channel arrays built through the IOPatch. The MIDI goes on
    to the MIDI thread as well, for the log, learning and the lights (and for dispatch there, a
    block late, when the block could not take it).

    Its device types are the framework's, but for JACK, which is the program's own: one client
    for audio and MIDI (JackAudioDevice).

    Client lists change only on the message thread while no block can run (before the device
    starts, or under the gate). The saved device state lives in the settings file.
*/
class AudioDevice final
    : public juce::AudioIODeviceCallback
    , public CallbackDisabler::Manager
    , public PreAudioClientList
    , public FrameClockSource
{
public:
    /** properties may be null (offline use): nothing is then loaded or saved. With a MIDI input
        fan-out the device owns the MIDI GUI manager, which dispatches MIDI to the controls. */
    explicit AudioDevice (juce::ApplicationProperties* properties, MidiInputCallbackManager* midiInput = nullptr);
    ~AudioDevice() override;

    /** [message] Opens the saved (or default) device for the engine's channel counts. Returns an
        error text, empty on success; no device opened counts as an error. */
    juce::String openDevice (int numInputs, int numOutputs);

    /** [message] Opens the device a captured state describes, and nothing else; with no state,
        the default device. Device lists are scanned afresh first, so a server that started since
        the last look is found. Returns an error text, empty on success. */
    juce::String reopenDevice (int numInputs, int numOutputs, const juce::XmlElement* state);

    /** [message] Saves the device state and closes the device. */
    void closeDevice();

    /** [message] Closes a device that stopped by itself, keeping the saved state as it was. */
    void dropDevice();

    /** [message] The open device's state, as the settings file keeps it; null without a device. */
    [[nodiscard]] std::unique_ptr<juce::XmlElement> captureState();

    /** [any] Blocks delivered since the program started: a device that stops calling back shows
        as a count that no longer moves. */
    [[nodiscard]] std::uint64_t getBlocksDelivered() const noexcept
    {
        return blocksDelivered.load (std::memory_order_relaxed);
    }

    /** [message] True once after the device reported an error. */
    [[nodiscard]] bool takeDeviceError() noexcept { return deviceError.exchange (false); }

    /** [message] Writes the open device's state into the settings file and saves it. */
    void saveState();

    /** [message] The client lists are read by every block without a lock, so they may change only
        while no block can run: before the device starts, after it stops, or with the gate held.
        Otherwise nothing changes and the call returns false. Room for a full screen of controls
        is reserved up front, so registering never moves the lists while they may be read. */
    [[nodiscard]] bool addPreAudioCallbackClient (PreAudioCallbackClient* client) override;
    bool removePreAudioCallbackClient (PreAudioCallbackClient* client) override;
    [[nodiscard]] bool addAudioCallbackClient (AudioCallbackClient* client);
    bool removeAudioCallbackClient (AudioCallbackClient* client);

    /** [any] Blocks may arrive now: the device has started and not stopped since, and the gate
        is not held. */
    [[nodiscard]] bool blocksMayRun() const noexcept { return deviceRunning.load() && ! isDisabled(); }

    /** Pre-block clients the lists hold without growing: about 70 controls make a full screen. */
    static constexpr std::size_t reservedPreClients = 256;

    /** [message] The engine's channel counts, for running blocks without opening a device. */
    void prepare (int numInputs, int numOutputs) { patch.prepare (numInputs, numOutputs); }

    juce::AudioDeviceManager& getDeviceManager() noexcept { return deviceManager; }

    /** The MIDI GUI manager, or null without a MIDI input fan-out. */
    MidiGuiManager* getMidiGuiManager() noexcept { return midiGuiManager.get(); }

    /** The MIDI of the JACK device's cycles: where the MIDI clock puts its bytes, and the MIDI
        input's capture latency. */
    JackMidiCycle& getJackMidi() noexcept { return jackMidi; }
    MidiInputCallbackManager* getMidiInput() noexcept { return midiInput; }

    /** [message, while no block can run] Where events from outside the device come from; they
        reach the controls after the block's MIDI. Null: none. False (nothing changed) while a
        block may run. */
    bool setBlockEventSource (BlockEventSource* source);

    /** [any] The JACK server's microsecond time now, while the program's JACK device runs. */
    [[nodiscard]] bool frameClockMicros (std::int64_t& micros) const noexcept override;

    /** [audio] One block as the device delivers it, at wall-clock time nowMs and nominal rate. */
    void processBlock (const float* const* inputs, int numInputs, float* const* outputs, int numOutputs, int numSamples,
                       std::int64_t nowMs, float nominalRate) noexcept;

    const BlockClock& getBlockClock() const noexcept { return clock; }

    static constexpr const char* deviceStateKey = "audioDeviceState";

    /** The device chosen when none is saved, if some device type offers it: a JACK server's
        hardware ports. */
    static constexpr const char* preferredDefaultDevice = "system";

    // juce::AudioIODeviceCallback
    /** [audio] */
    void audioDeviceIOCallbackWithContext (const float* const* inputs, int numInputs, float* const* outputs, int numOutputs,
                                           int numSamples,
                                           const juce::AudioIODeviceCallbackContext& context) noexcept override;
    void audioDeviceAboutToStart (juce::AudioIODevice*) override { deviceRunning.store (true); }
    void audioDeviceStopped() override
    {
        deviceRunning.store (false);
        frameClockRunning.store (false);
    }
    void audioDeviceError (const juce::String&) override { deviceError.store (true); }

private:
    juce::String open (int numInputs, int numOutputs, const juce::XmlElement* state, bool orDefault);
    void dispatchJackMidi (std::int64_t nowMs, bool blockRuns) noexcept;

    juce::ApplicationProperties* properties;
    MidiInputCallbackManager* midiInput;
    JackMidiCycle jackMidi;
    juce::AudioDeviceManager deviceManager;
    std::unique_ptr<MidiGuiManager> midiGuiManager;
    std::unique_ptr<MidiInputCallbackManager::Source> jackMidiSource; // the audio thread's, to the MIDI thread
    std::vector<PreAudioCallbackClient*> preClients;
    std::vector<AudioCallbackClient*> audioClients;
    IOPatch patch;
    BlockClock clock;
    BlockEventSource* eventSource = nullptr;
    std::atomic<bool> deviceRunning { false }, deviceError { false }, frameClockRunning { false };
    std::atomic<std::uint64_t> blocksDelivered { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AudioDevice)
};

} // namespace Work
