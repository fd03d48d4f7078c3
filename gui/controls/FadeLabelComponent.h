// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/GuiTimerClient.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A one-line text that lights up when it changes and fades back: shown in the start colour,
    it turns into the end colour over fadeMs, recomputed on every GUI tick until the fade ends;
    after that a tick costs nothing. Used for the looper's notices and the loop counters.
    [message] */
class FadeLabelComponent final
    : public juce::Component
    , public GuiTimerClient
{
public:
    FadeLabelComponent (juce::Colour startColour, juce::Colour endColour, juce::Colour backgroundColour,
                        unsigned int fadeMs);

    /** Shows text (nothing for null) and starts the fade; the colour changes on the next tick. */
    void showText (const char* text);
    void showText (const juce::String& text);

    void setJustification (juce::Justification justification) { label.setJustificationType (justification); }

    [[nodiscard]] juce::String getText() const { return label.getText(); }
    [[nodiscard]] juce::Colour getTextColour() const { return label.findColour (juce::Label::textColourId); }
    [[nodiscard]] bool isFading() const noexcept { return ! finished; }

    void resized() override;
    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;

private:
    juce::Label label;
    juce::Colour startColour, endColour;
    unsigned int fadeMs;
    std::int64_t fadeStart = 0;
    bool finished = true;
    bool startPending = false;
};

} // namespace Work
