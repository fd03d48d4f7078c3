// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LoopInfoComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    constexpr auto twoPi = juce::MathConstants<float>::twoPi;
    constexpr auto quarter = juce::MathConstants<float>::halfPi;
    constexpr auto snap = juce::MathConstants<float>::pi / 200.0f;

    int quadrantOf (float radians) noexcept
    {
        return juce::jlimit (0, 3, int (radians / quarter));
    }
} // namespace

LoopCursorComponent::LoopCursorComponent()
{
    setInterceptsMouseClicks (false, false);
}

juce::String LoopCursorComponent::modeText (LoopKind kind, int multiplier)
{
    switch (kind)
    {
        case LoopKind::wholeCycle: return {};
        case LoopKind::free: return "free";
        case LoopKind::oneMain: return "1";
        case LoopKind::halfMain: return "1/2";
        case LoopKind::thirdMain: return "1/3";
        case LoopKind::quarterMain: return "1/4";
        case LoopKind::halfCycle: return "1/2 of " + juce::String (multiplier);
        case LoopKind::thirdCycle: return "1/3 of " + juce::String (multiplier);
        case LoopKind::quarterCycle: return "1/4 of " + juce::String (multiplier);
    }
    return {};
}

void LoopCursorComponent::setMode (LoopKind kind, int multiplier)
{
    if (kind == mode && multiplier == number)
        return;

    mode = kind;
    number = multiplier;
    repaint();
}

juce::Rectangle<int> LoopCursorComponent::regionToRepaint (float from, float to, int w, int h) noexcept
{
    const auto qa = quadrantOf (to), qs = quadrantOf (from);
    const auto w2 = w / 2 + 1, h2 = h / 2 + 1;

    if (qa == qs)
    {
        switch (qa)
        {
            case 0: return { w / 2, 0, w2, h2 };
            case 1: return { w / 2, h / 2, w2, h2 };
            case 2: return { 0, h / 2, w2, h2 };
            default: return { 0, 0, w2, h2 };
        }
    }

    const auto low = std::min (qa, qs), high = std::max (qa, qs);
    if (low == 0 && high == 1)
        return { w / 2, 0, w2, h };
    if (low == 1 && high == 2)
        return { 0, h / 2, w, h2 };
    if (low == 2 && high == 3)
        return { 0, 0, w2, h };
    return { 0, 0, w, h }; // a wrap or a jump of more than a quarter
}

void LoopCursorComponent::resized()
{
    Drawing::noteTextHeight (*this, Drawing::textHeight (0.2f, float (getWidth())));
}

void LoopCursorComponent::guiTimerCallback (std::int64_t, int)
{
    if (angle == shownAngle)
        return;

    repaint (regionToRepaint (shownAngle, angle, getWidth(), getHeight()));
    shownAngle = angle;
}

void LoopCursorComponent::paint (juce::Graphics& g)
{
    const auto& palette = Drawing::palette();
    const auto w = float (getWidth());
    const auto ratio = mode == LoopKind::wholeCycle ? innerRatio : (innerRatio + 2.0f) / 3.0f;

    juce::Path ring;
    ring.addPieSegment (0.0f, 0.0f, w, w, 0.0f, twoPi, ratio);
    g.setColour (palette.foreground);
    g.fillPath (ring);

    if (const auto text = modeText (mode, number); text.isNotEmpty())
    {
        g.setColour (juce::Colour (0xffffff00));
        g.setFont (juce::Font (Drawing::textHeight (0.2f, w), juce::Font::bold));
        g.drawFittedText (text, int (0.15f * w), int (0.15f * w), int (0.7f * w), int (0.7f * w),
                          juce::Justification::centred, 2, 0.7f);
    }

    // The progress: nothing just after 12 o'clock, exact quarters near them, the whole ring at the end.
    auto shown = angle;
    for (auto q : { quarter, 2.0f * quarter, 3.0f * quarter })
        if (std::abs (shown - q) < snap)
            shown = q;

    if (shown >= snap)
    {
        juce::Path sector;
        sector.addPieSegment (0.0f, 0.0f, w, w, 0.0f, shown > twoPi - snap ? twoPi : shown, ratio);
        g.setColour (palette.foreground.brighter (0.3f));
        g.fillPath (sector);
    }

    shownAngle = angle;
}

LoopInfoComponent::LoopInfoComponent()
{
    setName ("Loop Info");
    cursor.setName ("Loop Ring");
    const auto& palette = Drawing::palette();
    counterA = std::make_unique<FadeLabelComponent> (palette.highlight, palette.foreground, palette.background, 1000);
    counterB = std::make_unique<FadeLabelComponent> (palette.highlight, palette.foreground, palette.background, 1000);
    counterA->setName ("Cycle Counter");
    counterB->setName ("Multiplier Counter");
    addAndMakeVisible (cursor);
    addAndMakeVisible (*counterA);
    addAndMakeVisible (*counterB);
    addAndMakeVisible (light);
    setCounterA (0);
    setCounterB (0);
}

void LoopInfoComponent::layoutForUnit (int a)
{
    const auto m = int (0.3f * float (a)), r = int (1.5f * float (a)), t = int (2.5f * float (a));
    const auto e = int (0.8f * float (a)), f = int (0.7f * float (a));
    setSize (t, m + r);
    cursor.setBounds (0, 0, r, r);
    counterA->setBounds (r + int (0.1f * float (a)), 0, e, e);
    counterB->setBounds (r + int (0.35f * float (a)), e, f, f);
    light.setBoundsAndCreateImages (0, m / 3 + r, t, m / 3);
}

void LoopInfoComponent::connectTimerClients (std::function<void (GuiTimerClient&)> connect)
{
    connect (cursor);
    connect (*counterA);
    connect (*counterB);
}

void LoopInfoComponent::show (const LooperView& view)
{
    // Before a main loop is finished the cycle is 0: the ring empty, the counters at 0.
    const auto& state = view.state;
    setRunning (state.playing);
    cursor.setAngle (float (state.cycleAngle) / 255.0f * twoPi);
    cursor.setMode (state.nextLoop, state.multiplier);
    setCounterA (state.cycleNumber);
    setCounterB (state.multiplier);
}

void LoopInfoComponent::setCounterA (int cycle)
{
    if (cycle != shownA)
    {
        shownA = cycle;
        counterA->showText (juce::String (cycle));
    }
}

void LoopInfoComponent::setCounterB (int multiplier)
{
    if (multiplier != shownB)
    {
        shownB = multiplier;
        counterB->showText (juce::String (multiplier));
    }
}

} // namespace Work
