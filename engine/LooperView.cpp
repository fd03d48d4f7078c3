// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LooperView.h"

#include <algorithm>

namespace Work
{

namespace
{
    constexpr std::uint32_t byte (int value) noexcept
    {
        return std::uint32_t (std::clamp (value, 0, 255));
    }
} // namespace

LooperStatus LooperState::pack() const noexcept
{
    LooperStatus status;
    auto& w = status.words;
    std::copy (sources.begin(), sources.end(), w.begin() + LooperStatus::activityFirst);
    w[LooperStatus::cycle] =
        byte (cycleAngle) | (byte (cycleNumber) << 8) | (byte (multiplier) << 16) | (byte (addAmount) << 24);
    w[LooperStatus::recordingInputs] = recordingInputs;
    w[LooperStatus::recordingOutputs] = recordingOutputs;
    w[LooperStatus::muted] = muted;
    w[LooperStatus::soloed] = soloed;
    w[LooperStatus::toMain] = toMain;
    w[LooperStatus::flags] = (playing ? LooperStatus::playing : 0u) | (reversed ? LooperStatus::reversed : 0u)
                             | (canUndo ? LooperStatus::canUndo : 0u) | (canRedo ? LooperStatus::canRedo : 0u)
                             | (hasMainLoop ? LooperStatus::hasMainLoop : 0u);
    w[LooperStatus::memory] =
        (std::min<std::uint32_t> (megabytesUsed, 0xffff) << 16) | std::min<std::uint32_t> (megabytesFree, 0xffff);
    w[LooperStatus::loopKind] = std::uint32_t (nextLoop);
    w[LooperStatus::cycleLength] = cycleLength;
    w[LooperStatus::cyclePosition] = cyclePosition;
    return status;
}

LooperState LooperState::unpack (const LooperStatus& status) noexcept
{
    LooperState state;
    const auto& w = status.words;
    std::copy (w.begin() + LooperStatus::activityFirst, w.begin() + LooperStatus::activityFirst + maxBuses,
               state.sources.begin());
    const auto cycle = w[LooperStatus::cycle];
    state.cycleAngle = int (cycle & 0xff);
    state.cycleNumber = int ((cycle >> 8) & 0xff);
    state.multiplier = int ((cycle >> 16) & 0xff);
    state.addAmount = int ((cycle >> 24) & 0xff);
    state.recordingInputs = w[LooperStatus::recordingInputs];
    state.recordingOutputs = w[LooperStatus::recordingOutputs];
    state.muted = w[LooperStatus::muted];
    state.soloed = w[LooperStatus::soloed];
    state.toMain = w[LooperStatus::toMain];
    const auto flags = w[LooperStatus::flags];
    state.playing = (flags & LooperStatus::playing) != 0;
    state.reversed = (flags & LooperStatus::reversed) != 0;
    state.canUndo = (flags & LooperStatus::canUndo) != 0;
    state.canRedo = (flags & LooperStatus::canRedo) != 0;
    state.hasMainLoop = (flags & LooperStatus::hasMainLoop) != 0;
    state.megabytesUsed = w[LooperStatus::memory] >> 16;
    state.megabytesFree = w[LooperStatus::memory] & 0xffff;
    state.nextLoop = LoopKind (std::min<std::uint32_t> (w[LooperStatus::loopKind], std::uint32_t (LoopKind::quarterCycle)));
    state.cycleLength = w[LooperStatus::cycleLength];
    state.cyclePosition = w[LooperStatus::cyclePosition];
    return state;
}

} // namespace Work
