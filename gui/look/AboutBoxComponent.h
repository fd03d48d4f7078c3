// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "LogoComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** The about box: the logo, the program's name and version, what it is, its copyright and
    licence, the libraries it links with their licences, and a link to the licence text.
    600 x 600. [message] */
class AboutBoxComponent final : public juce::Component
{
public:
    /** nameWithVersion heads the text, as the program calls itself. */
    explicit AboutBoxComponent (const juce::String& nameWithVersion);

    /** The paragraphs under the logo: the name and version first. */
    [[nodiscard]] const juce::StringArray& getLines() const noexcept { return lines; }

    /** The libraries the program links, each with its licence as Debian's copyright files give
        it; the README's licence section says the same. */
    [[nodiscard]] static juce::String librariesText();

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    juce::StringArray lines;
    LogoComponent logo;
    juce::HyperlinkButton link;
};

} // namespace Work
