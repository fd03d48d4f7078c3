// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiCommands.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** What a press on a MIDI-controllable control means besides its own action.

    A popup click (the right button, or any button with Ctrl held) never triggers the control:
    while MIDI learn mode is on it asks for the control to be learned (the learn menu picks the
    request up), otherwise it tells the performer, in a message box, how MIDI is assigned.
    [message] */
namespace LearnClick
{

    /** True when the press is a popup click, which the caller must then not treat as a press. */
    [[nodiscard]] bool isPopupClick (const juce::MouseEvent& e) noexcept;

    /** Handles a popup click on a control whose command is command; false for any other press. */
    bool handle (MidiCommands::MidiGuiListener& command, const juce::MouseEvent& e);

    /** The notice shown for a popup click while learn mode is off. */
    juce::String noticeWhileLearnIsOff();

} // namespace LearnClick

} // namespace Work
