// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Another program in the Link session, for the tests: joins on loopback at a tempo and prints,
// every 50 ms, what it sees of the session and where its own timeline stands:
//   "state peers=N tempo=T micros=U beat=B"
// where B is its beat (on a bar of four: a multiple of four begins a bar) at U, the Link clock's
// time in microseconds (the computer's monotonic clock, the same for every process).
// Usage: link_peer TEMPO SECONDS
#include <ableton/Link.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf (stderr, "usage: link_peer TEMPO SECONDS\n");
        return 2;
    }

    const auto seconds = std::atof (argv[2]);
    ableton::Link link (std::atof (argv[1]));
    link.enable (true);

    const auto began = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - began < std::chrono::duration<double> (seconds))
    {
        const auto now = link.clock().micros();
        const auto state = link.captureAppSessionState();
        std::printf ("state peers=%zu tempo=%.6f micros=%lld beat=%.9f\n", link.numPeers(), state.tempo(),
                     (long long)now.count(), state.beatAtTime (now, 4.0));
        std::fflush (stdout);
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
    }

    link.enable (false);
    return 0;
}
