// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandSink.h"
#include "LooperView.h"

namespace Work
{

/** The screen's whole road to the engine, and the only one: commands go out as records through
    one sink, and the engine's state comes back as one decoded view per GUI tick. Whoever owns the
    engine implements it; the screen's panels and controls know nothing else of the engine.

    Threads: the command sink is handed to the controls, whose commands post into it on the audio
    thread's pre-block stage; everything else [message]. */
class ScreenPort
{
public:
    virtual ~ScreenPort() = default;

    /** Where the controls' commands go. */
    [[nodiscard]] virtual CommandSink& getCommandSink() noexcept = 0;

    /** [message] A command from the message thread (a key, a menu); false when the queue is full. */
    virtual bool postFromScreen (const LooperCommand& command) noexcept = 0;

    /** [message] One GUI tick: what the engine reported since the last one, into view; then the
        work the audio thread asked for (a confirmed reset of every loop, a mix reset), whose
        news goes into view too. */
    virtual void refresh (LooperView& view) = 0;

    /** [message] The record cursors as the screen now shows them: a cursor moved from the screen
        moves on from there. */
    virtual void showCursors (std::uint32_t word) noexcept = 0;
};

} // namespace Work
