// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "gui/ColourPalette.h"

#include <gtest/gtest.h>

using Work::ColourPalette;

TEST (ColourPalette, ColoursMatchTheirPublishedValues)
{
    ColourPalette palette;
    EXPECT_EQ (ColourPalette::getInstance(), &palette);
    EXPECT_EQ (palette.background.getARGB(), 0xff1a0001u);
    EXPECT_EQ (palette.backgroundLight.getARGB(), 0xff5b4849u);
    EXPECT_EQ (palette.highlight.getARGB(), 0xffffff00u);
    EXPECT_EQ (palette.foreground.getARGB(), 0xff553636u);

    const juce::uint32 channels[] = { 0xffff6600, 0xff66cbff, 0xffffcc00, 0xffa351cd,
                                      0xffcbff66, 0xff6600ff, 0xffff071e, 0xff65cc33 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (palette.channelColour (i).getARGB(), channels[i]) << i;

    EXPECT_EQ (palette.channelColour (8), palette.channelColour (0));
    EXPECT_EQ (palette.channelColour (-1), palette.channelColour (7));
}

TEST (ColourPalette, InstancePointerIsClearedWithThePalette)
{
    {
        ColourPalette palette;
    }
    EXPECT_EQ (ColourPalette::getInstance(), nullptr);
}
