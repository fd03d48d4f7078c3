#include "AboutBoxComponent.h"

#include "ColourPalette.h"
#include "Drawing.h"

namespace Work
{

namespace
{
    const char* const licenceAddress = "https://www.gnu.org/licenses/gpl-3.0.html";
} // namespace

AboutBoxComponent::AboutBoxComponent (const juce::String& nameWithVersion)
    : lines (juce::StringArray { nameWithVersion, juce::String ("A live looper for performing musicians."),
                                 juce::String ("Free software, under the GNU General Public License, version 3."),
                                 "Built on " + juce::SystemStats::getJUCEVersion()
                                     + " (GNU GPL v3); plays through JACK and ALSA (their libraries under the GNU LGPL)." })
    , link ("The GNU General Public License, version 3", juce::URL (licenceAddress))
{
    addAndMakeVisible (logo);
    link.setFont (juce::Font (14.0f, juce::Font::bold), false);
    link.setColour (juce::HyperlinkButton::textColourId, Drawing::palette().channelColour (0));
    addAndMakeVisible (link);
    setSize (600, 600);
    logo.setTopLeftPosition ((getWidth() - logo.getWidth()) / 2, 50);
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

    const auto& text = lines;
    const int tops[] = { 460, 500, 520, 540 };
    const auto x = int (0.04f * w), width = int (0.92f * w);

    for (int i = 0; i < text.size() && i < 4; ++i)
    {
        g.setFont (juce::Font (i == 0 ? 16.0f : 12.0f, juce::Font::bold));
        g.drawFittedText (text[i], x, tops[i], width, 20, juce::Justification::centred, 1, 0.01f);
    }

    link.setBounds (x, 560, width, 20);
}

} // namespace Work
