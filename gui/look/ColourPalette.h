// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

namespace Work
{

/** The program's colours, built once at start before any view and shared by every view,
    the look and feel and the about box. Reached through getInstance() while it lives. */
class ColourPalette
{
public:
    ColourPalette();
    ~ColourPalette();

    ColourPalette (const ColourPalette&) = delete;
    ColourPalette& operator= (const ColourPalette&) = delete;

    /** The palette while one exists, else null. */
    static const ColourPalette* getInstance() noexcept { return instance; }

    static constexpr int numChannelColours = 8;

    /** The background colour, for windows built before they can reach the palette. */
    static juce::Colour backgroundColour() noexcept { return juce::Colour (0xff1a0001); }

    const juce::Colour background;
    const juce::Colour backgroundLight;
    const juce::Colour highlight;
    const juce::Colour foreground;

    /** One colour per input or loop channel; the index wraps. */
    [[nodiscard]] juce::Colour channelColour (int channel) const noexcept;

private:
    static inline const ColourPalette* instance = nullptr;
    std::array<juce::Colour, numChannelColours> channelColours;
};

} // namespace Work
