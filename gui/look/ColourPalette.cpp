// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ColourPalette.h"

namespace Work
{

ColourPalette::ColourPalette()
    : background (backgroundColour())
    , backgroundLight (backgroundColour().brighter (0.4f))
    , highlight (0xffffff00)
    // A dark red-brown: white pulled 0.35 towards brown, then the background pulled 0.3 towards
    // that. Kept as the value rather than recomputed, as colour mixing rounds differently
    // between framework versions.
    , foreground (0xff553636)
    , channelColours { juce::Colour (0xffff6600), juce::Colour (0xff66cbff), juce::Colour (0xffffcc00),
                       juce::Colour (0xffa351cd), juce::Colour (0xffcbff66), juce::Colour (0xff6600ff),
                       juce::Colour (0xffff071e), juce::Colour (0xff65cc33) }
{
    instance = this;
}

ColourPalette::~ColourPalette()
{
    if (instance == this)
        instance = nullptr;
}

juce::Colour ColourPalette::channelColour (int channel) const noexcept
{
    const auto index = ((channel % numChannelColours) + numChannelColours) % numChannelColours;
    return channelColours[static_cast<std::size_t> (index)];
}

} // namespace Work
