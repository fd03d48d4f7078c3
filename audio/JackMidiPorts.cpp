// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "JackMidiPorts.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cmath>

namespace Work
{

/** libjack, loaded at run time as JUCE loads it for audio, and the client made with it. */
struct JackMidiPorts::Jack
{
    Jack()
    {
        if (! library.open ("libjack.so.0") && ! library.open ("libjack.so"))
            return;

        auto find = [this] (auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype (function)>> (library.getFunction (name));
            return function != nullptr;
        };

        loaded = find (clientOpen, "jack_client_open") && find (clientClose, "jack_client_close")
                 && find (activate, "jack_activate") && find (portRegister, "jack_port_register")
                 && find (portGetBuffer, "jack_port_get_buffer") && find (setProcessCallback, "jack_set_process_callback")
                 && find (onShutdown, "jack_on_shutdown") && find (getSampleRate, "jack_get_sample_rate")
                 && find (framesSinceCycleStart, "jack_frames_since_cycle_start")
                 && find (midiGetEventCount, "jack_midi_get_event_count") && find (midiEventGet, "jack_midi_event_get")
                 && find (midiClearBuffer, "jack_midi_clear_buffer") && find (midiEventWrite, "jack_midi_event_write")
                 && find (lastFrameTime, "jack_last_frame_time");

        // libjack reports a missing server on stderr; the program tells the performer itself.
        if (void (*setErrorFunction) (void (*) (const char*)) = nullptr; find (setErrorFunction, "jack_set_error_function"))
            setErrorFunction ([] (const char*) {});
        if (void (*setInfoFunction) (void (*) (const char*)) = nullptr; find (setInfoFunction, "jack_set_info_function"))
            setInfoFunction ([] (const char*) {});
    }

    juce::DynamicLibrary library;
    bool loaded = false;

    decltype (&::jack_client_open) clientOpen = nullptr;
    decltype (&::jack_client_close) clientClose = nullptr;
    decltype (&::jack_activate) activate = nullptr;
    decltype (&::jack_port_register) portRegister = nullptr;
    decltype (&::jack_port_get_buffer) portGetBuffer = nullptr;
    decltype (&::jack_set_process_callback) setProcessCallback = nullptr;
    decltype (&::jack_on_shutdown) onShutdown = nullptr;
    decltype (&::jack_get_sample_rate) getSampleRate = nullptr;
    decltype (&::jack_frames_since_cycle_start) framesSinceCycleStart = nullptr;
    decltype (&::jack_midi_get_event_count) midiGetEventCount = nullptr;
    decltype (&::jack_midi_event_get) midiEventGet = nullptr;
    decltype (&::jack_midi_clear_buffer) midiClearBuffer = nullptr;
    decltype (&::jack_midi_event_write) midiEventWrite = nullptr;
    decltype (&::jack_last_frame_time) lastFrameTime = nullptr;

    jack_client_t* client = nullptr;
    jack_port_t* input = nullptr;
    jack_port_t* output = nullptr;
    double sampleRate = 48000.0;
};

JackMidiPorts::JackMidiPorts (MidiInputCallbackManager& fanOut)
    : jack (std::make_unique<Jack>())
    , source (fanOut)
{
    if (! jack->loaded)
        return;

    timerCallback();
    startTimer (1000);
}

JackMidiPorts::~JackMidiPorts()
{
    stopTimer();
    closeClient();
}

std::int64_t JackMidiPorts::timeOfFrame (double cycleStartMs, std::uint32_t frame, double sampleRate) noexcept
{
    return std::int64_t (std::floor (cycleStartMs + double (frame) * 1000.0 / std::max (1.0, sampleRate)));
}

void JackMidiPorts::timerCallback()
{
    if (serverGone.exchange (false))
        closeClient();

    if (jack->client == nullptr)
        openClient();
}

bool JackMidiPorts::openClient()
{
    jack_status_t status {};
    auto* client = jack->clientOpen (clientName, JackNoStartServer, &status);

    if (client == nullptr)
        return false;

    jack->client = client;
    jack->input = jack->portRegister (client, inputName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput | JackPortIsTerminal, 0);
    jack->output = jack->portRegister (client, outputName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    jack->sampleRate = double (jack->getSampleRate (client));

    jack->setProcessCallback (
        client,
        [] (jack_nframes_t n, void* self) {
            static_cast<JackMidiPorts*> (self)->process (n);
            return 0;
        },
        this);

    // Called on a JACK thread when the server goes away: the retry timer closes and reopens.
    jack->onShutdown (
        client, [] (void* self) { static_cast<JackMidiPorts*> (self)->serverGone = true; }, this);

    if (jack->input == nullptr || jack->output == nullptr || jack->activate (client) != 0)
    {
        closeClient();
        return false;
    }

    open = true;
    return true;
}

void JackMidiPorts::closeClient()
{
    open = false;

    if (jack->client != nullptr)
        jack->clientClose (jack->client);

    jack->client = nullptr;
    jack->input = jack->output = nullptr;
}

void JackMidiPorts::process (std::uint32_t numFrames) noexcept
{
    auto* client = jack->client;

    // The cycle began as many frames ago as the server has counted into it.
    const auto now = double (juce::Time::currentTimeMillis());
    const auto cycleStartMs = now - double (jack->framesSinceCycleStart (client)) * 1000.0 / jack->sampleRate;

    if (auto* in = jack->portGetBuffer (jack->input, numFrames))
    {
        const auto count = jack->midiGetEventCount (in);

        for (std::uint32_t i = 0; i < count; ++i)
        {
            jack_midi_event_t event {};
            if (jack->midiEventGet (&event, in, i) == 0 && event.buffer != nullptr)
                source.push (event.buffer, event.size, timeOfFrame (cycleStartMs, event.time, jack->sampleRate));
        }

        source.wake();
    }

    if (auto* out = jack->portGetBuffer (jack->output, numFrames))
    {
        jack->midiClearBuffer (out);
        writeClock (out, numFrames);
    }
}

std::uint32_t JackMidiPorts::cycleFrame() noexcept
{
    // The server's frame time at the start of the cycle being processed: the same for every
    // client of the cycle, the engine's included.
    auto* client = jack->client;
    return open.load (std::memory_order_acquire) && client != nullptr ? jack->lastFrameTime (client) : 0;
}

void JackMidiPorts::put (std::uint32_t frame, const std::uint8_t* bytes, int size) noexcept
{
    if (! open.load (std::memory_order_relaxed) || size <= 0 || size > 4)
        return;

    OutgoingMessage message;
    message.frame = frame;
    message.size = size;
    std::copy (bytes, bytes + size, message.bytes);
    outgoing.push (message); // a full queue drops it
}

void JackMidiPorts::writeClock (void* buffer, std::uint32_t numFrames) noexcept
{
    while (const auto* message = outgoing.pop())
        if (numWaiting < maxWaiting)
            waiting[std::size_t (numWaiting++)] = *message;

    if (numWaiting == 0)
        return;

    // One period after the frame each message belongs to; late ones (the engine missed a
    // cycle) go at the cycle's start. Kept in time order, as JACK requires.
    const auto cycleStart = jack->lastFrameTime (jack->client);
    const auto delayOf = [cycleStart, numFrames] (const OutgoingMessage& m) {
        return std::int64_t (std::int32_t (m.frame + numFrames - cycleStart));
    };
    // An insertion sort: stable, in place (a library sort may allocate), and the messages come
    // nearly in order anyway.
    for (int i = 1; i < numWaiting; ++i)
    {
        const auto message = waiting[std::size_t (i)];
        int j = i;
        for (; j > 0 && delayOf (waiting[std::size_t (j - 1)]) > delayOf (message); --j)
            waiting[std::size_t (j)] = waiting[std::size_t (j - 1)];
        waiting[std::size_t (j)] = message;
    }

    int kept = 0;
    for (int i = 0; i < numWaiting; ++i)
    {
        const auto& message = waiting[std::size_t (i)];
        const auto offset = delayOf (message);

        if (offset >= std::int64_t (numFrames))
            waiting[std::size_t (kept++)] = message;
        else
            jack->midiEventWrite (buffer, std::uint32_t (std::max<std::int64_t> (0, offset)), message.bytes,
                                  std::size_t (message.size));
    }

    numWaiting = kept;
}

} // namespace Work
