// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Logo.h"

#include "ColourPalette.h"
#include "Drawing.h"

namespace Work::Logo
{

namespace
{
    /** The emblem in a square of side size at (x, y): the ring of channel colours round a dark
        disc holding a play triangle and a red recording dot. */
    void drawEmblem (juce::Graphics& g, float x, float y, float size)
    {
        const auto& palette = Drawing::palette();
        const auto centre = juce::Point<float> (x + size / 2.0f, y + size / 2.0f);
        const auto outer = size / 2.0f, inner = outer * 0.68f;
        const auto gap = 0.05f; // radians between arcs

        g.setColour (palette.background);
        g.fillEllipse (centre.x - outer, centre.y - outer, 2.0f * outer, 2.0f * outer);

        for (int i = 0; i < ColourPalette::numChannelColours; ++i)
        {
            const auto from = juce::MathConstants<float>::twoPi * float (i) / 8.0f + gap;
            const auto to = juce::MathConstants<float>::twoPi * float (i + 1) / 8.0f - gap;
            juce::Path arc;
            arc.addPieSegment (centre.x - outer * 0.96f, centre.y - outer * 0.96f, outer * 1.92f, outer * 1.92f, from, to,
                               inner / (outer * 0.96f));
            g.setColour (palette.channelColour (i));
            g.fillPath (arc);
        }

        // The play mark, pointing right from the ring's centre, in the highlight colour.
        const auto t = inner * 0.55f;
        juce::Path play;
        play.addTriangle (centre.x - 0.5f * t, centre.y - 0.8f * t, centre.x - 0.5f * t, centre.y + 0.8f * t,
                          centre.x + 0.9f * t, centre.y);
        g.setColour (palette.highlight);
        g.fillPath (play);

        // The recording dot sits where a cursor would run on the ring.
        const auto dot = outer * 0.16f;
        g.setColour (juce::Colour (0xffff0000));
        g.fillEllipse (centre.x + inner * 0.55f - dot, centre.y - inner * 0.62f - dot, 2.0f * dot, 2.0f * dot);
    }
} // namespace

const juce::Image& image()
{
    static const juce::Image logo = [] {
        juce::Image picture (juce::Image::ARGB, width, height, true);
        juce::Graphics g (picture);
        const auto side = float (width) - 40.0f;
        drawEmblem (g, 20.0f, 24.0f, side);

        const auto& palette = Drawing::palette();
        g.setColour (palette.channelColour (0));
        g.setFont (juce::Font (62.0f, juce::Font::bold));
        g.drawFittedText ("Varnolo", 8, int (side) + 40, width - 16, 70, juce::Justification::centred, 1, 0.5f);
        return picture;
    }();
    return logo;
}

juce::Image onBackground()
{
    auto picture = Drawing::backgroundImage (width, height);
    juce::Graphics g (picture);
    g.drawImageAt (image(), 0, 0);
    return picture;
}

juce::Image icon (int size)
{
    juce::Image picture (juce::Image::ARGB, size, size, true);
    juce::Graphics g (picture);
    drawEmblem (g, 0.0f, 0.0f, float (size));
    return picture;
}

} // namespace Work::Logo
