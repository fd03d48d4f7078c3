// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace Work
{

/** Told on every tick of the GUI timer, on the message thread: the place where views catch up
    with what the audio and MIDI threads changed. */
class GuiTimerClient
{
public:
    virtual ~GuiTimerClient() = default;

    /** [message] nowMs is the wall clock in milliseconds, elapsedMs the time since the last tick. */
    virtual void guiTimerCallback (std::int64_t nowMs, int elapsedMs) = 0;
};

} // namespace Work
