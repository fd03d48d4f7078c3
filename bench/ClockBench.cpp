// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// How well the MIDI clock's device output keeps time. A stand-in audio thread calls the clock
// as a device would, every 64 samples at 48 kHz, woken by the system as a real callback is (with
// its wake-up jitter); a stand-in MIDI output notes the moment each tick leaves the clock thread.
// Each tick's ideal moment is where its sample falls on the device's own schedule; the figures
// are the ticks' distance from it: the constant part (the clock sends at the moment the sample
// is heard, the block's time plus the output latency) and the jitter around it.
//   clock_bench [seconds] [latency in samples]   (default 20 s, 128 samples: two blocks)
#include "midi/MidiClockSender.h"
#include "midi/TapTempo.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace Work;

namespace
{
constexpr double sampleRate = 48000.0;
constexpr std::uint32_t block = 64;

/** Notes when each tick is sent. */
struct TimedOutput final : ClockByteOutput
{
    void sendNow (const std::uint8_t* bytes, int size) override
    {
        const auto now = MidiClockSender::nowMicros();
        const std::lock_guard<std::mutex> hold (lock);
        for (int i = 0; i < size; ++i)
            if (bytes[i] == 0xf8)
                times.push_back (now);
    }

    std::mutex lock;
    std::vector<std::int64_t> times;
};

double percentile (std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort (values.begin(), values.end());
    return values[std::min (values.size() - 1, std::size_t (p * double (values.size() - 1) + 0.5))];
}
} // namespace

int main (int argc, char** argv)
{
    const auto seconds = argc > 1 ? std::atof (argv[1]) : 20.0;
    const auto latency = std::uint32_t (argc > 2 ? std::atoi (argv[2]) : 128);

    // A two-second main loop at a 500 ms beat: four beats, one bar, 96 ticks (one per 1000 samples).
    const auto length = std::uint32_t (2.0 * sampleRate);
    TapTempo tempo;
    MidiClockSender clock (tempo);
    auto output = std::make_shared<TimedOutput>();
    output->times.reserve (1 << 20);
    tempo.setClock (&clock);
    clock.setDeviceOutput (output);
    tempo.tap (0);
    tempo.tap (500);
    tempo.preAudioCallback();
    clock.mainLoopStarted (float (sampleRate), 0, latency);
    clock.mainLoopClosed (2000);
    clock.startThread();

    // The device's schedule: block b starts at origin + b * 64 / 48 000 s, and the callback is
    // woken for it at that moment by the system, a little late.
    const auto blocks = std::int64_t (seconds * sampleRate / block);
    const auto origin = MidiClockSender::nowMicros() + 10000;
    std::vector<std::int64_t> tickIdeal;
    tickIdeal.reserve (std::size_t (blocks));
    std::uint32_t position = 0;
    std::vector<double> wakeLate;
    wakeLate.reserve (std::size_t (blocks));

    std::thread audio ([&] {
        for (std::int64_t b = 0; b < blocks; ++b)
        {
            const auto due = origin + std::int64_t (double (b) * block * 1.0e6 / sampleRate);
            std::this_thread::sleep_until (std::chrono::steady_clock::time_point (std::chrono::microseconds (due)));
            wakeLate.push_back (double (MidiClockSender::nowMicros() - due));

            // Where this block's ticks lie on the device's schedule.
            ClockMath::forEachTick (position, block, length, 96, false, [&] (std::uint32_t offset, std::uint32_t) {
                tickIdeal.push_back (due + std::int64_t (double (offset + latency) * 1.0e6 / sampleRate));
            });

            position = (position + block) % length;
            tempo.preAudioCallback();
            tempo.perBlock (block, false, true, 0, position, length, 0, false);
        }
    });
    audio.join();
    std::this_thread::sleep_for (std::chrono::milliseconds (100));
    clock.stopThread();

    std::vector<double> error;
    {
        const std::lock_guard<std::mutex> hold (output->lock);
        const auto n = std::min (output->times.size(), tickIdeal.size());
        for (std::size_t i = 0; i < n; ++i)
            error.push_back (double (output->times[i] - tickIdeal[i]));
        std::printf ("%zu ticks sent for %zu placed in %.0f s of 64-sample blocks at 48 kHz, output latency %u "
                     "samples\n",
                     output->times.size(), tickIdeal.size(), seconds, latency);
    }

    // Skip the first second, while the block clock settles.
    error.erase (error.begin(), error.begin() + std::min<std::ptrdiff_t> (48, std::ptrdiff_t (error.size())));
    const auto offset = percentile (error, 0.5);
    std::vector<double> jitter;
    for (const auto e : error)
        jitter.push_back (std::abs (e - offset));

    std::printf ("callback wake-up lateness (us):   median %7.1f  p99 %7.1f  worst %7.1f\n", percentile (wakeLate, 0.5),
                 percentile (wakeLate, 0.99), percentile (wakeLate, 1.0));
    std::printf ("tick time - ideal (us):           median %7.1f  p99 %7.1f  worst %7.1f\n", offset,
                 percentile (error, 0.99), percentile (error, 1.0));
    std::printf ("device tick jitter (us):          median %7.1f  p99 %7.1f  worst %7.1f   (target p99 <= 1000)\n",
                 percentile (jitter, 0.5), percentile (jitter, 0.99), percentile (jitter, 1.0));
    return 0;
}
