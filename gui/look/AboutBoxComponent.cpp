// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "AboutBoxComponent.h"

#include "ColourPalette.h"
#include "Drawing.h"
#include "Logo.h"

namespace Work
{

namespace
{
    const char* const licenceAddress = "https://www.gnu.org/licenses/gpl-3.0.html";

    // Where each paragraph starts and how high it may grow, under the logo.
    struct Block
    {
        int top, height;
        float fontSize;
    };
    constexpr Block blocks[] = { { 352, 22, 16.0f }, { 378, 20, 13.0f }, { 412, 40, 13.0f }, { 464, 80, 12.0f } };
} // namespace

juce::String AboutBoxComponent::librariesText()
{
    return "Built on " + juce::SystemStats::getJUCEVersion()
           + " (GNU GPL v3, its core and audio modules ISC). It links Ableton Link (GNU GPL 2 or later) with Asio "
             "(Boost Software License), JACK, ALSA and liblo (GNU LGPL 2.1 or later), "
             "lilv, serd, sord and sratom (ISC), FreeType (FreeType licence), libpng (libpng licence), libjpeg-turbo (IJG "
             "and BSD), "
             "FLAC, Ogg and Vorbis (BSD) and zlib (zlib licence).";
}

AboutBoxComponent::AboutBoxComponent (const juce::String& nameWithVersion)
    : lines (juce::StringArray {
        nameWithVersion, juce::String ("A live looper for performing musicians."),
        juce::String ("Copyright (C) 2026 the Varnolo developers. Free software under the GNU General Public "
                      "License, version 3 or (at your option) any later version, with no warranty."),
        librariesText() })
    , link ("The GNU General Public License, version 3", juce::URL (licenceAddress))
{
    addAndMakeVisible (logo);
    link.setFont (juce::Font (14.0f, juce::Font::bold), false);
    link.setColour (juce::HyperlinkButton::textColourId, Drawing::palette().channelColour (0));
    addAndMakeVisible (link);
    setSize (600, 600);
}

void AboutBoxComponent::resized()
{
    // The logo a little smaller than drawn, so that the licence texts have room under it.
    const auto logoWidth = Logo::width * 4 / 5, logoHeight = int (0.88f * float (Logo::height)) * 4 / 5;
    logo.setBounds ((getWidth() - logoWidth) / 2, 36, logoWidth, logoHeight);
    link.setBounds (int (0.04f * float (getWidth())), 560, int (0.92f * float (getWidth())), 20);
}

void AboutBoxComponent::paint (juce::Graphics& g)
{
    const auto w = float (getWidth()), h = float (getHeight());
    const auto& palette = Drawing::palette();
    const auto orange = palette.channelColour (0);

    g.fillAll (palette.background);

    juce::Path frame;
    Drawing::addRoundedFrame (frame, 0.02f * w, 0.02f * h, 0.96f * w, 0.96f * h, w / 20.0f, 2.0f);
    g.setColour (orange);
    g.fillPath (frame);

    const auto x = int (0.05f * w), width = int (0.9f * w);
    for (int i = 0; i < lines.size() && i < int (std::size (blocks)); ++i)
    {
        const auto& block = blocks[i];
        g.setFont (juce::Font (block.fontSize, i < 2 ? juce::Font::bold : juce::Font::plain));
        const auto maxLines = std::max (1, block.height / int (block.fontSize + 3.0f));
        g.drawFittedText (lines[i], x, block.top, width, block.height, juce::Justification::centredTop, maxLines, 0.9f);
    }
}

} // namespace Work
