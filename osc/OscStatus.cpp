// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OscStatus.h"

#include <algorithm>

namespace Work
{

namespace
{
    std::int32_t clampedInt (std::uint64_t value) noexcept
    {
        return std::int32_t (std::min<std::uint64_t> (value, 0x7fffffff));
    }
} // namespace

OscStatus OscStatus::from (const LooperView& view)
{
    OscStatus status;
    const auto& state = view.state;

    for (int c = 0; c < numChannels; ++c)
    {
        const auto bit = 1u << c;
        auto& channel = status.channels[std::size_t (c)];
        channel.state = (state.recordingOutputs & bit) != 0   ? "recording"
                        : state.sources[std::size_t (c)] != 0 ? "sounding"
                                                              : "silent";
        channel.muted = (state.muted & bit) != 0;
        channel.soloed = (state.soloed & bit) != 0;
    }

    status.cycleLength = state.cycleLength;
    status.cyclePosition = state.cyclePosition;
    status.cycleNumber = state.cycleNumber;
    status.tempoBpm = view.tempoMilliBpm / 1000.0;
    status.beatsPerBar = view.clockBeatsPerBar;
    status.running = state.playing;
    return status;
}

OscStatus::Answer OscStatus::channelAnswer (int c) const
{
    const auto& channel = channels[std::size_t (c)];
    Answer answer;
    answer.add (std::string ("channel"))
        .add (std::int32_t (c + 1))
        .add (std::string (channel.state))
        .add (std::int32_t (channel.muted))
        .add (std::int32_t (channel.soloed));
    return answer;
}

std::vector<OscStatus::Answer> OscStatus::answer (const std::string& what) const
{
    std::vector<Answer> answers;
    const bool all = what == "all";

    if (all || what == "channels")
        for (int c = 0; c < numChannels; ++c)
            answers.push_back (channelAnswer (c));

    if (all || what == "cycle")
        answers.emplace_back()
            .add (std::string ("cycle"))
            .add (clampedInt (cycleLength))
            .add (clampedInt (cyclePosition))
            .add (std::int32_t (cycleNumber));

    if (all || what == "tempo")
        answers.emplace_back().add (std::string ("tempo")).add (float (tempoBpm)).add (std::int32_t (beatsPerBar));

    if (all || what == "running")
        answers.emplace_back().add (std::string ("running")).add (std::int32_t (running));

    if (all || what == "counts")
        answers.emplace_back()
            .add (std::string ("counts"))
            .add (clampedInt (counts.received))
            .add (clampedInt (counts.commands))
            .add (clampedInt (counts.ignored))
            .add (clampedInt (counts.heldOff));

    return answers;
}

std::vector<OscStatus::Answer> OscStatus::changesSince (const OscStatus& before, bool withPosition) const
{
    std::vector<Answer> answers;

    for (int c = 0; c < numChannels; ++c)
        if (! (channels[std::size_t (c)] == before.channels[std::size_t (c)]))
            answers.push_back (channelAnswer (c));

    const bool cycleChanged = cycleLength != before.cycleLength || cycleNumber != before.cycleNumber;
    if (cycleChanged || (withPosition && cyclePosition != before.cyclePosition))
        answers.push_back (std::move (answer ("cycle").front()));

    if (tempoBpm != before.tempoBpm || beatsPerBar != before.beatsPerBar)
        answers.push_back (std::move (answer ("tempo").front()));

    if (running != before.running)
        answers.push_back (std::move (answer ("running").front()));

    return answers;
}

} // namespace Work
