// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "gui/look/ColourPalette.h"

#include <gtest/gtest.h>

using Work::ColourPalette;

TEST (ColourPalette, MixedColoursComeOutAsPublishedAndChannelsWrapRound)
{
    {
        ColourPalette palette;
        EXPECT_EQ (ColourPalette::getInstance(), &palette);

        // The two colours the palette mixes from others, which a change of either can break.
        EXPECT_EQ (palette.backgroundLight.getARGB(), 0xff5b4849u);
        EXPECT_EQ (palette.foreground.getARGB(), 0xff553636u);

        EXPECT_EQ (palette.channelColour (8), palette.channelColour (0));
        EXPECT_EQ (palette.channelColour (-1), palette.channelColour (7));
    }
    EXPECT_EQ (ColourPalette::getInstance(), nullptr) << "the instance pointer goes with the palette";
}
