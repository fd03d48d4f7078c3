// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LoopChannelsComponent.h"

#include "gui/controls/LearnClick.h"
#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    const juce::String busNames[] = { "A", "B", "C", "D" };

    juce::ColourGradient recordingGradient (float width, float height)
    {
        auto gradient = Drawing::litGradient (width, height, juce::Colours::white, juce::Colour (0xffff0000));
        gradient.addColour (0.7, juce::Colour (0xffffff00));
        return gradient;
    }
} // namespace

LoopChannelComponent::LoopChannelComponent (const MeterImages& imagesToUse, int index, int busCount)
    : MidiCommands::SimpleCommand ("Loop Channel " + std::to_string (index + 1), false, { CommandCode::stripClick, index })
    , images (imagesToUse)
    , channelIndex (index)
{
    ownerComponent = this;
    setName ("Loop Channel " + juce::String (index + 1));
    meter = std::make_unique<VumeterComponent> (images, false);
    meter->setName ("Loop " + juce::String (index + 1) + " Meter");
    addAndMakeVisible (*meter);

    mute = StripButtons::mute (index);
    solo = StripButtons::solo (index);
    volume = std::make_unique<MidiSlider> ("Loop Volume " + juce::String (index + 1), MidiSlider::Kind::volume);
    pan = std::make_unique<MidiSlider> ("Loop Pan " + juce::String (index + 1), MidiSlider::Kind::panOrBalance);

    for (auto* child : std::initializer_list<juce::Component*> { mute.get(), solo.get(), volume.get(), pan.get() })
        addAndMakeVisible (child);

    if (busCount >= 2)
        for (int b = 0; b < busCount; ++b)
        {
            busSelectors.push_back (StripButtons::busSelector (b < 4 ? busNames[b] : juce::String (b + 1), index, b));
            addAndMakeVisible (*busSelectors.back());
        }
}

int LoopChannelComponent::lampSizeFor (int width, int a) noexcept
{
    return std::max (Drawing::smallestControl, std::min (int (0.32f * float (width)), int (0.36f * float (a))));
}

int LoopChannelComponent::heightFor (int w, int a) const noexcept
{
    const auto h = lampSizeFor (w, a), l = int (0.1f * float (a)), q = int (0.3f * float (a));
    const auto u = busSelectors.size() < 2 ? 0 : int ((busSelectors.size() + 1) / 2) * (l + h);
    return a + h + a / 2 + 4 * l + 2 * q + u;
}

void LoopChannelComponent::layoutFor (int w, int a)
{
    const auto h = lampSizeFor (w, a), l = int (0.1f * float (a)), q = int (0.3f * float (a));
    const auto u = busSelectors.size() < 2 ? 0 : int ((busSelectors.size() + 1) / 2) * (l + h);
    setSize (w, heightFor (w, a));

    windowWidth = int (0.78f * float (w));
    windowHeight = h + 3 * l + a + u + l + a / 2;

    auto t = l + q + u;
    pan->setBounds ((w - a / 2) / 2, t, a / 2, a / 2);
    t += l + a / 2;

    // The meter and the volume slider side by side, evenly spaced in the window; the slider is
    // as wide as a finger needs, whatever the meter.
    const auto mw = images.getMonoWidth();
    const auto sliderWidth = std::max (Drawing::smallestControl, int (0.22f * float (w)));
    const auto gap = std::max (0, (windowWidth - mw - sliderWidth) / 3);
    const auto meterX = gap + (w - windowWidth) / 2;
    meter->setBounds (meterX, t, mw, a);
    volume->setBounds (meterX + mw + gap, t - a / 20, sliderWidth, a + a / 10);

    // Mute and solo side by side under them, a little apart.
    const auto leftX = w / 2 - h - std::max (1, w / 50), rightX = w - w / 2 + std::max (1, w / 50);
    mute->setSizeAndCreateImages (h, h);
    mute->setTopLeftPosition (leftX, l + t + a);
    solo->setSizeAndCreateImages (h, h);
    solo->setTopLeftPosition (rightX, l + t + a);

    // Bus selectors fill the top of the window in rows of two, under the mute and solo columns;
    // with an odd count the first one sits between the columns.
    const auto top = (getHeight() - windowHeight) / 2 + l;
    std::size_t next = 0;
    int row = 0;
    if (busSelectors.size() % 2 == 1)
    {
        busSelectors[0]->setSizeAndCreateImages (h, h);
        busSelectors[0]->setTopLeftPosition ((w - h) / 2, top);
        next = 1;
        row = 1;
    }
    for (; next < busSelectors.size(); next += 2, ++row)
    {
        busSelectors[next]->setSizeAndCreateImages (h, h);
        busSelectors[next]->setTopLeftPosition (leftX, top + row * (l + h));
        if (next + 1 < busSelectors.size())
        {
            busSelectors[next + 1]->setSizeAndCreateImages (h, h);
            busSelectors[next + 1]->setTopLeftPosition (rightX, top + row * (l + h));
        }
    }
}

void LoopChannelComponent::connectCommands (CommandWiring& wiring)
{
    wiring.connect (*mute);
    wiring.connect (*solo);
    wiring.connect (static_cast<MidiCommands::ControlChangeListener&> (*volume));
    wiring.connect (static_cast<MidiCommands::ControlChangeListener&> (*pan));
    meter->setGuiTimer (&wiring.getTimer());
    wiring.connect (static_cast<GuiTimerClient&> (*meter));
    for (auto& selector : busSelectors)
        wiring.connect (*selector);
}

void LoopChannelComponent::linkMixerChannel (MixerChannel* channel)
{
    volume->setTarget (channel != nullptr ? channel->getVolumeListener() : nullptr);
    pan->setTarget (channel != nullptr ? channel->getPanOrBalanceListener() : nullptr);
}

void LoopChannelComponent::show (const LooperView& view, std::int64_t nowMs)
{
    const auto bit = channelIndex < LooperState::maxBuses ? std::uint32_t (1) << channelIndex : 0u;
    const auto sources = channelIndex < LooperState::maxBuses ? view.state.sources[std::size_t (channelIndex)] : 0u;
    const bool isRecording = (view.state.recordingOutputs & bit) != 0;
    const bool isDimmed = (view.dimmed & bit) != 0;

    if (sources != sourceMask || isRecording != recording || isDimmed != dimmed)
    {
        sourceMask = sources;
        recording = isRecording;
        dimmed = isDimmed;
        repaint();
    }

    mute->showState ((view.state.muted & bit) != 0, nowMs);
    solo->showState ((view.state.soloed & bit) != 0, nowMs);
    if (channelIndex < LooperState::maxBuses)
        selectBus (view.routedBus[std::size_t (channelIndex)], nowMs);
}

void LoopChannelComponent::resetBusSelection (std::int64_t nowMs)
{
    selectBus (0, nowMs);
}

void LoopChannelComponent::selectBus (int bus, std::int64_t nowMs)
{
    for (std::size_t b = 0; b < busSelectors.size(); ++b)
        busSelectors[b]->showState (int (b) == bus, nowMs);
}

void LoopChannelComponent::paint (juce::Graphics& g)
{
    const auto& palette = Drawing::palette();
    const auto w = float (getWidth()), h = float (getHeight());
    const auto panel = Drawing::stripPanel (w, h, 0.2f * w, float (windowWidth), float (windowHeight));

    if (recording)
    {
        g.setGradientFill (recordingGradient (w, h));
        g.fillPath (panel);
        return;
    }

    std::vector<juce::Colour> colours;
    for (int bit = 0; bit < ColourPalette::numChannelColours && colours.size() < 4; ++bit)
        if ((sourceMask & (std::uint32_t (1) << bit)) != 0)
            colours.push_back (dimmed ? palette.channelColour (bit).interpolatedWith (palette.background, 0.7f)
                                      : palette.channelColour (bit));

    if (colours.empty())
        g.setColour (palette.foreground);
    else if (colours.size() == 1)
        g.setColour (colours[0]);
    else
    {
        // Diagonal stripes in the colours of the inputs sounding here, from the bottom right.
        juce::ColourGradient stripes (colours[0], w, h, colours.back(), 0.0f, 0.0f, false);
        if (colours.size() == 2)
        {
            stripes.addColour (0.45, colours[0]);
            stripes.addColour (0.55, colours[1]);
        }
        else if (colours.size() == 3)
        {
            for (auto [position, index] : { std::pair { 0.3, 0 }, { 0.4, 1 }, { 0.6, 1 }, { 0.7, 2 } })
                stripes.addColour (position, colours[std::size_t (index)]);
        }
        else
        {
            for (auto [position, index] :
                 { std::pair { 0.2, 0 }, { 0.3, 1 }, { 0.45, 1 }, { 0.55, 2 }, { 0.7, 2 }, { 0.8, 3 } })
                stripes.addColour (position, colours[std::size_t (index)]);
        }
        g.setGradientFill (stripes);
    }

    g.fillPath (panel);
}

void LoopChannelComponent::mouseDown (const juce::MouseEvent& e)
{
    if (! LearnClick::handle (*this, e))
        guiTriggered (juce::Time::currentTimeMillis());
}

LoopChannelsComponent::LoopChannelsComponent (const MeterImages& images, int channelCount, int busCount,
                                              std::uint32_t cursorWord, int cursorCountToUse)
    : cursorCount (cursorCountToUse)
    // Every cursor is placed afresh by the first view.
    , shown (CursorWord::withByte (CursorWord::withByte (cursorWord, 0, CursorWord::none), 1, CursorWord::none))
{
    setName ("Loop Channels");
    for (int i = 0; i < channelCount; ++i)
    {
        strips.push_back (std::make_unique<LoopChannelComponent> (images, i, busCount));
        addAndMakeVisible (*strips.back());
    }

    for (int k = 0; k < cursorCount; ++k)
        for (bool forward : { false, true })
        {
            cursorButtons.push_back (std::make_unique<DirectionCursorButton> (k, forward));
            addChildComponent (*cursorButtons.back());
        }

    resetBusSelection (juce::Time::currentTimeMillis());
}

LoopChannelsComponent::~LoopChannelsComponent() = default;

int LoopChannelsComponent::widthFor (int stripWidth) const noexcept
{
    const auto count = int (strips.size());
    const auto splitIndex = CursorWord::byteOf (shown, 2);
    const bool split = splitIndex >= 0 && splitIndex < count;
    return count == 0 ? 0 : 12 + (count - 1) * (stripWidth + 12) + (split ? groupGap : 0) + stripWidth * 3 / 2;
}

void LoopChannelsComponent::layoutFor (int a, int stripWidth)
{
    unit = a;
    const auto top = a / 14;

    for (auto& strip : strips)
    {
        strip->layoutFor (stripWidth, a);
        strip->setTopLeftPosition (strip->getX(), top);
    }

    arrangeStrips();

    const auto stripHeight = strips.empty() ? 0 : strips.front()->getHeight();
    const auto buttonWidth = std::max (Drawing::smallestControl + 8, int (0.32f * float (a)));
    const auto buttonHeight = std::max (Drawing::smallestControl, int (0.21f * float (a)));
    for (auto& button : cursorButtons)
    {
        button->setSizeAndCreateImages (buttonWidth, buttonHeight);
        button->setTopLeftPosition (button->getX(), 2 * top + stripHeight);
    }

    const auto* last = strips.empty() ? nullptr : strips.back().get();
    setSize (last != nullptr ? last->getX() + last->getWidth() * 3 / 2 : 0, buttonHeight + 3 * top + stripHeight);

    for (int k = 0; k < cursorCount; ++k)
        placeCursorButtons (k);
}

void LoopChannelsComponent::arrangeStrips()
{
    const auto split = CursorWord::byteOf (shown, 2);
    int x = 12;

    for (std::size_t i = 0; i < strips.size(); ++i)
    {
        if (int (i) == split)
            x += groupGap;
        if (strips[i]->getX() != x)
            strips[i]->setTopLeftPosition (x, strips[i]->getY());
        x += strips[i]->getWidth() + 12;
    }
}

void LoopChannelsComponent::placeCursorButtons (int k)
{
    const auto index = CursorWord::byteOf (shown, k);
    auto& back = *cursorButtons[std::size_t (2 * k)];
    auto& forward = *cursorButtons[std::size_t (2 * k + 1)];
    const bool valid = index >= 0 && index < int (strips.size());

    back.setVisible (valid);
    forward.setVisible (valid);

    if (valid)
    {
        const auto& strip = *strips[std::size_t (index)];
        back.setTopLeftPosition (strip.getX(), back.getY());
        forward.setTopLeftPosition (strip.getRight() - forward.getWidth(), forward.getY());
    }

    repaint();
}

void LoopChannelsComponent::show (const LooperView& view, std::int64_t nowMs)
{
    for (auto& strip : strips)
        strip->show (view, nowMs);

    showCursors (view.cursors);
}

void LoopChannelsComponent::showCursors (std::uint32_t word)
{
    if (word == shown)
        return;

    const auto before = shown;
    shown = word;
    if (onCursorsShown)
        onCursorsShown (shown);

    const bool layoutChanged = CursorWord::byteOf (word, 2) != CursorWord::byteOf (before, 2)
                               || CursorWord::byteOf (word, 3) != CursorWord::byteOf (before, 3);
    if (layoutChanged)
        arrangeStrips();

    for (int k = 0; k < cursorCount; ++k)
        if (layoutChanged || CursorWord::byteOf (word, k) != CursorWord::byteOf (before, k))
            placeCursorButtons (k);
}

void LoopChannelsComponent::paint (juce::Graphics& g)
{
    g.setColour (juce::Colour (0xffffff00));

    for (int k = 0; k < cursorCount; ++k)
    {
        const auto index = CursorWord::byteOf (shown, k);
        if (index < 0 || index >= int (strips.size()))
            continue;

        const auto& strip = *strips[std::size_t (index)];
        juce::Path frame;
        Drawing::addRoundedFrame (frame, float (strip.getX() - 6), 0.0f, float (strip.getWidth() + 12), float (getHeight()),
                                  12.0f, 3.0f);
        g.fillPath (frame);
    }
}

void LoopChannelsComponent::connectCommands (CommandWiring& wiring)
{
    for (auto& strip : strips)
    {
        strip->connectCommands (wiring);
        wiring.connect (static_cast<MidiCommands::SimpleCommand&> (*strip));
    }

    for (auto& button : cursorButtons)
        wiring.connect (*button);
}

void LoopChannelsComponent::linkMixerChannels (MixerChannelSet* loopChannels)
{
    for (std::size_t k = 0; k < strips.size(); ++k)
        strips[k]->linkMixerChannel (loopChannels != nullptr ? loopChannels->getChannel (int (k)) : nullptr);
}

void LoopChannelsComponent::resetMix()
{
    for (auto& strip : strips)
    {
        strip->getVolumeSlider().midiValue (ControlChangeVolumeListener::defaultVolume);
        strip->getPanSlider().midiValue (ControlChangePanOrBalanceListener::defaultPanOrBalance);
    }
}

void LoopChannelsComponent::resetBusSelection (std::int64_t nowMs)
{
    for (auto& strip : strips)
        strip->resetBusSelection (nowMs);
}

std::vector<VumeterComponent*> LoopChannelsComponent::getMeters() const
{
    std::vector<VumeterComponent*> meters;
    for (auto& strip : strips)
        meters.push_back (&strip->getMeter());
    return meters;
}

} // namespace Work
