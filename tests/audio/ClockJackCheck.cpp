// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The MIDI clock on a real JACK server: the engine runs on its JACK device, and a receiver of our
// own (a JACK client in this process) records every byte of Varnolo:midi_out with its absolute
// frame, and Varnolo:out_1 frame by frame, while a second client feeds Varnolo:in_1 a constant.
// A 100 ms main loop is recorded at a tapped 50 ms beat and two beats to the bar (48 ticks a
// loop); the clock is then checked through 100 cycles (each loop start heard on the frame of its
// tick: the loop's first sample is the silent start of its fade-in, between two sounding ones), a
// stop and a start, a resync and a change of direction. Prints what it measured; exits 0 when
// every check held, 1 when one failed, 2 without a JACK device or ports.
// Used by clock_jack_test.sh, which starts a private JACK server.
#include "audio/EngineRuntime.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
using namespace Work;

struct Received
{
    std::uint32_t frame;
    std::uint8_t status;
};

/** A JACK MIDI input that keeps every status byte with its frame on the server's clock, and an
    audio input that keeps every sample from its first cycle on. */
class ClockRecorder
{
public:
    static constexpr std::size_t capacity = 1 << 16;
    static constexpr std::size_t audioCapacity = 48000 * 40;

    ClockRecorder()
        : events (capacity)
        , audio (audioCapacity)
    {
    }

    ~ClockRecorder()
    {
        if (client != nullptr)
            jack_client_close (client);
    }

    bool open (const char* source, const char* audioSource)
    {
        client = jack_client_open ("clock-recorder", JackNoStartServer, nullptr);
        if (client == nullptr)
            return false;
        port = jack_port_register (client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        audioPort = jack_port_register (client, "audio_in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_xrun_callback (
            client, [] (void* self) { return ++static_cast<ClockRecorder*> (self)->xruns, 0; }, this);
        jack_set_process_callback (
            client, [] (jack_nframes_t n, void* self) { return static_cast<ClockRecorder*> (self)->process (n); }, this);
        return port != nullptr && audioPort != nullptr && jack_activate (client) == 0
               && jack_connect (client, source, jack_port_name (port)) == 0
               && jack_connect (client, audioSource, jack_port_name (audioPort)) == 0;
    }

    /** The sample heard at an absolute frame, or NaN when it was not recorded (a missed cycle,
        or too long ago). */
    [[nodiscard]] float sampleAt (std::uint32_t frame) const
    {
        [[maybe_unused]] const auto seen = cyclesWritten.load (std::memory_order_acquire);
        const auto index = frame % audioCapacity;
        return audioFrames[index] == frame ? audio[index] : std::nanf ("");
    }

    /** Everything received so far. [message] */
    std::vector<Received> received() const
    {
        const auto n = count.load (std::memory_order_acquire);
        return { events.begin(), events.begin() + std::ptrdiff_t (n) };
    }

    [[nodiscard]] std::uint32_t sampleRate() const { return jack_get_sample_rate (client); }

    /** Cycles the server reports some client missed. */
    std::atomic<int> xruns { 0 };

private:
    int process (jack_nframes_t n)
    {
        auto* buffer = jack_port_get_buffer (port, n);
        const auto cycleStart = jack_last_frame_time (client);
        auto written = count.load (std::memory_order_relaxed);

        for (std::uint32_t i = 0, n_ = jack_midi_get_event_count (buffer); i < n_; ++i)
        {
            jack_midi_event_t event {};
            if (jack_midi_event_get (&event, buffer, i) == 0 && event.size > 0 && written < capacity)
                events[written++] = { cycleStart + event.time, event.buffer[0] };
        }

        count.store (written, std::memory_order_release);

        // Kept by frame, so a missed cycle leaves a gap rather than shifting what follows.
        const auto* samples = static_cast<const float*> (jack_port_get_buffer (audioPort, n));
        for (jack_nframes_t i = 0; i < n; ++i)
        {
            const auto index = (cycleStart + i) % audioCapacity;
            audio[index] = samples[i];
            audioFrames[index] = cycleStart + i;
        }
        cyclesWritten.fetch_add (1, std::memory_order_release); // hands the samples to the reader
        return 0;
    }

    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    jack_port_t* audioPort = nullptr;
    std::vector<Received> events;
    std::atomic<std::size_t> count { 0 };
    std::atomic<std::uint64_t> cyclesWritten { 0 };
    std::vector<float> audio;
    std::vector<std::uint32_t> audioFrames = std::vector<std::uint32_t> (audioCapacity, 0xffffffffu);
};

/** A JACK client whose one output is a constant, for the loop to record. */
class ConstantSource
{
public:
    ~ConstantSource()
    {
        if (client != nullptr)
            jack_client_close (client);
    }

    bool open (const char* destination)
    {
        client = jack_client_open ("constant-source", JackNoStartServer, nullptr);
        if (client == nullptr)
            return false;
        port = jack_port_register (client, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback (
            client,
            [] (jack_nframes_t n, void* self) {
                auto* out = static_cast<float*> (jack_port_get_buffer (static_cast<ConstantSource*> (self)->port, n));
                std::fill (out, out + n, 0.5f);
                return 0;
            },
            this);
        return port != nullptr && jack_activate (client) == 0
               && jack_connect (client, jack_port_name (port), destination) == 0;
    }

private:
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
};

int failures = 0;

void check (bool condition, const char* what)
{
    if (! condition)
    {
        std::printf ("FAIL: %s\n", what);
        ++failures;
    }
}

/** The frame after the latest event received, or 0. */
std::uint32_t after (const std::vector<Received>& events)
{
    return events.empty() ? 0 : events.back().frame + 1;
}

std::vector<std::uint32_t> framesOf (const std::vector<Received>& events, std::uint8_t status, std::uint32_t from,
                                     std::uint32_t to = 0xffffffffu)
{
    std::vector<std::uint32_t> frames;
    for (const auto& e : events)
        if (e.status == status && e.frame >= from && e.frame < to)
            frames.push_back (e.frame);
    return frames;
}

/** How far (in samples) each tick after start lies from where a loop of length samples, started
    at start, puts it: tick k at start + ceil (k length / ticksPerLoop). The worst of them. */
std::int64_t worstTickError (const std::vector<std::uint32_t>& ticks, std::uint32_t start, std::uint32_t length,
                             std::uint32_t ticksPerLoop)
{
    std::int64_t worst = 0;
    for (std::size_t k = 0; k < ticks.size(); ++k)
    {
        const auto ideal = std::int64_t (start) + (std::int64_t (k) * length + ticksPerLoop - 1) / ticksPerLoop;
        worst = std::max (worst, std::abs (std::int64_t (ticks[k]) - ideal));
    }
    return worst;
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    const auto folder = juce::File::createTempFile ("clock-check");
    folder.createDirectory();

    int result = 0;
    {
        MainSettings settings (folder.getFullPathName());
        MidiInputCallbackManager midiInput;
        EngineRuntime engine (settings, &midiInput, 768);
        LooperView view;
        auto* looper = engine.getLooper();

        const auto runFor = [&] (int ms) {
            const auto until = juce::Time::currentTimeMillis() + ms;
            while (juce::Time::currentTimeMillis() < until)
            {
                juce::MessageManager::getInstance()->runDispatchLoopUntil (15);
                engine.refresh (view);
                view.clearNews();
            }
        };
        const auto post = [&] (int code, int first = 0, int second = 0) {
            looper->postFromMessageThread ({ code, first, second, 0, juce::Time::currentTimeMillis() });
        };

        ClockRecorder recorder;
        ConstantSource constant;
        if (! engine.buildEngine() || (looper = engine.getLooper()) == nullptr)
            return 2;

        // The tempo before audio runs, while the tap may still be given from here: a 50 ms beat.
        engine.setBeatsPerBar (2);
        for (const std::int64_t t : { 0, 50, 100, 150 })
            engine.getTapTempo()->tap (t);

        const auto error = engine.openAudio();
        auto* device = engine.getDevice()->getDeviceManager().getCurrentAudioDevice();
        runFor (1500); // the MIDI ports come up with the server

        if (error.isNotEmpty() || device == nullptr || device->getTypeName() != "JACK"
            || ! recorder.open ("Varnolo:midi_out", "Varnolo:out_1") || ! constant.open ("Varnolo:in_1"))
        {
            std::printf ("no JACK device or MIDI port: %s\n", error.toRawUTF8());
            result = 2;
        }
        else
        {
            // A 100 ms main loop: two beats, one bar, 48 ticks.
            post (CommandCode::punch, 0, 1);
            runFor (100);
            post (CommandCode::punch, 0, 1);
            runFor (300);

            const auto length = looper->getCurrentPart().mainLoopLength();
            const auto& shape = engine.getClock()->getShape();
            const auto ticksPerLoop = std::uint32_t (shape.ticksPerLoop);
            std::printf ("main loop %u samples, %d beats, %d bars, %u ticks a loop\n", length, shape.beats, shape.bars,
                         ticksPerLoop);
            check (ticksPerLoop == 48, "48 ticks a loop");

            // 100 cycles.
            runFor (int (100 * length * 1000 / recorder.sampleRate()) + 200);
            auto events = recorder.received();
            const auto starts = framesOf (events, 0xfa, 0);
            check (starts.size() == 1, "one start when the loop starts");

            if (starts.size() == 1 && ticksPerLoop > 0)
            {
                const auto start = starts[0];
                auto ticks = framesOf (events, 0xf8, start);
                check (! ticks.empty() && ticks.front() == start, "the first tick with the start");
                ticks.resize (std::min<std::size_t> (ticks.size(), 100 * ticksPerLoop));

                int wrongCycles = 0;
                for (std::uint32_t c = 0; c < 100; ++c)
                {
                    const auto from = start + c * length, to = from + length;
                    wrongCycles += framesOf (events, 0xf8, from, to).size() != ticksPerLoop ? 1 : 0;
                }
                const auto worst = worstTickError (ticks, start, length, ticksPerLoop);
                std::printf ("100 cycles: %zu ticks, %d cycles without exactly %u, worst tick %lld samples from its "
                             "frame\n",
                             ticks.size(), wrongCycles, ticksPerLoop, (long long)worst);
                check (ticks.size() == 100 * ticksPerLoop && wrongCycles == 0, "exactly ticksPerLoop ticks a cycle");
                check (worst <= 1, "every tick within a sample of its frame");

                // Each loop start is heard on its tick's frame: the loop's first sample is silent
                // (its fade-in starts from nothing), the next sounds, and so does the one before
                // (the previous cycle's fade-out) once the loop has come round.
                int heardOnTick = 0;
                for (std::size_t c = 0; c < 100 && c * ticksPerLoop < ticks.size(); ++c)
                {
                    const auto frame = ticks[c * ticksPerLoop];
                    heardOnTick += recorder.sampleAt (frame) == 0.0f && recorder.sampleAt (frame + 1) > 0.0f
                                           && (c == 0 || recorder.sampleAt (frame - 1) > 0.0f)
                                       ? 1
                                       : 0;
                }
                std::printf ("loop starts heard on the frame of their tick: %d of 100\n", heardOnTick);
                check (heardOnTick == 100, "every loop start heard in the cycle and on the frame of its tick");
            }

            // Stop: a stop, then nothing.
            auto mark = after (events);
            post (CommandCode::startStop);
            runFor (300);
            events = recorder.received();
            const auto stops = framesOf (events, 0xfc, mark);
            check (stops.size() == 1, "a stop on stop");
            check (! stops.empty() && framesOf (events, 0xf8, stops[0] + 1).empty(), "no ticks while stopped");

            // Start again: a start, and the ticks from the loop's start.
            mark = after (events);
            post (CommandCode::startStop);
            runFor (500);
            events = recorder.received();
            auto again = framesOf (events, 0xfa, mark);
            check (again.size() == 1, "a start on start");
            if (! again.empty())
            {
                const auto ticks = framesOf (events, 0xf8, again[0]);
                std::printf ("after a start: worst tick %lld samples\n",
                             (long long)worstTickError (ticks, again[0], length, ticksPerLoop));
                check (worstTickError (ticks, again[0], length, ticksPerLoop) <= 1, "ticks follow the loop after a start");
            }

            // Resync in mid-loop: stop and start together where the loop starts again.
            runFor (30);
            mark = after (recorder.received());
            post (CommandCode::resync);
            runFor (500);
            events = recorder.received();
            const auto resyncStops = framesOf (events, 0xfc, mark);
            again = framesOf (events, 0xfa, mark);
            check (again.size() == 1 && resyncStops.size() == 1 && resyncStops[0] == again[0],
                   "a resync restarts the clock");
            if (! again.empty())
            {
                const auto ticks = framesOf (events, 0xf8, again[0]);
                const auto worst = worstTickError (ticks, again[0], length, ticksPerLoop);
                std::printf ("after a resync: %zu ticks, worst %lld samples\n", ticks.size(), (long long)worst);
                check (worst <= 1, "ticks re-aligned after a resync");
            }

            // Backwards: two cycles of ticks spaced as the loop's ticks are, none lost or doubled.
            mark = after (recorder.received());
            post (CommandCode::direction, 2);
            runFor (60);
            mark = after (recorder.received());
            runFor (int (2 * length * 1000 / recorder.sampleRate()) + 100);
            events = recorder.received();
            auto ticks = framesOf (events, 0xf8, mark);
            ticks.resize (std::min<std::size_t> (ticks.size(), 2 * ticksPerLoop));
            double worst = 0.0;
            for (std::size_t j = 1; j < ticks.size(); ++j)
                worst = std::max (worst, std::abs (double (ticks[j] - ticks[0]) - double (j) * length / ticksPerLoop));
            std::printf ("backwards: %zu ticks, worst %.2f samples from the loop's spacing\n", ticks.size(), worst);
            check (ticks.size() == 2 * ticksPerLoop && worst < 1.0, "ticks keep the loop's spacing backwards");
            check (framesOf (events, 0xfa, mark).empty() && framesOf (events, 0xfc, mark).empty(),
                   "a change of direction neither stops nor starts the clock");

            std::printf ("the server reported %d missed cycles (xruns) during the check\n", recorder.xruns.load());
            result = failures == 0 ? 0 : 1;
        }

        engine.closeAudio();
        engine.teardownEngine();
    }

    folder.deleteRecursively();
    return result;
}
