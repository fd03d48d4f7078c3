// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandButtons.h"

namespace Work
{

/** The small lamp-style toggles of the strips: a coloured lamp with a short label, dull while
    off, glowing towards yellow while on, showing the state the looper reports. Mute, solo, the
    bus selectors, the switch to the main bus and the punch button differ only by what the Definition
    holds. [message] */
class LampButton final : public ToggleImageButton
{
public:
    /** How the lamp is lit: its colour and how far it is mixed towards the background (off) or
        yellow (on), at the centre and the edge. */
    struct Lamp
    {
        juce::Colour colour;
        float offCentre, offEdge, onCentre, onMiddle;
        bool round = false;       // a round lamp (the punch button) lit white to red, not a rounded square
        float labelHeight = 0.5f; // of the button's width
    };

    /** Everything one lamp button is. */
    struct Definition
    {
        juce::String commandName; // also its name in MIDI mappings
        LooperCommand action;
        ModeField modeField = ModeField::none;
        bool shareable = false, followsControllerValue = false;
        FlashMode flashMode = FlashMode::always;
        Lamp lamp;
        juce::String label;
    };

    explicit LampButton (Definition definition);

    void createImages() override;
    void resized() override;

private:
    Lamp lamp;
    juce::String label;
};

} // namespace Work
