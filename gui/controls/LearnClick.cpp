// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LearnClick.h"

namespace Work::LearnClick
{

bool isPopupClick (const juce::MouseEvent& e) noexcept
{
    return e.mods.isRightButtonDown() || e.mods.isCtrlDown();
}

juce::String noticeWhileLearnIsOff()
{
    return "MIDI can be assigned to this control while the looper is stopped: stop it, then right-click "
           "the control (or click it with Ctrl held) and choose what to learn.";
}

bool handle (MidiCommands::MidiGuiListener& command, const juce::MouseEvent& e)
{
    if (! isPopupClick (e))
        return false;

    if (command.learnEnabled.load())
        command.learnRequested = true;
    else
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::NoIcon, {}, noticeWhileLearnIsOff());

    return true;
}

} // namespace Work::LearnClick
