#pragma once

#include "LogoComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** The about box: the logo, the program's name and version, what it is, its licence and the
    libraries it is built on, and a link to the licence. 600 x 600. [message] */
class AboutBoxComponent final : public juce::Component
{
public:
    /** nameWithVersion heads the text, as the program calls itself. */
    explicit AboutBoxComponent (const juce::String& nameWithVersion);

    /** The four lines under the logo: the name and version first. */
    [[nodiscard]] const juce::StringArray& getLines() const noexcept { return lines; }

    void paint (juce::Graphics& g) override;

private:
    juce::StringArray lines;
    LogoComponent logo;
    juce::HyperlinkButton link;
};

} // namespace Work
