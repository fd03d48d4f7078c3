// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ImageButtonBase.h"

#include <functional>

namespace Work
{

/** An image button that is a momentary command: a press, or a MIDI message assigned to it, posts
    its looper command once, and the button flashes its pressed picture when the command ran.
    What it posts is data given at construction. [message] */
class SimpleImageButton
    : public ImageButtonBase
    , public MidiCommands::SimpleCommand
{
public:
    SimpleImageButton (const juce::String& commandName, LooperCommand action, bool shareable = false);

    void trigger() override;
    MidiCommands::MidiGuiListener& getCommand() noexcept override { return *this; }

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void guiFeedback (std::int64_t nowMs) override;

protected:
    /** Installs the pictures: at rest, under the mouse, and the flash after a press. */
    void setPictures (juce::Image normal, juce::Image highlighted, juce::Image pressed);
};

/** An image button that is an on/off command: a press, or a MIDI message assigned to it, asks
    for a flip, and the button shows only the state the engine reports (showState, once per GUI
    tick), flashing when it changes. What it posts is data given at construction: the looper
    command and the field that takes the request's mode. [message] */
class ToggleImageButton
    : public ImageButtonBase
    , public MidiCommands::ToggleCommand
{
public:
    ToggleImageButton (const juce::String& commandName, bool shareable, bool followsControllerValue, FlashMode flashMode,
                       LooperCommand action, ModeField modeField = ModeField::none);

    void trigger() override;
    MidiCommands::MidiGuiListener& getCommand() noexcept override { return *this; }

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void guiFeedback (std::int64_t nowMs) override;

    /** Told when the shown state changes, before the pictures follow (the input strip turns red
        with its punch button). */
    std::function<void (bool on)> onStateShown;

protected:
    /** Installs the pictures: off and on, each at rest and lit (under the mouse, or flashing). */
    void setPictures (juce::Image off, juce::Image offLit, juce::Image on, juce::Image onLit);
};

} // namespace Work
