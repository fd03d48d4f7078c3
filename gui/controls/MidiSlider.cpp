// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiSlider.h"

#include "LearnClick.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    int defaultFor (MidiSlider::Kind kind)
    {
        return kind == MidiSlider::Kind::volume ? ControlChangeVolumeListener::defaultVolume
                                                : ControlChangePanOrBalanceListener::defaultPanOrBalance;
    }
} // namespace

MidiSlider::MidiSlider (const juce::String& commandName, Kind kind)
    : juce::Slider (commandName)
    , MidiCommands::ControlChangeListener (commandName.toStdString(), true, defaultFor (kind))
{
    ownerComponent = this;
    setRange (0.0, 127.0, 1.0);
    setValue (defaultFor (kind), juce::dontSendNotification);
    setDoubleClickReturnValue (false, 0.0); // a double click is handled below, as the command's reset
    setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);

    if (kind == Kind::volume)
    {
        setSliderStyle (juce::Slider::LinearVertical);
    }
    else
    {
        setSliderStyle (juce::Slider::RotaryVerticalDrag);
        setColour (juce::Slider::rotarySliderFillColourId, Drawing::palette().foreground);
    }

    addListener (this);
}

MidiSlider::~MidiSlider()
{
    removeListener (this);
}

void MidiSlider::mouseDown (const juce::MouseEvent& e)
{
    LearnClick::handle (*this, e);
    dragSuppressed = LearnClick::isPopupClick (e) || learnRequested.load();

    if (! dragSuppressed)
        juce::Slider::mouseDown (e);
}

void MidiSlider::mouseDrag (const juce::MouseEvent& e)
{
    if (! dragSuppressed)
        juce::Slider::mouseDrag (e);
}

void MidiSlider::mouseUp (const juce::MouseEvent& e)
{
    if (! dragSuppressed)
        juce::Slider::mouseUp (e);
    dragSuppressed = false;
}

void MidiSlider::mouseDoubleClick (const juce::MouseEvent&)
{
    resetToDefault();
}

void MidiSlider::sliderValueChanged (juce::Slider*)
{
    guiValue (int (getValue()));
}

} // namespace Work
