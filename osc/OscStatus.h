// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/LooperView.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Work
{

/** What the program tells other programs of itself over OSC, read from the screen's view once
    per tick, and the OSC messages that say it. Each answer is one message whose first argument
    names what it tells:
    - "channel" N STATE MUTED SOLOED, for each loop channel N from 1 (STATE: "recording",
      "sounding" or "silent"; MUTED and SOLOED 0 or 1);
    - "cycle" LENGTH POSITION NUMBER (samples into the main loop, its length in samples, 0 without
      one, and the cycle's number);
    - "tempo" BPM BEATS_PER_BAR (0 while no tempo is known);
    - "running" 0 or 1;
    - "counts" RECEIVED COMMANDS IGNORED HELD_OFF (messages received, commands handed to the
      controls, messages refused, commands dropped while the controls did not listen). */
struct OscStatus
{
    static constexpr int numChannels = 8;

    struct Channel
    {
        const char* state = "silent";
        bool muted = false, soloed = false;
        bool operator== (const Channel&) const = default;
    };

    struct Counts
    {
        std::uint64_t received = 0, commands = 0, ignored = 0, heldOff = 0;
        bool operator== (const Counts&) const = default;
    };

    std::array<Channel, numChannels> channels {};
    std::uint32_t cycleLength = 0, cyclePosition = 0;
    int cycleNumber = 0;
    double tempoBpm = 0.0;
    int beatsPerBar = 0;
    bool running = false;
    Counts counts;

    [[nodiscard]] static OscStatus from (const LooperView& view);

    /** One answer: its first argument and the rest, as an OSC type string and values. */
    struct Answer
    {
        struct Argument
        {
            char type; // 'i', 'f' or 's'
            std::int32_t i = 0;
            float f = 0.0f;
            std::string s;
        };
        std::vector<Argument> arguments;

        Answer& add (std::int32_t value) { return arguments.push_back ({ 'i', value, 0.0f, {} }), *this; }
        Answer& add (float value) { return arguments.push_back ({ 'f', 0, value, {} }), *this; }
        Answer& add (std::string value) { return arguments.push_back ({ 's', 0, 0.0f, std::move (value) }), *this; }
    };

    /** Channel c's answer (from 0). */
    [[nodiscard]] Answer channelAnswer (int c) const;

    /** The answers to a query ("channels", "cycle", "tempo", "running", "counts" or "all"). */
    [[nodiscard]] std::vector<Answer> answer (const std::string& what) const;

    /** The answers that differ from before, but for the cycle's position, which moves all the
        time: it is told when withPosition. */
    [[nodiscard]] std::vector<Answer> changesSince (const OscStatus& before, bool withPosition) const;
};

} // namespace Work
