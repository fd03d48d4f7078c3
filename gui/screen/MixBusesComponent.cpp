// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MixBusesComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

EffectButton::EffectButton (int bus)
    : text ("No FX")
    , busIndex (bus)
{
    setName ("Bus Effect " + juce::String (bus + 1));
}

juce::String EffectButton::shortened (const juce::String& name)
{
    return name.length() > 12 ? name.substring (0, 10) + ".." : name;
}

void EffectButton::showEffects (const juce::StringArray& names)
{
    hasEffects = ! names.isEmpty();
    text = names.isEmpty() ? juce::String ("No FX")
                           : (names.size() == 1 ? shortened (names[0]) : juce::String (names.size()) + " FX");
    repaint();
}

void EffectButton::mouseUp (const juce::MouseEvent& event)
{
    if (onClick && contains (event.getPosition()))
        onClick();
}

void EffectButton::resized()
{
    Drawing::noteTextHeight (*this, Drawing::textHeight (0.3f, float (getWidth())));
}

void EffectButton::paint (juce::Graphics& g)
{
    const auto& palette = Drawing::palette();
    const auto w = getWidth();
    Drawing::drawButtonFrame (g, w, getHeight(), palette.foreground);
    g.setColour (hasEffects ? juce::Colour (0xffffff00) : palette.foreground);
    g.setFont (juce::Font (Drawing::textHeight (0.3f, float (w)), juce::Font::bold));
    const auto m = int (0.12f * float (w));
    g.drawFittedText (text, m, 0, w - 2 * m, getHeight(), juce::Justification::centred, 1, 0.01f);
}

MixBusComponent::MixBusComponent (const MeterImages& imagesToUse, int bus, bool withName)
    : images (imagesToUse)
    , busIndex (bus)
    , showName (withName)
{
    setName ("Bus " + juce::String (bus + 1));
    volume = std::make_unique<MidiSlider> ("Bus Volume " + juce::String (bus + 1), MidiSlider::Kind::volume);
    effect = std::make_unique<EffectButton> (bus);
    left = std::make_unique<VumeterComponent> (images, true);
    right = std::make_unique<VumeterComponent> (images, true);
    if (bus >= 1)
        toMain = StripButtons::toMain (bus);

    for (auto* child :
         std::initializer_list<juce::Component*> { volume.get(), effect.get(), left.get(), right.get(), toMain.get() })
        if (child != nullptr)
            addAndMakeVisible (child);
}

void MixBusComponent::layoutLike (const LoopChannelComponent& strip, int a, int)
{
    const auto w = strip.getWidth();
    setSize (w, strip.getHeight());
    windowWidth = int (0.78f * float (w));
    windowHeight = strip.getWindowHeight();

    // The two meters either side of the volume slider, evenly spaced in the window.
    const auto sw = images.getStereoWidth();
    const auto sliderWidth = strip.getVolumeBounds().getWidth();
    const auto gap = std::max (0, (windowWidth - 2 * sw - sliderWidth) / 4);
    const auto x0 = (w - windowWidth) / 2 + gap;
    const auto y0 = strip.getMeterBounds().getY();
    left->setBounds (x0, y0, sw, a);
    volume->setBounds (x0 + sw + gap, y0 - a / 20, sliderWidth, a + a / 10);
    right->setBounds (x0 + sw + gap + sliderWidth + gap, y0, sw, a);
    effect->setBounds (strip.getPanBounds());

    if (toMain != nullptr)
    {
        const auto l = std::max (Drawing::smallestControl, int (0.1f * float (a)) / 2 + int (0.24f * float (a)));
        toMain->setSizeAndCreateImages (l, l);
        toMain->setTopLeftPosition ((w - l) / 2, y0 + 3 * int (0.1f * float (a)) / 4 + a);
    }
}

void MixBusComponent::connectCommands (CommandWiring& wiring)
{
    wiring.connect (static_cast<MidiCommands::ControlChangeListener&> (*volume));
    for (auto* meter : { left.get(), right.get() })
    {
        meter->setGuiTimer (&wiring.getTimer());
        wiring.connect (static_cast<GuiTimerClient&> (*meter));
    }
    if (toMain != nullptr)
        wiring.connect (*toMain);
}

void MixBusComponent::linkMixerChannel (MixerChannel* channel)
{
    volume->setTarget (channel != nullptr ? channel->getVolumeListener() : nullptr);
}

void MixBusComponent::paint (juce::Graphics& g)
{
    const auto w = float (getWidth()), h = float (getHeight());
    g.setColour (Drawing::palette().foreground);
    g.fillPath (Drawing::stripPanel (w, h, 0.2f * w, float (windowWidth), float (windowHeight)));
    juce::ignoreUnused (showName, busIndex); // a bus name is shown only beside loop strips with bus selectors
}

MixBusesComponent::MixBusesComponent (const MeterImages& images, int count)
{
    for (int b = 0; b < count; ++b)
    {
        buses.push_back (std::make_unique<MixBusComponent> (images, b, count > 1));
        addAndMakeVisible (*buses.back());
    }
}

void MixBusesComponent::layoutLike (const LoopChannelComponent& strip, int unit, int loopViewHeight)
{
    const auto y = unit / 14;
    int x = 12;

    // Buses 1 and up first, then the main bus after an extra gap.
    for (std::size_t b = 1; b < buses.size(); ++b)
    {
        buses[b]->layoutLike (strip, unit, loopViewHeight);
        buses[b]->setTopLeftPosition (x, y);
        x += buses[b]->getWidth() + 12;
    }

    if (buses.empty())
        return;

    if (buses.size() > 1)
        x += loopViewHeight / 16;

    buses[0]->layoutLike (strip, unit, loopViewHeight);
    buses[0]->setTopLeftPosition (x, y);
    setSize (x + buses[0]->getWidth() + 12, loopViewHeight);
}

int MixBusesComponent::widthFor (int stripWidth, int loopViewHeight) const noexcept
{
    const auto count = int (buses.size());
    return count == 0 ? 0 : 12 + count * (stripWidth + 12) + (count > 1 ? loopViewHeight / 16 : 0);
}

void MixBusesComponent::connectCommands (CommandWiring& wiring)
{
    for (auto& bus : buses)
        bus->connectCommands (wiring);
}

void MixBusesComponent::linkMixerChannels (MixerChannelSet* busChannels)
{
    for (std::size_t b = 0; b < buses.size(); ++b)
        buses[b]->linkMixerChannel (busChannels != nullptr ? busChannels->getChannel (int (b)) : nullptr);
}

void MixBusesComponent::resetVolumes()
{
    for (auto& bus : buses)
        bus->getVolumeSlider().midiValue (ControlChangeVolumeListener::defaultVolume);
}

void MixBusesComponent::showEffects (const std::vector<juce::StringArray>& namesPerBus)
{
    for (std::size_t b = 0; b < buses.size(); ++b)
        buses[b]->getEffectButton().showEffects (b < namesPerBus.size() ? namesPerBus[b] : juce::StringArray());
}

void MixBusesComponent::requestToMainOff (int bus)
{
    if (bus >= 0 && bus < int (buses.size()))
        if (auto* button = buses[std::size_t (bus)]->getToMainButton())
            button->guiSetState (juce::Time::currentTimeMillis(), false);
}

void MixBusesComponent::show (const LooperView& view, std::int64_t nowMs)
{
    for (std::size_t b = 0; b < buses.size() && b < std::size_t (LooperState::maxBuses); ++b)
        if (auto* button = buses[b]->getToMainButton())
            button->showState ((view.toMainOn & (std::uint32_t (1) << b)) != 0, nowMs);
}

std::vector<VumeterComponent*> MixBusesComponent::getMeters() const
{
    std::vector<VumeterComponent*> meters;
    for (auto& bus : buses)
        for (auto* meter : bus->getMeters())
            meters.push_back (meter);
    return meters;
}

} // namespace Work
