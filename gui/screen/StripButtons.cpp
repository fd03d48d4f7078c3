// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "StripButtons.h"

#include "gui/look/Drawing.h"

namespace Work
{

namespace StripButtons
{
    namespace
    {
        const juce::Colour orange (0xffffa500), green (0xff008000);
        using Field = LampButton::ModeField;
        using Flash = LampButton::FlashMode;
    } // namespace

    std::unique_ptr<LampButton> mute (int channel)
    {
        return std::make_unique<LampButton> (LampButton::Definition { "Mute " + juce::String (channel + 1),
                                                                      { CommandCode::mute, channel },
                                                                      Field::second,
                                                                      true,
                                                                      true,
                                                                      Flash::always,
                                                                      { orange, 0.5f, 0.6f, 0.8f, 0.2f },
                                                                      "M" });
    }

    std::unique_ptr<LampButton> solo (int channel)
    {
        return std::make_unique<LampButton> (LampButton::Definition { "Solo " + juce::String (channel + 1),
                                                                      { CommandCode::solo, channel },
                                                                      Field::second,
                                                                      true,
                                                                      true,
                                                                      Flash::always,
                                                                      { green, 0.4f, 0.6f, 1.0f, 0.4f },
                                                                      "S" });
    }

    std::unique_ptr<LampButton> busSelector (const juce::String& busName, int channel, int bus)
    {
        return std::make_unique<LampButton> (
            LampButton::Definition { "Loop " + juce::String (channel + 1) + " To Bus " + busName,
                                     { CommandCode::mixBus, channel, bus },
                                     Field::none,
                                     true,
                                     false,
                                     Flash::notWhileOff,
                                     { Drawing::palette().backgroundLight, 0.4f, 0.6f, 1.0f, 0.4f },
                                     busName });
    }

    std::unique_ptr<LampButton> toMain (int busIndex)
    {
        return std::make_unique<LampButton> (LampButton::Definition { "Bus " + juce::String (2 * busIndex - 1) + "-"
                                                                          + juce::String (2 * busIndex) + " To Main",
                                                                      { CommandCode::toMain, busIndex - 1 },
                                                                      Field::second,
                                                                      false,
                                                                      true,
                                                                      Flash::always,
                                                                      { orange, 0.5f, 0.6f, 0.8f, 0.2f },
                                                                      "Main" });
    }
} // namespace StripButtons

DirectionCursorButton::DirectionCursorButton (int cursorIndex, bool goesForward)
    : SimpleImageButton ("Cursor " + juce::String (cursorIndex + 1) + (goesForward ? " Forward" : " Back"),
                         { CommandCode::cursorStep, cursorIndex, goesForward ? 1 : 0 })
    , forward (goesForward)
{
}

void DirectionCursorButton::createImages()
{
    const auto w = getWidth(), h = getHeight();
    const auto& palette = Drawing::palette();

    // A block arrow in the box inside the margins, pointing the way the cursor moves.
    const auto mx = float (int (0.1f * float (w))), my = float (int (0.2f * float (h)));
    const auto bw = float (w) - 2.0f * mx, bh = float (h) - 2.0f * my;
    const auto head = 0.4f * bw, shaft = 0.5f * bh;
    juce::Path arrow;
    arrow.startNewSubPath (0.0f, bh / 2.0f);
    arrow.lineTo (head, 0.0f);
    arrow.lineTo (head, (bh - shaft) / 2.0f);
    arrow.lineTo (bw, (bh - shaft) / 2.0f);
    arrow.lineTo (bw, (bh + shaft) / 2.0f);
    arrow.lineTo (head, (bh + shaft) / 2.0f);
    arrow.lineTo (head, bh);
    arrow.closeSubPath();
    auto place = forward ? juce::AffineTransform::scale (-1.0f, 1.0f).translated (mx + bw, my)
                         : juce::AffineTransform::translation (mx, my);
    arrow.applyTransform (place);

    auto picture = [&] (juce::Colour frame, juce::Colour fill) {
        auto image = Drawing::backgroundImage (w, h);
        juce::Graphics g (image);
        Drawing::drawButtonFrame (g, w, h, frame);
        g.setColour (fill);
        g.fillPath (arrow);
        return image;
    };

    setPictures (picture (palette.foreground, palette.foreground), picture (palette.highlight, palette.foreground),
                 picture (palette.highlight, palette.highlight));
}

} // namespace Work
