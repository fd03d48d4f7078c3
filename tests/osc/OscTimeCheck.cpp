// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Timed OSC bundles land on their frames, on a real JACK server. A client of this check,
// "osc-sender", feeds both engine inputs with a signal whose every sample names its frame on the
// server's clock (frame mod 2^24, over 2^24: exact in a float). The engine runs on its own JACK
// device with that client as its input device, and an OSC server of its own on a loopback port
// addresses a punch command. For each pair the check sends two bundles at once, time-tagged
// 50 to 90 ms ahead and about 100 ms apart, each holding the punch: a main loop is
// recorded between them. The frame each tag names is read the way the server's clock places any
// moment: in the sender's process callback, within the cycle whose times hold it. The loop's
// content tells where it started, which must be the first tag's frame, within the two frames
// that reading two clocks together allows (the latency offset is 0 and nothing adds latency), and its length must be the
// interval between the tags' frames, rounded up to the main loop's grain. A pair during which the server missed a cycle is
// sent again. Prints what it measured; exits 0 when every check held, 1 when one failed, 2 without a JACK server, 3 when
// some pair could not be played without missed cycles. Used by press_frame_test.sh, which starts a private JACK server.
#include "audio/FrameCheckSupport.h"
#include "osc/OscServer.h"

#include <jack/jack.h>
#include <juce_events/juce_events.h>
#include <lo/lo.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
using namespace Work;

using namespace Work::Testing;

/** The test's audio source, and the judge of where a moment on the server's clock falls. */
class FrameSender
{
public:
    ~FrameSender()
    {
        if (client != nullptr)
            jack_client_close (client);
    }

    bool open()
    {
        client = jack_client_open ("osc-sender", JackNoStartServer, nullptr);
        if (client == nullptr)
            return false;

        for (int i = 0; i < 2; ++i)
            audio[std::size_t (i)] =
                jack_port_register (client, i == 0 ? "out_1" : "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        jack_set_xrun_callback (
            client, [] (void* self) { return ++static_cast<FrameSender*> (self)->xruns, 0; }, this);
        jack_set_process_callback (
            client, [] (jack_nframes_t n, void* self) { return static_cast<FrameSender*> (self)->process (n); }, this);
        return audio[1] != nullptr && jack_activate (client) == 0;
    }

    /** [message] The server's microsecond clock now. */
    [[nodiscard]] jack_time_t now() const { return jack_get_time(); }

    /** [message] Asks where two moments on the server's clock fall. */
    void locate (jack_time_t first, jack_time_t second)
    {
        moments = { first, second };
        located = 0;
        state.store (State::locating, std::memory_order_release);
    }

    /** [message] The frames of the two moments, once both cycles holding them began. */
    [[nodiscard]] bool frames (std::array<std::uint32_t, 2>& result) const
    {
        if (state.load (std::memory_order_acquire) != State::located)
            return false;
        result = found;
        return true;
    }

    [[nodiscard]] std::uint32_t period() const { return jack_get_buffer_size (client); }

    std::atomic<int> xruns { 0 };

private:
    enum class State
    {
        idle,
        locating,
        located
    };

    int process (jack_nframes_t n)
    {
        jack_nframes_t cycleFrame = 0;
        jack_time_t cycleMicros = 0, nextMicros = 0;
        float periodMicros = 0.0f;
        jack_get_cycle_times (client, &cycleFrame, &cycleMicros, &nextMicros, &periodMicros);

        for (auto* port : audio)
        {
            auto* out = static_cast<float*> (jack_port_get_buffer (port, n));
            for (jack_nframes_t i = 0; i < n; ++i)
                out[i] = sampleNaming (cycleFrame + i);
        }

        // A moment belongs to the cycle whose times hold it: the frame whose period holds it.
        if (state.load (std::memory_order_acquire) == State::locating)
        {
            while (located < 2 && moments[located] < nextMicros)
            {
                const auto offset = std::floor (double (std::int64_t (moments[located] - cycleMicros)) * n
                                                / double (nextMicros - cycleMicros));
                found[located++] = cycleFrame + std::uint32_t (std::max (0.0, offset));
            }
            if (located == 2)
                state.store (State::located, std::memory_order_release);
        }
        return 0;
    }

    jack_client_t* client = nullptr;
    std::array<jack_port_t*, 2> audio {};
    std::array<jack_time_t, 2> moments {};
    std::array<std::uint32_t, 2> found {};
    std::size_t located = 0;
    std::atomic<State> state { State::idle };
};

/** A bundle time-tagged secondsAhead after now, holding one message to path without arguments. */
std::vector<std::uint8_t> bundleAt (lo_timetag now, double secondsAhead, const char* path)
{
    const auto fraction =
        std::uint64_t (now.frac) + std::uint64_t (std::llround ((secondsAhead - std::floor (secondsAhead)) * 4294967296.0));
    const lo_timetag tag { now.sec + std::uint32_t (secondsAhead) + std::uint32_t (fraction >> 32),
                           std::uint32_t (fraction) };

    auto* bundle = lo_bundle_new (tag);
    auto* message = lo_message_new();
    lo_bundle_add_message (bundle, path, message);
    std::size_t size = 0;
    auto* bytes = static_cast<std::uint8_t*> (lo_bundle_serialise (bundle, nullptr, &size));
    std::vector<std::uint8_t> result (bytes, bytes + size);
    std::free (bytes);
    lo_bundle_free_recursive (bundle);
    return result;
}

} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    const auto folder = juce::File::createTempFile ("osc-time-check");
    folder.createDirectory();

    int result = 0;
    {
        FrameSender sender;
        if (! sender.open())
        {
            std::printf ("no JACK server\n");
            return 2;
        }

        MainSettings settings (folder.getFullPathName());
        useSenderAsInput (settings, "osc-sender");

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

        PunchCommand punch;
        punch.setSink (&engine.getCommandSink());
        auto* midi = engine.getMidiGuiManager();
        auto* device = engine.getDevice();
        const bool added = device->addPreAudioCallbackClient (&punch);
        midi->registerMomentary (&punch);

        OscInbox inbox (*midi);
        OscServer server (inbox, device);
        auto book = std::make_shared<const OscAddressBook> (midi->getDispatcher());
        inbox.useBook (book->getId());
        const bool sourceSet = device->setBlockEventSource (&inbox);
        server.setAddressBook (book);
        const auto serverError = server.start (0, false);

        const auto error = engine.openAudio();
        auto* opened = device->getDeviceManager().getCurrentAudioDevice();
        runFor (300);

        juce::DatagramSocket socket (false);
        if (! added || ! sourceSet || serverError.isNotEmpty() || error.isNotEmpty() || opened == nullptr
            || opened->getTypeName() != "JACK" || book->find ("/varnolo/punch_in_out_1_1") == nullptr)
        {
            std::printf ("no JACK device with the sender as input, or no OSC server: %s %s\n", error.toRawUTF8(),
                         serverError.toRawUTF8());
            result = 2;
        }
        else
        {
            const auto period = sender.period();
            std::printf ("%u-frame periods; OSC on port %d\n", period, server.getPort());

            // Loops of about 100 ms, the tags anywhere in their periods.
            const double leads[] = { 0.05, 0.06, 0.07, 0.08, 0.09 };
            const double lengths[] = { 0.1, 0.1013, 0.0997, 0.1051, 0.0949 };
            std::vector<std::int64_t> startErrors, lengthErrors;
            bool judged = true;

            lo_timetag warm;
            lo_timetag_now (&warm);
            [[maybe_unused]] const auto warmServer = sender.now();

            for (std::size_t t = 0; t < std::size (leads) && judged; ++t)
            {
                for (int attempt = 1;; ++attempt)
                {
                    const auto missedBefore = sender.xruns.load();

                    // The tags and the same moments on the server's clock, read together.
                    // The wall clock between two readings of the server's clock (each called once
                    // before, so no first call's binding lies between them).
                    lo_timetag now;
                    const auto serverBefore = sender.now();
                    lo_timetag_now (&now);
                    const auto serverNow = serverBefore + (sender.now() - serverBefore) / 2;
                    for (const auto ahead : { leads[t], leads[t] + lengths[t] })
                    {
                        const auto bytes = bundleAt (now, ahead, "/varnolo/punch_in_out_1_1");
                        socket.write ("127.0.0.1", server.getPort(), bytes.data(), int (bytes.size()));
                    }
                    sender.locate (serverNow + jack_time_t (std::llround (leads[t] * 1.0e6)),
                                   serverNow + jack_time_t (std::llround ((leads[t] + lengths[t]) * 1.0e6)));

                    std::array<std::uint32_t, 2> tags {};
                    for (int waited = 0; ! sender.frames (tags) && waited < 300; ++waited)
                        runFor (5);
                    runFor (60); // the loop's end, its fade, and the status

                    const auto missedDuring = sender.xruns.load() - missedBefore;
                    const auto [finished, named, length, start] = readMainLoop (engine);

                    resetLoops (engine, runFor);

                    if (missedDuring != 0)
                    {
                        judged = attempt < 20;
                        std::printf ("  (the server missed cycles during the pair %zu: %s)\n", t + 1,
                                     judged ? "again" : "given up");
                        if (judged)
                            continue;
                        break;
                    }

                    const auto interval = tags[1] - tags[0];
                    const auto rounded = roundedUp (interval);
                    const auto startError = std::int64_t (std::int32_t ((start - tags[0]) << 8) >> 8);
                    const auto lengthError = std::int64_t (length) - std::int64_t (rounded);
                    std::printf ("tags at frames %u and %u (%u and %u into their periods): first recorded frame %+lld, "
                                 "length %u for an interval of %u (%+lld after rounding)\n",
                                 tags[0], tags[1], tags[0] % period, tags[1] % period, (long long)startError, length,
                                 interval, (long long)lengthError);
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
                const auto [shortest, longest] = std::minmax_element (lengthErrors.begin(), lengthErrors.end());
                std::printf ("first recorded frame from the tag's frame: %+lld to %+lld; length from the tags' interval: "
                             "%+lld to %+lld\n",
                             (long long)*lowest, (long long)*highest, (long long)*shortest, (long long)*longest);
                // The tag becomes a server time on the OSC thread, from the wall clock and the
                // server's clock read together, and the check reads the same pair on its own
                // thread: the two pairs agree to some tens of microseconds, so two frames either
                // way are the clocks', not the program's.
                check (*lowest >= -2 && *highest <= 2, "every loop starts on its tag's frame, within two");
                const auto grain = std::int64_t (MainLoop::lengthGrain);
                check (*shortest >= -grain && *longest <= grain,
                       "every loop is as long as its tags' interval, within one grain");
                std::printf ("the server missed %d cycles during the check, in pairs sent again\n", sender.xruns.load());
                result = failures == 0 ? 0 : 1;
            }
        }

        server.stop();
        engine.closeAudio();
        device->setBlockEventSource (nullptr);
        midi->unregister (MidiCommandKind::momentary, &punch);
        device->removePreAudioCallbackClient (&punch);
        engine.teardownEngine();
    }

    folder.deleteRecursively();
    return result;
}
