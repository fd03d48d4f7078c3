// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"
#include "midi/TapTempo.h"

namespace Work
{

MidiLight::MidiLight (Mode modeToUse, juce::Colour litColour, juce::Colour restColour)
    : current (restColour)
    , lit (litColour)
    , rest (restColour)
    , lastPulse (juce::Time::currentTimeMillis())
    , mode (modeToUse)
{
    setInterceptsMouseClicks (false, false);
}

void MidiLight::show (juce::Colour colour)
{
    if (colour != current)
    {
        current = colour;
        repaint();
    }
}

void MidiLight::update (std::int64_t nowMs)
{
    if (mode == Mode::state)
    {
        const bool requested = requestedState.load (std::memory_order_relaxed);
        if (requested != shownState)
        {
            shownState = requested;
            if (requested)
            {
                fading = false;
                show (lit);
            }
            else
            {
                fading = true;
                lastPulse = nowMs;
            }
        }
    }
    else if (pulses.peekCount() > 0)
    {
        while (pulses.pop() != nullptr)
        {
        }
        lastPulse = nowMs;
        fading = true;
    }

    if (! fading)
        return;

    const auto p = juce::jmax (0.0f, float (nowMs - lastPulse) / float (fadeMs));
    if (p > 1.0f)
    {
        fading = false;
        show (rest);
        return;
    }

    show (lit.interpolatedWith (rest, p));
}

void MidiLight::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    g.setColour (current);
    g.fillRoundedRectangle (bounds, std::min (bounds.getWidth(), bounds.getHeight()) / 4.0f);
}

MidiComponent::MidiComponent()
    // At rest each light shows its own colour dimmed, so on a dark stage it can be found, and
    // off reads as off rather than as missing.
    : input (MidiLight::Mode::activity, juce::Colour (0xff00ff00), juce::Colour (0xff00ff00).withMultipliedBrightness (0.3f))
    , output (MidiLight::Mode::state, juce::Colour (0xffffa500), juce::Colour (0xffffa500).withMultipliedBrightness (0.3f))
{
    const auto& palette = Drawing::palette();
    linkButton = std::make_unique<LampButton> (
        LampButton::Definition { "Link Session",
                                 { CommandCode::link },
                                 LampButton::ModeField::first,
                                 false,
                                 true,
                                 LampButton::FlashMode::always,
                                 { juce::Colour (0xff40c0ff), 0.5f, 0.6f, 0.9f, 0.3f, false, 0.32f },
                                 "Link" });
    linkButton->setTooltip ("Link: lit while the program shares tempo and beat with the Link programs on the network. "
                            "Click to join or leave; a right click learns a MIDI control for it.");
    addAndMakeVisible (*linkButton);

    for (auto* label : { &title, &inLabel, &outLabel, &tempoLabel, &beatsLabel, &linkLabel })
    {
        label->setColour (juce::Label::textColourId, palette.highlight.interpolatedWith (palette.foreground, 0.3f));
        label->setJustificationType (juce::Justification::centred);
        label->setInterceptsMouseClicks (false, false);
        label->setBorderSize ({});
        addAndMakeVisible (label);
    }

    title.setText ("MIDI", juce::dontSendNotification);
    inLabel.setText ("in", juce::dontSendNotification);
    outLabel.setText ("out", juce::dontSendNotification);
    tempoLabel.setName ("Tempo");
    beatsLabel.setName ("Beats Per Bar");
    linkLabel.setName ("Link Peers");
    linkLabel.setText ("off", juce::dontSendNotification);
    output.setName ("MIDI Clock Output");
    output.setInterceptsMouseClicks (false, false);
    output.getProperties().set ("control", true); // the panel takes its clicks
    showTempo (0);
    showBeatsPerBar (beatsPerBar);
    addAndMakeVisible (input);
    addAndMakeVisible (output);
}

void MidiComponent::showTempo (int tempoMilliBpm)
{
    tempoLabel.setText (tempoMilliBpm > 0 ? juce::String ((tempoMilliBpm + 500) / 1000) + " bpm" : juce::String ("- bpm"),
                        juce::dontSendNotification);
}

void MidiComponent::show (const LooperView& view)
{
    // In a Link session the tempo is the session's.
    showTempo (view.linkJoined && view.linkTempoMilliBpm > 0 ? view.linkTempoMilliBpm : view.tempoMilliBpm);
    linkButton->showState (view.linkJoined, juce::Time::currentTimeMillis());
    const auto peers = view.linkPeers == 1 ? juce::String ("1 peer") : juce::String (view.linkPeers) + " peers";
    linkLabel.setText (view.linkJoined ? peers : juce::String ("off"), juce::dontSendNotification);
    if (view.clockBeatsPerBar > 0 && view.clockBeatsPerBar != beatsPerBar)
        showBeatsPerBar (view.clockBeatsPerBar);
    setOutputState (view.clockOutputOn);
}

void MidiComponent::showBeatsPerBar (int value)
{
    beatsPerBar = value;
    beatsLabel.setText (juce::String (value) + "/bar", juce::dontSendNotification);
}

void MidiComponent::mouseDown (const juce::MouseEvent& e)
{
    const auto where = e.getPosition();

    if (output.getBounds().expanded (4).contains (where) || outLabel.getBounds().contains (where))
    {
        if (onOutputClicked)
            onOutputClicked();
    }
    else if (beatsLabel.getBounds().contains (where))
    {
        chooseBeatsPerBar();
    }
}

juce::String MidiComponent::getTooltip()
{
    const auto where = getMouseXYRelative();

    if (output.getBounds().expanded (4).contains (where) || outLabel.getBounds().contains (where))
        return "MIDI clock output: lit while it is switched on. Click to switch it off or on.";
    if (input.getBounds().expanded (4).contains (where) || inLabel.getBounds().contains (where))
        return "MIDI input: flashes with every message that is not filtered.";
    if (beatsLabel.getBounds().contains (where))
        return "Beats per bar of the MIDI clock. Click to choose them.";
    if (tempoLabel.getBounds().contains (where))
        return "The tempo the MIDI clock sends, from the tapped beat and the main loop; in a Link session, the "
               "session's tempo.";
    if (linkLabel.getBounds().contains (where))
        return "The other programs in the Link session.";
    return {};
}

void MidiComponent::chooseBeatsPerBar()
{
    juce::PopupMenu menu;
    menu.addSectionHeader ("Beats per bar");
    for (int n = TapTempo::minBeatsPerBar; n <= TapTempo::maxBeatsPerBar; ++n)
        menu.addItem (n, juce::String (n), true, n == beatsPerBar);

    menu.showMenuAsync (juce::PopupMenu::Options().withTargetComponent (&beatsLabel),
                        [safe = juce::Component::SafePointer<MidiComponent> (this)] (int chosen) {
                            if (safe == nullptr || chosen <= 0)
                                return;
                            safe->showBeatsPerBar (chosen);
                            if (safe->onBeatsPerBarChosen)
                                safe->onBeatsPerBarChosen (chosen);
                        });
}

void MidiComponent::layoutForHeight (int height)
{
    // Wide enough for "- bpm" and "12/bar" at the smallest text.
    setSize (std::max (height / 3, 3 * Drawing::smallestControl), height);
}

void MidiComponent::resized()
{
    // Top to bottom: the title, the input light and its label, the output light and its label,
    // the tempo and the beats per bar, the Link lamp and its peers.
    // Every text at least the smallest readable size, whatever the panel's height; the lights
    // and the lamp share what is left.
    const auto w = getWidth(), h = getHeight();
    const auto row = std::max (h / 12, int (Drawing::smallestText / 0.75f) + 1);
    const auto light = std::max (1, std::min (w * 3 / 5, (h - 6 * row) / 3));
    const auto gap = std::max (0, (h - 6 * row - 3 * light) / 6);
    title.setFont (juce::Font (Drawing::textHeight (0.9f, float (row)), juce::Font::bold));
    for (auto* label : { &inLabel, &outLabel })
        label->setFont (juce::Font (Drawing::textHeight (0.8f, float (row)), juce::Font::bold));
    for (auto* label : { &tempoLabel, &beatsLabel, &linkLabel })
        label->setFont (juce::Font (Drawing::textHeight (0.75f, float (row)), juce::Font::bold));

    auto y = gap;
    title.setBounds (0, y, w, row);
    y += row + gap;
    input.setBounds ((w - light) / 2, y, light, light);
    inLabel.setBounds (0, y + light, w, row);
    y += light + row + gap;
    output.setBounds ((w - light) / 2, y, light, light);
    outLabel.setBounds (0, y + light, w, row);
    y += light + row + gap;
    tempoLabel.setBounds (0, y, w, row);
    beatsLabel.setBounds (0, y + row, w, row);
    y += 2 * row + gap;
    // Wider than the lights, so its word stays whole at the smallest text.
    const auto lampWidth = std::min (w * 4 / 5, 2 * light);
    linkButton->setSizeAndCreateImages (lampWidth, light);
    linkButton->setTopLeftPosition ((w - lampWidth) / 2, y);
    linkLabel.setBounds (0, y + light, w, row);
}

void MidiComponent::guiTimerCallback (std::int64_t nowMs, int)
{
    input.update (nowMs);
    output.update (nowMs);
}

void MidiComponent::paint (juce::Graphics& g)
{
    g.setColour (Drawing::palette().foreground.darker (0.3f));
    g.fillRoundedRectangle (getLocalBounds().toFloat(), float (getHeight()) / 12.0f);
}

} // namespace Work
