// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "JackLibrary.h"
#include "JackMidiCycle.h"
#include "midi/MidiStreamParser.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>
#include <memory>
#include <vector>

namespace Work
{

/** The program's JACK device: one JACK client for audio and MIDI together.

    The client "Varnolo" has an audio input port in_N for each capture port of the client chosen
    as input device (the server's "system", usually), an output port out_N for each of its
    playback ports, and the MIDI ports midi_in and midi_out. Opening the device connects the chosen
    channels to that client; the MIDI ports are connected by the performer, a patchbay or a
    session manager, which keep connections by port name.

    Every process cycle: the MIDI input's events are split into whole messages by the stream
    parser and left, with their frames, in the JackMidiCycle; the engine's callback runs on the
    cycle's audio (and dispatches that MIDI at its frames); what the engine put in the
    JackMidiCycle (the MIDI clock) is written to the MIDI output port in the same cycle. Nothing in
    the cycle allocates, locks or waits: starting and stopping the callback use a two-word
    handshake, and stop() returns once no cycle is inside the old callback.

    Latencies come from JACK's port latency ranges: the largest capture latency of the audio
    inputs and the largest playback latency of the outputs, as the device reports them; and, read
    again every cycle, the audio inputs' capture latency less the MIDI input's, which the engine
    adds to a MIDI event's frame so that an event and a sample that happened at the same moment
    count as simultaneous.

    When the server goes away the device reports an error to its callback and stops; the
    device keeper reopens it once a server runs again.

    Threads: the process and xrun callbacks [jack]; the shutdown callback [a JACK thread];
    everything else [message]. */
class JackAudioDevice final : public juce::AudioIODevice
{
public:
    /** Opens the client on a running server (none started); isConnected() says whether it did. */
    JackAudioDevice (const juce::String& inputClient, const juce::String& outputClient, JackMidiCycle& midi);
    ~JackAudioDevice() override;

    [[nodiscard]] bool isConnected() const noexcept { return client != nullptr && ! serverGone.load(); }

    juce::StringArray getOutputChannelNames() override { return outputChannelNames; }
    juce::StringArray getInputChannelNames() override { return inputChannelNames; }
    juce::Array<double> getAvailableSampleRates() override;
    juce::Array<int> getAvailableBufferSizes() override;
    int getDefaultBufferSize() override { return getCurrentBufferSizeSamples(); }

    juce::String open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels, double sampleRate,
                       int bufferSizeSamples) override;
    void close() override;
    bool isOpen() override { return opened; }
    void start (juce::AudioIODeviceCallback* callback) override;
    void stop() override;
    bool isPlaying() override { return currentCallback.load() != nullptr; }
    juce::String getLastError() override { return lastError; }

    int getCurrentBufferSizeSamples() override;
    double getCurrentSampleRate() override;
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return activeOutputs; }
    juce::BigInteger getActiveInputChannels() const override { return activeInputs; }
    int getOutputLatencyInSamples() override;
    int getInputLatencyInSamples() override;
    int getXRunCount() const noexcept override { return xruns.load (std::memory_order_relaxed); }

    const juce::String inputClientName, outputClientName;

private:
    void process (std::uint32_t numFrames) noexcept;
    [[nodiscard]] int frameLatency() const noexcept;
    void readMidi (void* buffer) noexcept;
    void writeMidi (void* buffer) noexcept;
    void serverShutDown() noexcept;
    [[nodiscard]] int largestLatency (const std::vector<void*>& ports, bool capture) const;

    JackMidiCycle& midi;
    jack_client_t* client = nullptr;
    std::vector<void*> inputPorts, outputPorts; // jack_port_t*
    void* midiInputPort = nullptr;
    void* midiOutputPort = nullptr;
    juce::StringArray inputChannelNames, outputChannelNames;
    std::vector<juce::String> inputSources, outputDestinations; // the chosen client's port names

    // What one cycle hands the callback: the opened channels' buffers, made once.
    std::vector<float*> inputBuffers, outputBuffers;
    std::vector<int> openedInputs, openedOutputs;
    juce::BigInteger activeInputs, activeOutputs;
    MidiStreamParser midiParser;

    std::atomic<juce::AudioIODeviceCallback*> currentCallback { nullptr };
    std::atomic<int> inCycle { 0 };
    std::atomic<bool> serverGone { false };
    std::atomic<int> xruns { 0 };
    juce::String lastError;
    bool opened = false, active = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JackAudioDevice)
};

/** The "JACK" device type: the clients of a running JACK server that have audio ports, as input
    and output devices, opened with the program's one JACK client (JackAudioDevice). It replaces
    the framework's own JACK type, keeping its name, so a saved device state still names it. */
class JackAudioDeviceType final : public juce::AudioIODeviceType
{
public:
    static constexpr const char* typeName = "JACK";
    static constexpr const char* clientName = "Varnolo";
    static constexpr const char* midiInputName = "midi_in";
    static constexpr const char* midiOutputName = "midi_out";

    /** midi: where the devices of this type exchange MIDI with the engine. */
    explicit JackAudioDeviceType (JackMidiCycle& midi);

    void scanForDevices() override;
    juce::StringArray getDeviceNames (bool wantInputNames) const override;
    int getDefaultDeviceIndex (bool forInput) const override;
    int getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const override;
    bool hasSeparateInputsAndOutputs() const override { return true; }
    juce::AudioIODevice* createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName) override;

private:
    JackMidiCycle& midi;
    juce::StringArray inputNames, outputNames;
};

} // namespace Work
