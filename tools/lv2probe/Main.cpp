// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// varnolo-lv2-probe: runs LV2 plug-ins, one after another, in a process the program can lose.
// The program asks it which of the plug-ins the bus could host really start, run and stop, so
// that one that crashes or hangs takes down this process, never the program.
//
//   varnolo-lv2-probe [URI...]     (no URI: every plug-in the bus could host)
//
// For each plug-in it writes "probe URI" before it starts one, and then "ok URI LATENCY" or
// "fail URI REASON", each line at once; the program reads a "probe" line without an answer as
// the plug-in that crashed or hung.
#include "effects/Lv2Effect.h"

#include <cmath>
#include <cstdio>
#include <vector>

int main (int argc, char** argv)
{
    std::vector<std::string> uris;
    for (int i = 1; i < argc; ++i)
        uris.emplace_back (argv[i]);

    if (uris.empty())
        for (const auto& plugin : Work::Lv2Catalog::listAll())
            if (plugin.isUsable())
                uris.push_back (plugin.uri);

    constexpr int block = 256;
    std::vector<float> left (block), right (block);

    for (const auto& uri : uris)
    {
        std::printf ("probe %s\n", uri.c_str());
        std::fflush (stdout);

        std::string error;
        auto effect = Work::Lv2Effect::create (uri, 48000.0, block, error);
        if (effect == nullptr)
        {
            std::printf ("fail %s %s\n", uri.c_str(), error.c_str());
            std::fflush (stdout);
            continue;
        }

        // Silence, then a tone, then silence again: a few blocks of what the bus gives.
        for (int b = 0; b < 8; ++b)
        {
            for (int i = 0; i < block; ++i)
                left[std::size_t (i)] = right[std::size_t (i)] =
                    (b == 3 || b == 4) ? 0.5f * std::sin (0.05f * float (i)) : 0.0f;
            effect->process (left.data(), right.data(), block);
        }
        const auto latency = effect->getLatency();
        effect = nullptr;

        std::printf ("ok %s %d\n", uri.c_str(), latency);
        std::fflush (stdout);
    }
    return 0;
}
