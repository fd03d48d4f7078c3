// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "CommandButtons.h"

namespace Work
{

SimpleImageButton::SimpleImageButton (const juce::String& commandName, LooperCommand action, bool shareable)
    : ImageButtonBase (commandName, FlashMode::always)
    , MidiCommands::SimpleCommand (commandName.toStdString(), shareable, action)
{
    ownerComponent = this;
}

void SimpleImageButton::trigger()
{
    guiTriggered (juce::Time::currentTimeMillis());
}

void SimpleImageButton::setPictures (juce::Image normal, juce::Image highlighted, juce::Image pressed)
{
    setFaces ({ normal, highlighted, pressed }, { normal, highlighted, pressed });
}

void SimpleImageButton::guiTimerCallback (std::int64_t nowMs, int elapsedMs)
{
    endFlashIfDue (nowMs);
    MidiCommands::SimpleCommand::guiTimerCallback (nowMs, elapsedMs);
}

void SimpleImageButton::guiFeedback (std::int64_t nowMs)
{
    // A flash already running lasts from the latest execution.
    showFlashing (false, nowMs);
}

ToggleImageButton::ToggleImageButton (const juce::String& commandName, bool shareable, bool followsControllerValue,
                                      FlashMode flashMode, LooperCommand action, ModeField modeField)
    : ImageButtonBase (commandName, flashMode)
    , MidiCommands::ToggleCommand (commandName.toStdString(), shareable, followsControllerValue, action, modeField)
{
    ownerComponent = this;
}

void ToggleImageButton::trigger()
{
    guiToggled (juce::Time::currentTimeMillis());
}

void ToggleImageButton::setPictures (juce::Image off, juce::Image offLit, juce::Image on, juce::Image onLit)
{
    setFaces ({ off, offLit, offLit }, { on, onLit, onLit });
}

void ToggleImageButton::guiTimerCallback (std::int64_t nowMs, int elapsedMs)
{
    endFlashIfDue (nowMs);
    MidiCommands::ToggleCommand::guiTimerCallback (nowMs, elapsedMs);
}

void ToggleImageButton::guiFeedback (std::int64_t nowMs)
{
    if (onStateShown)
        onStateShown (getShownState());

    showFlashing (getShownState(), nowMs);
}

} // namespace Work
