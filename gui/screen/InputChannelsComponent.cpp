// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "InputChannelsComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    /** The red glow of a recording strip: white at the centre, yellow, red at the corner. */
    juce::ColourGradient recordingGradient (float width, float height)
    {
        auto gradient = Drawing::litGradient (width, height, juce::Colours::white, juce::Colour (0xffff0000));
        gradient.addColour (0.7, juce::Colour (0xffffff00));
        return gradient;
    }

    int even (int width)
    {
        return width % 2 == 1 ? width + 1 : width;
    }
} // namespace

InputChannelComponent::InputChannelComponent (const MeterImages& imagesToUse, juce::Colour c, bool mono, int inputBus,
                                              int cursorIndex)
    : images (imagesToUse)
    , colour (c)
{
    setName ("Input " + juce::String (inputBus + 1));
    for (int m = 0; m < (mono ? 1 : 2); ++m)
    {
        meters.push_back (std::make_unique<VumeterComponent> (images, ! mono));
        meters.back()->setName ("Input " + juce::String (inputBus + 1) + " Meter" + (mono ? "" : (m == 0 ? " L" : " R")));
        addAndMakeVisible (*meters.back());
    }

    punch = makePunchButton (inputBus, mono ? 1 : 2, cursorIndex);
    punch->onStateShown = [this] (bool on) {
        recording = on;
        repaint();
    };
    addAndMakeVisible (*punch);
}

void InputChannelComponent::layoutFor (int width, int a)
{
    // The punch button grows with the strip up to 0.6 of the unit; its label stays readable.
    const auto q = int (0.3f * float (a)), g = int (0.1f * float (a));
    const auto e = even (width);
    const auto d = std::max (2 * Drawing::smallestControl, std::min (int (0.62f * float (e)), int (0.6f * float (a))));
    setSize (e, 2 * q + d + a + 3 * g);

    punch->setSizeAndCreateImages (d, d);
    punch->setTopLeftPosition ((e - d) / 2, q + 2 * g + a);
    windowWidth = int (0.78f * float (e));
    windowHeight = d + 3 * g + a;

    if (meters.size() == 1)
    {
        meters[0]->setBounds ((e - images.getMonoWidth()) / 2, q + g, images.getMonoWidth(), a);
    }
    else
    {
        const auto s = int (0.18f * float (e)), sw = images.getStereoWidth();
        meters[0]->setBounds ((e - s) / 2 - sw, q + g, sw, a);
        meters[1]->setBounds ((e + s) / 2, q + g, sw, a);
    }
}

void InputChannelComponent::paint (juce::Graphics& g)
{
    const auto w = float (getWidth()), h = float (getHeight());
    const auto panel = Drawing::stripPanel (w, h, 0.2f * w, float (windowWidth), float (windowHeight));

    if (recording)
        g.setGradientFill (recordingGradient (w, h));
    else
        g.setColour (colour);

    g.fillPath (panel);
}

InputChannelsComponent::InputChannelsComponent (MeterImages& imagesToUse, int count, bool mono, int cursorIndex,
                                                int firstBusToUse, bool isFramed)
    : images (imagesToUse)
    , firstBus (firstBusToUse)
    , framed (isFramed)
{
    for (int i = 0; i < count; ++i)
    {
        inputs.push_back (std::make_unique<InputChannelComponent> (images, Drawing::palette().channelColour (firstBus + i),
                                                                   mono, firstBus + i, cursorIndex));
        addAndMakeVisible (*inputs.back());
    }
}

void InputChannelsComponent::layoutFor (int unit, int stripWidth)
{
    images.setUnit (unit);

    int x = 12, height = 0;
    for (auto& input : inputs)
    {
        input->layoutFor (stripWidth, unit);
        input->setTopLeftPosition (x, 8);
        x += input->getWidth() + 12;
        height = input->getHeight();
    }

    setSize (x, 8 + height + 8);
}

void InputChannelsComponent::connectCommands (CommandWiring& wiring)
{
    for (auto& input : inputs)
    {
        wiring.connect (input->getPunchButton());
        for (auto& meter : input->getMeters())
        {
            meter->setGuiTimer (&wiring.getTimer());
            wiring.connect (*meter);
        }
    }
}

void InputChannelsComponent::show (const LooperView& view, std::int64_t nowMs)
{
    const auto mask = view.state.recordingInputs;
    for (std::size_t i = 0; i < inputs.size(); ++i)
    {
        const auto bus = firstBus + int (i);
        inputs[i]->getPunchButton().showState (bus < 32 && (mask & (std::uint32_t (1) << bus)) != 0, nowMs);
    }
}

std::vector<VumeterComponent*> InputChannelsComponent::getMeters() const
{
    std::vector<VumeterComponent*> all;
    for (auto& input : inputs)
        for (auto& meter : input->getMeters())
            all.push_back (meter.get());
    return all;
}

void InputChannelsComponent::paint (juce::Graphics& g)
{
    if (! framed)
        return;

    juce::Path frame;
    Drawing::addRoundedFrame (frame, 0.0f, 0.0f, float (getWidth()), float (getHeight()), 12.0f, 3.0f);
    g.setColour (juce::Colour (0xffffff00));
    g.fillPath (frame);
}

} // namespace Work
