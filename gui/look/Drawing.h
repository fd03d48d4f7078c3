// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ColourPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

/** The drawing recipes the screen's pictures share: frames, strip panels, gradients and the
    labelled button pictures. Everything here draws into images once per size or state; the
    views then only copy those images. [message] */
namespace Work::Drawing
{

/** The program's palette, or a stand-in with the same colours while none exists (tests). */
const ColourPalette& palette();

/** The smallest side of anything a performer clicks or drags, and the smallest text height, in
    pixels: below these a control is missed and a text unread on a dark stage. The screen keeps
    every size at or above them, and scrolls rather than shrink below. */
constexpr int smallestControl = 20;
constexpr float smallestText = 11.0f;

/** A font height from a share of a size, never below smallestText. */
[[nodiscard]] inline float textHeight (float share, float size) noexcept
{
    return share * size < smallestText ? smallestText : share * size;
}

/** Records the height of the smallest text a component draws in its pictures, where layout
    checks read it (the "textHeight" property). */
void noteTextHeight (juce::Component& component, float height);

/** Adds a frame of the given thickness inside the rectangle as two closed contours, the outer
    one clockwise and the inner one counter-clockwise, so a non-zero fill paints only the frame.
    The corner is at most half the width and height; the thickness at most 0.3 of the height. */
void addRoundedFrame (juce::Path& path, float x, float y, float width, float height, float cornerSize, float thickness);

/** The frame round a button picture: corner a quarter of the height, thickness height / 30 but
    at least 2. */
void drawButtonFrame (juce::Graphics& g, int width, int height, juce::Colour colour);

/** The panel of an input or loop strip: a rounded rectangle with a centred window cut out. */
juce::Path stripPanel (float width, float height, float corner, float windowWidth, float windowHeight);

/** The three looks of a button picture. */
enum class Look
{
    normal,      // frame and label in the foreground colour
    highlighted, // frame in the highlight colour
    pressed      // frame and label in the highlight colour
};

/** A square labelled picture of side size: one bold line of height 0.7 of the side. */
juce::Image oneLinePicture (int size, const juce::String& text, Look look, bool emphasised = false);

/** A square labelled picture of side size: two bold lines of height 0.4 of the side. */
juce::Image twoLinePicture (int size, const juce::String& first, const juce::String& second, Look look,
                            bool emphasised = false);

/** The radial fill of a lit control: centre colour at (w/3, h/3), edge colour at the corner,
    with an optional stop at 0.5. */
juce::ColourGradient litGradient (float width, float height, juce::Colour centre, juce::Colour edge,
                                  std::optional<juce::Colour> middle = std::nullopt);

/** The running look of the transport's green pictures: bright while running, dull while not. */
juce::ColourGradient runningGradient (float width, float height, bool running);

/** An image of the given size filled with the background colour. */
juce::Image backgroundImage (int width, int height);

} // namespace Work::Drawing
