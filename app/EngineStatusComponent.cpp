#include "EngineStatusComponent.h"

#include "gui/ColourPalette.h"

namespace Work
{

EngineStatusComponent::EngineStatusComponent()
{
    const auto highlight =
        ColourPalette::getInstance() != nullptr ? ColourPalette::getInstance()->highlight : juce::Colours::yellow;
    notice.setColour (juce::Label::textColourId, highlight);
    notice.setJustificationType (juce::Justification::centredLeft);
    deviceStatus.setColour (juce::Label::textColourId, juce::Colours::lightgrey);
    deviceStatus.setFont (juce::Font (12.0f));
    addAndMakeVisible (notice);
    addAndMakeVisible (deviceStatus);
}

void EngineStatusComponent::setDeviceStatus (const juce::String& text)
{
    deviceStatus.setText (text, juce::dontSendNotification);
}

void EngineStatusComponent::resized()
{
    notice.setBounds (5, 0, getWidth() - 10, juce::jmax (16, int (0.03 * getHeight())));
    deviceStatus.setBounds (0, getHeight() - 18, getWidth() - 250, 16);
}

void EngineStatusComponent::paint (juce::Graphics& g)
{
    g.fillAll (ColourPalette::backgroundColour());
}

} // namespace Work
