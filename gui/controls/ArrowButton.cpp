// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ArrowButton.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    using P = juce::Point<float>;

    /** The undo arrow in a unit square; the redo arrow is its mirror image. */
    juce::Path unitUndoArrow (bool mirrored)
    {
        auto x = [mirrored] (float v) { return mirrored ? 1.0f - v : v; };
        juce::Path p;
        p.startNewSubPath (x (0.17f), 0.12f);
        p.lineTo (x (0.125f), 0.625f);
        p.lineTo (x (0.61f), 0.607f);
        p.lineTo (x (0.46f), 0.46f);
        p.cubicTo (x (0.688f), 0.377f, x (0.8f), 0.55f, x (0.667f), 0.732f);
        p.cubicTo (x (0.54f), 0.862f, x (0.43f), 0.835f, x (0.308f), 0.805f);
        p.cubicTo (x (0.462f), 0.938f, x (0.652f), 0.915f, x (0.808f), 0.775f);
        p.cubicTo (x (1.07f), 0.425f, x (0.697f), 0.012f, x (0.292f), 0.26f);
        p.closeSubPath();
        return p;
    }

    /** The U-turn arrow in a unit square, pointing back (A) or, mirrored, forward (B). */
    juce::Path unitUTurnArrow (bool mirrored)
    {
        auto x = [mirrored] (float v) { return mirrored ? 1.0f - v : v; };
        juce::Path p;
        p.startNewSubPath (x (0.075f), 0.237f);
        p.lineTo (x (0.35f), 0.05f);
        p.lineTo (x (0.352f), 0.155f);
        p.quadraticTo (x (0.912f), 0.153f, x (0.915f), 0.49f);
        p.cubicTo (x (0.907f), 0.835f, x (0.532f), 0.895f, x (0.397f), 0.897f);
        p.lineTo (x (0.18f), 0.887f);
        p.lineTo (x (0.18f), 0.827f);
        p.lineTo (x (0.397f), 0.822f);
        p.quadraticTo (x (0.785f), 0.8f, x (0.792f), 0.502f);
        p.quadraticTo (x (0.792f), 0.275f, x (0.352f), 0.285f);
        p.lineTo (x (0.35f), 0.397f);
        p.closeSubPath();
        return p;
    }
} // namespace

ArrowButton::ArrowButton (const juce::String& commandName, LooperCommand action, ModeField modeField,
                          bool followsControllerValue, FlashMode flashMode, Arrow arrowToDraw)
    : ToggleImageButton (commandName, false, followsControllerValue, flashMode, action, modeField)
    , arrow (arrowToDraw)
{
}

juce::Path ArrowButton::arrowPath (Arrow kind, bool on, float size)
{
    // Undo and redo sit in a square of 0.9 of the side, the U-turn in one of 0.8.
    const auto inset = kind == Arrow::uTurn ? 0.1f : 0.05f;
    auto path = kind == Arrow::uTurn ? unitUTurnArrow (on) : unitUndoArrow (kind == Arrow::redo);
    const auto side = (1.0f - 2.0f * inset) * size;
    path.applyTransform (juce::AffineTransform::scale (side).translated (inset * size, inset * size));
    return path;
}

void ArrowButton::createImages()
{
    const auto size = getWidth();
    const auto& palette = Drawing::palette();

    auto picture = [&] (bool on, bool highlighted) {
        auto image = Drawing::backgroundImage (size, size);
        juce::Graphics g (image);
        Drawing::drawButtonFrame (g, size, size, highlighted ? palette.highlight : palette.foreground);

        // Undo and redo light up with the running green when on; the U-turn changes its shape.
        if (arrow != Arrow::uTurn && on)
            g.setGradientFill (Drawing::runningGradient (float (size), float (size), true));
        else
            g.setColour (palette.foreground);

        g.fillPath (arrowPath (arrow, on, float (size)));
        return image;
    };

    setPictures (picture (false, false), picture (false, true), picture (true, false), picture (true, true));
}

} // namespace Work
