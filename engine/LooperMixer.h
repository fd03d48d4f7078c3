// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace Work
{

/** The mixer parts the looper's commands reach: the loop channels' bus routing and the bus
    returns. [audio; message while the audio callback is held off] */
class LooperMixer
{
public:
    virtual ~LooperMixer() = default;

    /** Routes loop channel onto the buses in mask; false when there is no such channel. */
    virtual bool setActiveOutputs (int loopChannel, std::uint32_t mask) noexcept = 0;

    /** Opens or closes bus return index; out of range does nothing. */
    virtual void setBusReturnEnabled (int index, bool on) noexcept = 0;

    [[nodiscard]] virtual int getNumLoopChannels() const noexcept = 0;

    /** Mix buses a loop channel can be routed onto. */
    [[nodiscard]] virtual int getNumBuses() const noexcept = 0;
};

} // namespace Work
