// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Presses at their frames on a real JACK server. A client of this check, "press-sender", feeds
// both engine inputs with a signal whose every sample names its frame on the server's clock
// (frame mod 2^24, over 2^24: exact in a float) and sends a punch controller at chosen frames
// into Varnolo:midi_in. The engine runs on its own JACK device with that client as its input
// device and a punch command mapped to the controller, as MIDI learn would map it. For each pair
// of presses (the first and last frame of a period among them) a main loop is recorded, and its
// content tells on which frame it started: that must be the first press's frame plus the
// compensation (the MIDI event's lag behind the audio, 0 here, less the latency offset, set to
// 0), and the loop must be as long as the interval between the presses, rounded up to the main
// loop's grain. A pair of presses during which the server missed a cycle is played again.
// Prints what it measured; exits 0 when every check held, 1 when one failed, 2 without a JACK
// server, 3 when some pair could not be played without missed cycles (the run judges the machine).
// Used by press_frame_test.sh, which starts a private JACK server.
#include "audio/FrameCheckSupport.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{
using namespace Work;

using namespace Work::Testing;
constexpr std::uint8_t punchMessage[] = { 0xb0, 0x14, 0x7f };

/** The test's controller and audio source: a JACK client whose outputs name their frames and
    whose MIDI output sends the punch controller at two planned frames. */
class PressSender
{
public:
    ~PressSender()
    {
        if (client != nullptr)
            jack_client_close (client);
    }

    bool open()
    {
        client = jack_client_open ("press-sender", JackNoStartServer, nullptr);
        if (client == nullptr)
            return false;

        for (int i = 0; i < 2; ++i)
            audio[std::size_t (i)] =
                jack_port_register (client, i == 0 ? "out_1" : "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        midi = jack_port_register (client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_xrun_callback (
            client, [] (void* self) { return ++static_cast<PressSender*> (self)->xruns, 0; }, this);
        jack_set_process_callback (
            client, [] (jack_nframes_t n, void* self) { return static_cast<PressSender*> (self)->process (n); }, this);
        return midi != nullptr && audio[1] != nullptr && jack_activate (client) == 0;
    }

    bool connectMidi (const char* destination) { return jack_connect (client, jack_port_name (midi), destination) == 0; }

    /** [message] Plans two presses: the first at frame firstOffset of a period a few periods
        ahead, the second gapPeriods periods later at frame secondOffset of its period. */
    void plan (std::uint32_t firstOffset, std::uint32_t gapPeriods, std::uint32_t secondOffset)
    {
        request = { firstOffset, gapPeriods, secondOffset };
        state.store (State::requested, std::memory_order_release);
    }

    /** [message] The frames the planned presses went out on, once both went. */
    [[nodiscard]] bool sent (std::array<std::uint32_t, 2>& frames) const
    {
        if (state.load (std::memory_order_acquire) != State::sent)
            return false;
        frames = targets;
        return true;
    }

    [[nodiscard]] std::uint32_t period() const { return jack_get_buffer_size (client); }
    [[nodiscard]] std::uint32_t sampleRate() const { return jack_get_sample_rate (client); }

    std::atomic<int> xruns { 0 };

private:
    enum class State
    {
        idle,
        requested,
        planned,
        sent
    };

    struct Request
    {
        std::uint32_t firstOffset, gapPeriods, secondOffset;
    };

    int process (jack_nframes_t n)
    {
        const auto cycleStart = jack_last_frame_time (client);

        for (auto* port : audio)
        {
            auto* out = static_cast<float*> (jack_port_get_buffer (port, n));
            for (jack_nframes_t i = 0; i < n; ++i)
                out[i] = sampleNaming (cycleStart + i);
        }

        auto* buffer = jack_port_get_buffer (midi, n);
        jack_midi_clear_buffer (buffer);

        if (state.load (std::memory_order_acquire) == State::requested)
        {
            targets[0] = cycleStart + 4 * n + request.firstOffset;
            targets[1] = cycleStart + (4 + request.gapPeriods) * n + request.secondOffset;
            nextPress = 0;
            state.store (State::planned, std::memory_order_relaxed);
        }

        if (state.load (std::memory_order_relaxed) == State::planned)
        {
            while (nextPress < 2 && targets[nextPress] - cycleStart < n)
                jack_midi_event_write (buffer, targets[nextPress++] - cycleStart, punchMessage, sizeof (punchMessage));
            if (nextPress == 2)
                state.store (State::sent, std::memory_order_release);
        }
        return 0;
    }

    jack_client_t* client = nullptr;
    std::array<jack_port_t*, 2> audio {};
    jack_port_t* midi = nullptr;
    Request request {};
    std::array<std::uint32_t, 2> targets {};
    std::size_t nextPress = 0;
    std::atomic<State> state { State::idle };
};

} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    const auto folder = juce::File::createTempFile ("press-check");
    folder.createDirectory();

    int result = 0;
    {
        PressSender sender;
        if (! sender.open())
        {
            std::printf ("no JACK server\n");
            return 2;
        }

        MainSettings settings (folder.getFullPathName());
        useSenderAsInput (settings, "press-sender");

        MidiInputCallbackManager midiInput;
        EngineRuntime engine (settings, &midiInput, 768);
        LooperView view;

        const auto runFor = [&] (int ms) {
            const auto until = juce::Time::currentTimeMillis() + ms;
            while (juce::Time::currentTimeMillis() < until)
            {
                juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
                engine.refresh (view);
                view.clearNews();
            }
        };

        if (! engine.buildEngine())
            return 2;

        // The punch of input 1 onto the loop channel under the cursor, mapped to the controller.
        PunchCommand punch;
        punch.setSink (&engine.getCommandSink());
        auto* midi = engine.getMidiGuiManager();
        const bool added = engine.getDevice()->addPreAudioCallbackClient (&punch);
        midi->registerMomentary (&punch);
        const auto assigned =
            midi->assign (MidiCommandKind::momentary, &punch, packMidiKey (punchMessage, sizeof (punchMessage), 0xffffu));

        const auto error = engine.openAudio();
        auto* device = engine.getDevice()->getDeviceManager().getCurrentAudioDevice();
        runFor (300);

        if (! added || assigned.isNotEmpty() || error.isNotEmpty() || device == nullptr || device->getTypeName() != "JACK"
            || device->getName() != "system" || ! sender.connectMidi ("Varnolo:midi_in"))
        {
            std::printf ("no JACK device with the sender as input: %s %s\n", error.toRawUTF8(), assigned.toRawUTF8());
            result = 2;
        }
        else
        {
            const auto period = sender.period();
            const auto rate = sender.sampleRate();
            std::printf ("%u-frame periods at %u Hz; a MIDI event lags the audio of its frame by %d frames\n", period, rate,
                         engine.getDevice()->getJackMidi().getFrameLatency());

            // About 100 ms a loop; the first and last frame of a period among the presses.
            const auto gap = std::max (1u, rate / 10 / period);
            const std::uint32_t firsts[] = { 0, 6, 100 % period, period / 2, period - 1 };
            const std::uint32_t seconds[] = { period - 1, 0, period / 2, 6, 100 % period };
            std::vector<std::int64_t> startErrors, lengthErrors;
            bool judged = true;

            for (std::size_t t = 0; t < std::size (firsts) && judged; ++t)
            {
                // A pair during which the server missed a cycle (a press may then be lost) says
                // nothing of the engine: it is played again, up to 20 times.
                for (int attempt = 1;; ++attempt)
                {
                    const auto missedBefore = sender.xruns.load();
                    sender.plan (firsts[t], gap, seconds[t]);
                    std::array<std::uint32_t, 2> presses {};
                    for (int waited = 0; ! sender.sent (presses) && waited < 200; ++waited)
                        runFor (5);
                    runFor (30); // the tail and the fade of the loop's end
                    const auto missedDuring = sender.xruns.load() - missedBefore;

                    const auto [finished, named, length, start] = readMainLoop (engine);

                    resetLoops (engine, runFor);

                    if (missedDuring != 0)
                    {
                        judged = attempt < 20;
                        std::printf ("  (the server missed cycles during the pair at %u and %u: %s)\n", firsts[t],
                                     seconds[t], judged ? "again" : "given up");
                        if (judged)
                            continue;
                        break;
                    }

                    const auto interval = presses[1] - presses[0];
                    const auto startError = std::int64_t (std::int32_t ((start - presses[0]) << 8) >> 8);
                    const auto lengthError = std::int64_t (length) - std::int64_t (roundedUp (interval));
                    std::printf ("presses at frames %u and %u (%u and %u into their periods): first recorded frame "
                                 "%+lld, length %u for an interval of %u (%+lld after rounding)\n",
                                 presses[0], presses[1], presses[0] % period, presses[1] % period, (long long)startError,
                                 length, interval, (long long)lengthError);
                    check (finished && named, "a finished main loop that recorded the input's frames");
                    startErrors.push_back (startError);
                    lengthErrors.push_back (lengthError);
                    break;
                }
            }

            if (! judged)
            {
                result = 3;
            }
            else
            {
                const auto [lowest, highest] = std::minmax_element (startErrors.begin(), startErrors.end());
                std::printf ("first recorded frame from the press: %+lld to %+lld, spread %lld\n", (long long)*lowest,
                             (long long)*highest, (long long)(*highest - *lowest));
                check (*lowest == 0 && *highest == 0, "every loop starts on its press's frame");
                check (std::all_of (lengthErrors.begin(), lengthErrors.end(), [] (auto e) { return e == 0; }),
                       "every loop is as long as its presses' interval, rounded up to the grain");
                std::printf ("the server missed %d cycles during the check, in pairs played again\n", sender.xruns.load());
                result = failures == 0 ? 0 : 1;
            }
        }

        engine.closeAudio();
        midi->unregister (MidiCommandKind::momentary, &punch);
        engine.getDevice()->removePreAudioCallbackClient (&punch);
        engine.teardownEngine();
    }

    folder.deleteRecursively();
    return result;
}
