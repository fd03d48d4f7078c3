// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "FadeLabelComponent.h"

namespace Work
{

FadeLabelComponent::FadeLabelComponent (juce::Colour start, juce::Colour end, juce::Colour background, unsigned int fade)
    : startColour (start)
    , endColour (end)
    , fadeMs (std::max (1u, fade))
{
    label.setEditable (false);
    label.setJustificationType (juce::Justification::centred);
    label.setColour (juce::Label::textColourId, endColour);
    label.setColour (juce::Label::backgroundColourId, background);
    label.setBorderSize ({});
    label.setMinimumHorizontalScale (0.5f);
    label.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (label);
}

void FadeLabelComponent::showText (const char* text)
{
    showText (text != nullptr ? juce::String::fromUTF8 (text) : juce::String());
}

void FadeLabelComponent::showText (const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    finished = false;
    startPending = true; // the fade starts at the next tick's time
}

void FadeLabelComponent::resized()
{
    label.setBounds (getLocalBounds());
    label.setFont (juce::Font (float (std::max (1, getHeight())), juce::Font::bold));
}

void FadeLabelComponent::guiTimerCallback (std::int64_t nowMs, int)
{
    if (finished)
        return;

    if (startPending)
    {
        fadeStart = nowMs;
        startPending = false;
    }

    auto p = float (nowMs - fadeStart) / float (fadeMs);

    if (p > 1.0f)
    {
        p = 1.0f;
        finished = true;
    }

    label.setColour (juce::Label::textColourId, startColour.interpolatedWith (endColour, p));
}

} // namespace Work
