// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Drawing.h"

#include "ColourPalette.h"

namespace Work::Drawing
{

const ColourPalette& palette()
{
    if (const auto* p = ColourPalette::getInstance())
        return *p;

    static const ColourPalette standIn; // only when pictures are drawn before the program's palette exists
    return standIn;
}

void noteTextHeight (juce::Component& component, float height)
{
    component.getProperties().set ("textHeight", height);
}

namespace
{
    const juce::Colour green (0xff008000);
    const juce::Colour yellow (0xffffff00);
} // namespace

void addRoundedFrame (juce::Path& path, float x, float y, float w, float h, float cornerSize, float thickness)
{
    const auto corner = std::min ({ cornerSize, w / 2.0f, h / 2.0f });
    thickness = std::min (thickness, 0.3f * h);

    path.startNewSubPath (x, y + corner);
    path.quadraticTo (x, y, x + corner, y);
    path.lineTo (x + w - corner, y);
    path.quadraticTo (x + w, y, x + w, y + corner);
    path.lineTo (x + w, y + h - corner);
    path.quadraticTo (x + w, y + h, x + w - corner, y + h);
    path.lineTo (x + corner, y + h);
    path.quadraticTo (x, y + h, x, y + h - corner);
    path.closeSubPath();

    const auto left = x + thickness, top = y + thickness;
    const auto right = x + w - thickness, bottom = y + h - thickness;
    const auto ic = corner * (right - left) / w;

    path.startNewSubPath (left, top + ic);
    path.lineTo (left, bottom - ic);
    path.quadraticTo (left, bottom, left + ic, bottom);
    path.lineTo (right - ic, bottom);
    path.quadraticTo (right, bottom, right, bottom - ic);
    path.lineTo (right, top + ic);
    path.quadraticTo (right, top, right - ic, top);
    path.lineTo (left + ic, top);
    path.quadraticTo (left, top, left, top + ic);
    path.closeSubPath();
}

void drawButtonFrame (juce::Graphics& g, int width, int height, juce::Colour colour)
{
    juce::Path frame;
    addRoundedFrame (frame, 0.0f, 0.0f, float (width), float (height), 0.25f * float (height),
                     std::max (float (height) / 30.0f, 2.0f));
    g.setColour (colour);
    g.fillPath (frame);
}

juce::Path stripPanel (float width, float height, float corner, float windowWidth, float windowHeight)
{
    juce::Path panel;
    panel.addRoundedRectangle (0.0f, 0.0f, width, height, corner);

    // The window is a hole: its contour runs the other way round.
    const auto x = (width - windowWidth) / 2.0f, y = (height - windowHeight) / 2.0f;
    panel.startNewSubPath (x, y);
    panel.lineTo (x, y + windowHeight);
    panel.lineTo (x + windowWidth, y + windowHeight);
    panel.lineTo (x + windowWidth, y);
    panel.closeSubPath();
    return panel;
}

juce::Image backgroundImage (int width, int height)
{
    juce::Image image (juce::Image::ARGB, std::max (1, width), std::max (1, height), true);
    juce::Graphics g (image);
    g.fillAll (palette().background);
    return image;
}

namespace
{
    struct LookColours
    {
        juce::Colour frame, text;
    };

    LookColours coloursOf (Look look, bool emphasised)
    {
        const auto& p = palette();
        if (emphasised)
            return { p.highlight, p.highlight };
        switch (look)
        {
            case Look::normal: return { p.foreground, p.foreground };
            case Look::highlighted: return { p.highlight, p.foreground };
            case Look::pressed: return { p.highlight, p.highlight };
        }
        return { p.foreground, p.foreground };
    }
} // namespace

juce::Image oneLinePicture (int size, const juce::String& text, Look look, bool emphasised)
{
    auto image = backgroundImage (size, size);
    juce::Graphics g (image);
    const auto colours = coloursOf (look, emphasised);
    drawButtonFrame (g, size, size, colours.frame);

    // The plain picture keeps the label on one line however narrow; the lit ones may wrap.
    const bool plain = look == Look::normal;
    const auto margin = int (0.1f * float (size));
    g.setColour (colours.text);
    g.setFont (juce::Font (0.7f * float (size), juce::Font::bold));
    g.drawFittedText (text, margin, 0, size - 2 * margin, size, juce::Justification::centred, plain ? 1 : 2,
                      plain ? 0.01f : 0.7f);
    return image;
}

juce::Image twoLinePicture (int size, const juce::String& first, const juce::String& second, Look look, bool emphasised)
{
    auto image = backgroundImage (size, size);
    juce::Graphics g (image);
    const auto colours = coloursOf (look, emphasised);
    drawButtonFrame (g, size, size, colours.frame);

    const auto margin = int (0.1f * float (size));
    g.setColour (colours.text);
    g.setFont (juce::Font (0.4f * float (size), juce::Font::bold));
    g.drawFittedText (first, margin, int (0.05f * float (size)), size - 2 * margin, int (0.5f * float (size)),
                      juce::Justification::centred, 1, 0.01f);
    g.drawFittedText (second, margin, int (0.45f * float (size)), size - 2 * margin, int (0.5f * float (size)),
                      juce::Justification::centred, 1, 0.01f);
    return image;
}

juce::ColourGradient litGradient (float width, float height, juce::Colour centre, juce::Colour edge,
                                  std::optional<juce::Colour> middle)
{
    juce::ColourGradient gradient (centre, width / 3.0f, height / 3.0f, edge, 0.0f, 0.0f, true);
    if (middle.has_value())
        gradient.addColour (0.5, *middle);
    return gradient;
}

juce::ColourGradient runningGradient (float width, float height, bool running)
{
    const auto background = palette().background;
    if (running)
        return litGradient (width, height, green.interpolatedWith (yellow, 0.8f), green,
                            green.interpolatedWith (yellow, 0.2f));
    return litGradient (width, height, green.interpolatedWith (background, 0.3f), green.interpolatedWith (background, 0.5f));
}

} // namespace Work::Drawing
