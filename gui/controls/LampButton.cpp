// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LampButton.h"

#include "gui/look/Drawing.h"

namespace Work
{

LampButton::LampButton (Definition definition)
    : ToggleImageButton (definition.commandName, definition.shareable, definition.followsControllerValue,
                         definition.flashMode, definition.action, definition.modeField)
    , lamp (definition.lamp)
    , label (std::move (definition.label))
{
}

void LampButton::createImages()
{
    const auto& palette = Drawing::palette();
    const auto w = float (getWidth()), h = float (getHeight());

    auto picture = [&] (bool on, bool highlighted) {
        auto image = Drawing::backgroundImage (getWidth(), getHeight());
        juce::Graphics g (image);

        juce::ColourGradient fill;
        if (! on)
            fill = Drawing::litGradient (w, h, lamp.colour.interpolatedWith (palette.background, lamp.offCentre),
                                         lamp.colour.interpolatedWith (palette.background, lamp.offEdge));
        else if (lamp.round)
        {
            fill = Drawing::litGradient (w, h, juce::Colours::white, juce::Colour (0xffff0000));
            fill.addColour (0.1, juce::Colour (0xffffff00));
        }
        else
            fill =
                Drawing::litGradient (w, h, lamp.colour.interpolatedWith (juce::Colour (0xffffff00), lamp.onCentre),
                                      lamp.colour, lamp.colour.interpolatedWith (juce::Colour (0xffffff00), lamp.onMiddle));

        g.setGradientFill (fill);
        if (lamp.round)
            g.fillRoundedRectangle (0.1f * w, 0.1f * w, 0.8f * w, 0.8f * w, 0.4f * w);
        else
            g.fillRoundedRectangle (0.1f * w, 0.1f * h, 0.8f * w, 0.8f * h, 0.15f * w);

        Drawing::drawButtonFrame (g, getWidth(), getHeight(), highlighted ? palette.highlight : palette.foreground);

        g.setColour (palette.background);
        g.setFont (juce::Font (Drawing::textHeight (lamp.labelHeight, w), juce::Font::bold));
        g.drawFittedText (label, 0, 0, getWidth(), getHeight(), juce::Justification::centred, 1, 0.01f);
        return image;
    };

    setPictures (picture (false, false), picture (false, true), picture (true, false), picture (true, true));
}

void LampButton::resized()
{
    Drawing::noteTextHeight (*this, Drawing::textHeight (lamp.labelHeight, float (getWidth())));
}

} // namespace Work
