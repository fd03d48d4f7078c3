// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiSliders.h"

#include "ColourPalette.h"
#include "Drawing.h"
#include "LearnClick.h"

namespace Work
{

MidiSlider::MidiSlider (const juce::String& commandName, bool shareable, int initialValue)
    : juce::Slider (commandName)
    , MidiCommands::ControlChangeListener (commandName.toStdString(), shareable, initialValue)
{
    ownerComponent = this;
    setRange (0.0, 127.0, 1.0);
    setValue (initialValue, juce::dontSendNotification);
    setDoubleClickReturnValue (false, 0.0); // a double click is handled below, as the command's reset
    setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
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

VolumeSlider::VolumeSlider (const juce::String& commandName)
    : MidiSlider (commandName, true, ControlChangeVolumeListener::defaultVolume)
{
    setSliderStyle (juce::Slider::LinearVertical);
}

PanOrBalanceSlider::PanOrBalanceSlider (const juce::String& commandName)
    : MidiSlider (commandName, true, ControlChangePanOrBalanceListener::defaultPanOrBalance)
{
    setSliderStyle (juce::Slider::RotaryVerticalDrag);
    setColour (juce::Slider::rotarySliderFillColourId, Drawing::palette().foreground);
}

} // namespace Work
