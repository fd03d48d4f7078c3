#include "JackMidiPorts.h"

#include <jack/jack.h>
#include <jack/midiport.h>

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
                 && find (midiClearBuffer, "jack_midi_clear_buffer");

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
        jack->midiClearBuffer (out);
}

} // namespace Work
