// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "JackAudioDevice.h"

#include "JackLibrary.h"

#include <algorithm>
#include <thread>

namespace Work
{

namespace
{
    /** The ports of a server, as the library lists them; freed with the library's own free. */
    struct PortList
    {
        PortList (jack_client_t* client, const char* type, unsigned long flags)
            : names (client != nullptr ? JackLibrary::get().getPorts (client, nullptr, type, flags) : nullptr)
        {
        }
        ~PortList()
        {
            if (names != nullptr)
                JackLibrary::get().free (names);
        }
        PortList (const PortList&) = delete;
        PortList& operator= (const PortList&) = delete;

        template <typename Fn>
        void forEach (Fn&& fn) const
        {
            for (auto** name = names; name != nullptr && *name != nullptr; ++name)
                fn (juce::String (*name));
        }

        const char** names;
    };

    juce::String clientOf (const juce::String& port)
    {
        return port.upToFirstOccurrenceOf (":", false, false);
    }
    juce::String channelOf (const juce::String& port)
    {
        return port.fromFirstOccurrenceOf (":", false, false);
    }

    /** The full names of a client's audio ports that carry sound out of it (capture) or into it
        (playback), in the server's order. */
    std::vector<juce::String> portsOf (jack_client_t* client, const juce::String& clientName, bool soundComesOut)
    {
        std::vector<juce::String> ports;
        PortList (client, JACK_DEFAULT_AUDIO_TYPE, soundComesOut ? JackPortIsOutput : JackPortIsInput)
            .forEach ([&] (const juce::String& port) {
                if (clientOf (port) == clientName)
                    ports.push_back (port);
            });
        return ports;
    }

    jack_client_t* openClient (const char* name)
    {
        const auto& jack = JackLibrary::get();
        if (! jack.isLoaded())
            return nullptr;

        jack_status_t status {};
        return jack.clientOpen (name, JackNoStartServer, &status);
    }
} // namespace

//==============================================================================
JackAudioDevice::JackAudioDevice (const juce::String& inputClient, const juce::String& outputClient,
                                  JackMidiCycle& midiToUse)
    : juce::AudioIODevice (outputClient.isNotEmpty() ? outputClient : inputClient, JackAudioDeviceType::typeName)
    , inputClientName (inputClient)
    , outputClientName (outputClient)
    , midi (midiToUse)
{
    client = openClient (JackAudioDeviceType::clientName);
    if (client == nullptr)
        return;

    const auto& jack = JackLibrary::get();

    for (const auto& port : portsOf (client, inputClientName, true))
    {
        inputSources.push_back (port);
        inputChannelNames.add (channelOf (port));
        const auto name = "in_" + juce::String (inputSources.size());
        inputPorts.push_back (jack.portRegister (client, name.toRawUTF8(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    }

    for (const auto& port : portsOf (client, outputClientName, false))
    {
        outputDestinations.push_back (port);
        outputChannelNames.add (channelOf (port));
        const auto name = "out_" + juce::String (outputDestinations.size());
        outputPorts.push_back (jack.portRegister (client, name.toRawUTF8(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
    }

    midiInputPort = jack.portRegister (client, JackAudioDeviceType::midiInputName, JACK_DEFAULT_MIDI_TYPE,
                                       JackPortIsInput | JackPortIsTerminal, 0);
    midiOutputPort = jack.portRegister (client, JackAudioDeviceType::midiOutputName, JACK_DEFAULT_MIDI_TYPE,
                                        JackPortIsOutput | JackPortIsTerminal, 0);

    inputBuffers.resize (inputPorts.size(), nullptr);
    outputBuffers.resize (outputPorts.size(), nullptr);
    openedInputs.reserve (inputPorts.size());
    openedOutputs.reserve (outputPorts.size());

    // Called on a JACK thread when the server goes: the callback hears of it, the keeper reopens.
    jack.onShutdown (
        client, [] (void* self) { static_cast<JackAudioDevice*> (self)->serverShutDown(); }, this);
    jack.setProcessCallback (
        client,
        [] (jack_nframes_t n, void* self) {
            static_cast<JackAudioDevice*> (self)->process (n);
            return 0;
        },
        this);
    jack.setXrunCallback (
        client,
        [] (void* self) {
            static_cast<JackAudioDevice*> (self)->xruns.fetch_add (1, std::memory_order_relaxed);
            return 0;
        },
        this);
}

JackAudioDevice::~JackAudioDevice()
{
    close();

    if (client != nullptr)
        JackLibrary::get().clientClose (client);
}

juce::Array<double> JackAudioDevice::getAvailableSampleRates()
{
    return client != nullptr && ! serverGone ? juce::Array<double> { getCurrentSampleRate() } : juce::Array<double>();
}

juce::Array<int> JackAudioDevice::getAvailableBufferSizes()
{
    return client != nullptr && ! serverGone ? juce::Array<int> { getCurrentBufferSizeSamples() } : juce::Array<int>();
}

int JackAudioDevice::getCurrentBufferSizeSamples()
{
    return isConnected() ? int (JackLibrary::get().getBufferSize (client)) : 0;
}

double JackAudioDevice::getCurrentSampleRate()
{
    return isConnected() ? double (JackLibrary::get().getSampleRate (client)) : 0.0;
}

juce::String JackAudioDevice::open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels, double,
                                    int)
{
    close();
    lastError.clear();

    if (! isConnected())
    {
        lastError = "No JACK server is running.";
        return lastError;
    }

    const auto& jack = JackLibrary::get();
    openedInputs.clear();
    openedOutputs.clear();
    activeInputs.clear();
    activeOutputs.clear();

    for (int i = 0; i < int (inputPorts.size()); ++i)
        if (inputChannels[i] && inputPorts[std::size_t (i)] != nullptr)
        {
            openedInputs.push_back (i);
            activeInputs.setBit (i);
        }

    for (int i = 0; i < int (outputPorts.size()); ++i)
        if (outputChannels[i] && outputPorts[std::size_t (i)] != nullptr)
        {
            openedOutputs.push_back (i);
            activeOutputs.setBit (i);
        }

    if (jack.activate (client) != 0)
    {
        lastError = "The JACK client could not be activated.";
        return lastError;
    }

    active = true;
    opened = true;

    // The chosen client's channels to ours; a refused connection leaves that channel silent.
    for (const auto i : openedInputs)
        jack.connect (client, inputSources[std::size_t (i)].toRawUTF8(),
                      jack.portName (static_cast<jack_port_t*> (inputPorts[std::size_t (i)])));
    for (const auto i : openedOutputs)
        jack.connect (client, jack.portName (static_cast<jack_port_t*> (outputPorts[std::size_t (i)])),
                      outputDestinations[std::size_t (i)].toRawUTF8());

    return lastError;
}

void JackAudioDevice::close()
{
    stop();

    if (active && client != nullptr && ! serverGone)
        JackLibrary::get().deactivate (client);

    active = false;
    opened = false;
}

void JackAudioDevice::start (juce::AudioIODeviceCallback* callback)
{
    if (! opened || callback == currentCallback.load())
        return;

    if (callback != nullptr)
        callback->audioDeviceAboutToStart (this);

    auto* old = currentCallback.exchange (callback);

    // Once no cycle is inside the old callback, it may go.
    while (inCycle.load() != 0)
        std::this_thread::yield();

    if (old != nullptr)
        old->audioDeviceStopped();
}

void JackAudioDevice::stop()
{
    auto* old = currentCallback.exchange (nullptr);

    while (inCycle.load() != 0)
        std::this_thread::yield();

    if (old != nullptr)
        old->audioDeviceStopped();
}

int JackAudioDevice::largestLatency (const std::vector<void*>& ports, bool capture) const
{
    if (! isConnected())
        return 0;

    jack_nframes_t latency = 0;
    for (auto* port : ports)
    {
        jack_latency_range_t range {};
        JackLibrary::get().portGetLatencyRange (static_cast<jack_port_t*> (port),
                                                capture ? JackCaptureLatency : JackPlaybackLatency, &range);
        latency = std::max (latency, range.max);
    }
    return int (latency);
}

int JackAudioDevice::getInputLatencyInSamples()
{
    return largestLatency (inputPorts, true);
}

int JackAudioDevice::getOutputLatencyInSamples()
{
    return largestLatency (outputPorts, false);
}

int JackAudioDevice::frameLatency() const noexcept
{
    // Reading a port's latency range only reads the port: safe in the cycle, and current after
    // any change of connections.
    const auto& jack = JackLibrary::get();
    jack_nframes_t audio = 0;
    for (const auto i : openedInputs)
    {
        jack_latency_range_t range {};
        jack.portGetLatencyRange (static_cast<jack_port_t*> (inputPorts[std::size_t (i)]), JackCaptureLatency, &range);
        audio = std::max (audio, range.max);
    }

    jack_latency_range_t midiRange {};
    if (midiInputPort != nullptr)
        jack.portGetLatencyRange (static_cast<jack_port_t*> (midiInputPort), JackCaptureLatency, &midiRange);

    return int (audio) - int (midiRange.max);
}

void JackAudioDevice::serverShutDown() noexcept
{
    serverGone = true;

    // The callback hears of it as of any device error; it must not be called after its stop.
    inCycle.fetch_add (1);
    if (auto* callback = currentCallback.load())
        callback->audioDeviceError ("The JACK server stopped.");
    inCycle.fetch_sub (1);
}

void JackAudioDevice::process (std::uint32_t numFrames) noexcept
{
    const auto& jack = JackLibrary::get();

    // Marked inside before the callback is read, so stop() either sees this cycle or is seen.
    inCycle.fetch_add (1);
    jack_nframes_t cycleFrame = 0;
    jack_time_t cycleMicros = 0, nextMicros = 0;
    float periodMicros = 0.0f;
    if (jack.getCycleTimes (client, &cycleFrame, &cycleMicros, &nextMicros, &periodMicros) != 0)
        cycleFrame = jack.lastFrameTime (client);
    midi.begin (cycleFrame, numFrames, frameLatency());
    // The cycle's frames span the server's estimate of its start and of the next one's.
    const auto span = nextMicros > cycleMicros ? double (nextMicros - cycleMicros) : double (periodMicros);
    midi.setCycleTimes (std::int64_t (cycleMicros), numFrames > 0 ? span / numFrames : 0.0);

    if (midiInputPort != nullptr)
        readMidi (jack.portGetBuffer (static_cast<jack_port_t*> (midiInputPort), numFrames));

    int numInputs = 0, numOutputs = 0;
    for (const auto i : openedInputs)
        inputBuffers[std::size_t (numInputs++)] =
            static_cast<float*> (jack.portGetBuffer (static_cast<jack_port_t*> (inputPorts[std::size_t (i)]), numFrames));
    for (const auto i : openedOutputs)
        outputBuffers[std::size_t (numOutputs++)] =
            static_cast<float*> (jack.portGetBuffer (static_cast<jack_port_t*> (outputPorts[std::size_t (i)]), numFrames));

    if (auto* callback = currentCallback.load())
    {
        const juce::AudioIODeviceCallbackContext context {};
        callback->audioDeviceIOCallbackWithContext (inputBuffers.data(), numInputs, outputBuffers.data(), numOutputs,
                                                    int (numFrames), context);
    }
    else
    {
        for (int c = 0; c < numOutputs; ++c)
            if (outputBuffers[std::size_t (c)] != nullptr)
                std::fill (outputBuffers[std::size_t (c)], outputBuffers[std::size_t (c)] + numFrames, 0.0f);
    }

    if (midiOutputPort != nullptr)
        writeMidi (jack.portGetBuffer (static_cast<jack_port_t*> (midiOutputPort), numFrames));

    midi.end();
    inCycle.fetch_sub (1);
}

void JackAudioDevice::readMidi (void* buffer) noexcept
{
    if (buffer == nullptr)
        return;

    const auto& jack = JackLibrary::get();
    const auto count = jack.midiGetEventCount (buffer);

    for (std::uint32_t i = 0; i < count; ++i)
    {
        jack_midi_event_t event {};
        if (jack.midiEventGet (&event, buffer, i) != 0 || event.buffer == nullptr)
            continue;

        midiParser.parse (event.buffer, event.size, [this, frame = event.time] (const std::uint8_t* bytes, int size) {
            midi.addIncoming (frame, bytes, size);
        });
    }
}

void JackAudioDevice::writeMidi (void* buffer) noexcept
{
    if (buffer == nullptr)
        return;

    const auto& jack = JackLibrary::get();
    jack.midiClearBuffer (buffer);

    for (const auto* event = midi.outgoingBegin(); event != midi.outgoingEnd(); ++event)
        jack.midiEventWrite (buffer, event->frame, event->bytes, event->size);
}

//==============================================================================
JackAudioDeviceType::JackAudioDeviceType (JackMidiCycle& midiToUse)
    : juce::AudioIODeviceType (typeName)
    , midi (midiToUse)
{
}

void JackAudioDeviceType::scanForDevices()
{
    inputNames.clear();
    outputNames.clear();

    auto* client = openClient ("Varnolo-scan");
    if (client == nullptr)
        return;

    // Every client with audio ports, but the program's own.
    for (const bool soundComesOut : { true, false })
    {
        auto& names = soundComesOut ? inputNames : outputNames;
        PortList (client, JACK_DEFAULT_AUDIO_TYPE, soundComesOut ? JackPortIsOutput : JackPortIsInput)
            .forEach ([&] (const juce::String& port) {
                const auto owner = clientOf (port);
                if (owner != clientName && ! owner.startsWith (juce::String (clientName) + "-"))
                    names.addIfNotAlreadyThere (owner);
            });
    }

    JackLibrary::get().clientClose (client);
}

juce::StringArray JackAudioDeviceType::getDeviceNames (bool wantInputNames) const
{
    return wantInputNames ? inputNames : outputNames;
}

int JackAudioDeviceType::getDefaultDeviceIndex (bool forInput) const
{
    // The server's hardware, where there is one.
    return std::max (0, (forInput ? inputNames : outputNames).indexOf ("system"));
}

int JackAudioDeviceType::getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const
{
    if (auto* jackDevice = dynamic_cast<JackAudioDevice*> (device))
        return asInput ? inputNames.indexOf (jackDevice->inputClientName)
                       : outputNames.indexOf (jackDevice->outputClientName);
    return -1;
}

juce::AudioIODevice* JackAudioDeviceType::createDevice (const juce::String& outputDeviceName,
                                                        const juce::String& inputDeviceName)
{
    if (! inputNames.contains (inputDeviceName) && ! outputNames.contains (outputDeviceName))
        return nullptr;

    auto device = std::make_unique<JackAudioDevice> (inputDeviceName, outputDeviceName, midi);
    return device->isConnected() ? device.release() : nullptr;
}

} // namespace Work
