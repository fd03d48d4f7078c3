// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "AudioDevice.h"
#include "BufferPatch.h"
#include "effects/Lv2Effect.h"
#include "engine/AudioCallbackClient.h"
#include "engine/LooperMixer.h"
#include "engine/MeterFeed.h"
#include "engine/VarnoloLooper.h"
#include "mixer/GainTables.h"
#include "mixer/MixerChannelSet.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace Work
{

/** The effects of one output bus, run in order in place on the bus after the loop mix. */
class BusEffectChain
{
public:
    virtual ~BusEffectChain() = default;

    struct Entry
    {
        std::unique_ptr<Lv2Effect> effect; // null for an empty entry
    };

    std::vector<Entry> entries;

    using Chains = std::vector<std::unique_ptr<BusEffectChain>>;

    /** [message] Chains holding one effect, on the first bus; null for a null effect. */
    static std::unique_ptr<Chains> holding (std::unique_ptr<Lv2Effect> effect);

    /** The first bus's first effect in chains (which may be null), or null. */
    static Lv2Effect* firstOf (const Chains* chains) noexcept;
};

/** The root of the audio engine: the device, the looper, the two mixer channel sets and the
    looper's output buffers, and the fixed order of work in one block.

    A block: the looper records and plays into its own loop-channel buffers; the loop channels
    are mixed onto the output buses; bus effects run; buses 1 and up pass their channels, the
    bus returns fold them into bus 0, and bus 0 passes its channel; meters are fed throughout;
    with input monitoring on, each input is added to the same-numbered output.

    The engine is set up and torn down on the message thread while it is not one of the
    device's clients, so the audio thread never sees it half built.
*/
class MainAudio final
    : public AudioCallbackClient
    , public LooperMixer
    , private juce::ChangeListener
{
public:
    /** properties may be null (offline rendering): the device state is then not kept. midiInput,
        the application's MIDI input fan-out, may be null: the engine then takes no MIDI. */
    explicit MainAudio (juce::ApplicationProperties* properties, MidiInputCallbackManager* midiInput = nullptr);
    ~MainAudio() override;

    /** [message] inputs looper input channels (doubled when stereo), loopChannels loop channels,
        buses stereo output buses. False (and nothing built) without a sample pool. */
    bool setupEngine (int inputs, bool stereo, int loopChannels, int buses);

    /** [message] Opens the device for the engine; returns the error text, empty on success. A
        failure is also posted to the performer. */
    juce::String openAudio();

    /** [message] Opens the device a captured state describes (the default device without one),
        under the callback gate; the error text, empty on success. Nothing is posted. */
    juce::String reopenAudio (const juce::XmlElement* state);

    /** [message] Brings the engine and the status up to date with the device manager: the rate,
        the latencies, the status line. */
    void refreshDevice() { changeListenerCallback (nullptr); }

    /** [message] What the status line and the performer are told while no device runs; empty
        texts give the plain "No audio device". */
    void setAbsenceTexts (const juce::String& status, const juce::String& notice);

    /** [message] Removes the engine from the device and deletes it. */
    void teardownEngine();

    // [audio]
    void audioCallback (const float* const* inputs, float* const* outputs, int numSamples,
                        const BlockInfo& info) noexcept override;

    // LooperMixer [audio, or message under the gate]
    bool setActiveOutputs (int loopChannel, std::uint32_t mask) noexcept override;
    void setBusReturnEnabled (int index, bool on) noexcept override;
    int getNumLoopChannels() const noexcept override { return loopMixerSet != nullptr ? loopMixerSet->size() : 0; }
    int getNumBuses() const noexcept override { return numBuses; }

    AudioDevice& getDevice() noexcept { return device; }
    VarnoloLooper* getLooper() noexcept { return looper.get(); }
    MixerChannelSet* getLoopMixerSet() noexcept { return loopMixerSet.get(); }
    MixerChannelSet* getBusMixerSet() noexcept { return busMixerSet.get(); }
    BufferPatch& getBufferPatch() noexcept { return bufferPatch; }

    [[nodiscard]] int getNumEngineInputs() const noexcept { return numEngineInputs; }
    [[nodiscard]] int getNumEngineOutputs() const noexcept { return numEngineOutputs; }
    [[nodiscard]] const juce::String& getStatusText() const noexcept { return statusText; }

    /** The device's sample rate, 0 while none runs. */
    [[nodiscard]] double getSampleRate() const noexcept { return sampleRate; }

    /** [message] Told the device status text on every device change. */
    std::function<void (const juce::String&)> onStatusChanged;

    /** Each engine input added to the same-numbered output; written by the settings. */
    std::atomic<bool> inputMonitoring { false };

    /** [message, no block running] The meters fed every block: one per engine input, per loop
        channel and per engine output; a list may be shorter, or empty. */
    void setMeterFeeds (std::vector<MeterFeed*> inputs, std::vector<MeterFeed*> channels, std::vector<MeterFeed*> outputs);

    /** Installed bus effects, or null; changed only under the callback gate. Each runs in place
        on its bus's two channels after the loop mix, made for the device's rate. */
    std::unique_ptr<BusEffectChain::Chains> busEffects;

private:
    /** Tells the looper of MIDI that arrived while dispatch was held off. [midi]
        The MIDI manager calls it inside its own callback gate, so teardown clears the pointer
        and then waits at that gate before the looper goes. */
    struct HeldOffMidi final : MidiGuiManager::MidiCallbackDisablerMessageClient
    {
        void midiInputWhileDisabled() noexcept override
        {
            if (auto* l = looper.load (std::memory_order_acquire))
                l->midiInputWhileDisabled();
        }
        std::atomic<VarnoloLooper*> looper { nullptr };
    };

    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void setStatus (const juce::String& text);

    AudioDevice device;
    HeldOffMidi heldOffMidi;
    BufferPatch bufferPatch;
    GainTables gainTables;
    std::unique_ptr<VarnoloLooper> looper;
    std::unique_ptr<MixerChannelSet> loopMixerSet, busMixerSet;

    std::vector<MeterFeed*> inputMeters, channelMeters, outputMeters;
    juce::String statusText, absenceStatus, absenceNotice;
    double sampleRate = 0.0;
    int numEngineInputs = 0, numEngineOutputs = 0, numBuses = 0;
    bool stereoChannels = false;
    bool deviceShown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAudio)
};

} // namespace Work
