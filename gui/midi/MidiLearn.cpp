// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiLearn.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    constexpr MidiCommandKind kinds[] = { MidiCommandKind::momentary, MidiCommandKind::continuous, MidiCommandKind::toggle };

    bool followsValue (const MidiCommands::MidiGuiListener& control)
    {
        const auto* toggle = dynamic_cast<const MidiCommands::ToggleListener*> (&control);
        return toggle != nullptr && toggle->followsControllerValue();
    }
} // namespace

MidiLearnMenu::MidiLearnMenu (MidiGuiManager& managerToUse, StartLearning start)
    : manager (managerToUse)
    , startLearning (std::move (start))
{
}

bool MidiLearnMenu::namesValue (const MidiCommands::MidiGuiListener& control, MidiCommandKind kind)
{
    switch (kind)
    {
        case MidiCommandKind::momentary: return true;
        case MidiCommandKind::continuous: return false;
        case MidiCommandKind::toggle: return ! followsValue (control);
    }
    return false;
}

juce::PopupMenu MidiLearnMenu::menuFor (MidiCommands::MidiGuiListener& control, MidiCommandKind kind) const
{
    juce::PopupMenu menu;
    auto header = "MIDI for " + juce::String (control.getDisplayName());
    if (kind == MidiCommandKind::toggle && followsValue (control))
        header << " (a controller's value sets it)";
    menu.addSectionHeader (header);
    menu.addItem (1, "Learn...");

    const auto keys = manager.keysOf (kind, &control);
    for (std::size_t i = 0; i < keys.size(); ++i)
        menu.addItem (int (i) + 2, "Remove " + juce::String (describeMidiKey (keys[i], namesValue (control, kind))));

    return menu;
}

void MidiLearnMenu::guiTimerCallback (std::int64_t, int)
{
    for (const auto kind : kinds)
        for (auto* control : manager.getDispatcher().listenersOf (kind))
            if (control->learnRequested.exchange (false))
                showMenu (*control, kind);
}

void MidiLearnMenu::showMenu (MidiCommands::MidiGuiListener& control, MidiCommandKind kind)
{
    auto options = juce::PopupMenu::Options();
    if (control.ownerComponent != nullptr)
        options = options.withTargetComponent (control.ownerComponent);

    // The menu stays open while the screen goes on; its choice comes back here. The control
    // may be gone by then (the screen rebuilt): it is looked up again before anything is done.
    const auto keys = manager.keysOf (kind, &control);
    menuFor (control, kind)
        .showMenuAsync (
            options, [this, weak = std::weak_ptr<bool> (alive), controlPointer = &control, kind, keys] (int choice) {
                if (weak.expired())
                    return;
                const auto& registered = manager.getDispatcher().listenersOf (kind);
                if (choice <= 0 || std::find (registered.begin(), registered.end(), controlPointer) == registered.end())
                    return;

                if (choice == 1)
                    startLearning (*controlPointer, kind);
                else if (std::size_t (choice - 2) < keys.size())
                    manager.removeMapping (kind, keys[std::size_t (choice - 2)], controlPointer, true);
            });
}

MidiLearnComponent::MidiLearnComponent (MidiGuiManager& managerToUse)
    : manager (managerToUse)
{
    auto& header = table.getHeader();
    header.addColumn ("Control", 1, 300, 10, 400);
    header.addColumn ("Kind", 2, 100, 10, 800);
    header.addColumn ("Shares", 3, 90, 10, 800);
    header.addColumn ("MIDI messages", 4, 300, 10, 2000);
    header.setSortColumnId (1, true);
    table.setModel (this);
    table.setColour (juce::ListBox::backgroundColourId, Drawing::palette().background);

    title.setText ("Every control that MIDI can drive, and the messages it answers to.", juce::dontSendNotification);
    hint.setText ("To assign one, stop the looper and right-click the control.", juce::dontSendNotification);
    for (auto* label : { &title, &hint })
    {
        label->setColour (juce::Label::textColourId, juce::Colours::lightgrey);
        addAndMakeVisible (label);
    }
    addAndMakeVisible (table);
    setSize (800, 600);
}

std::pair<MidiCommands::MidiGuiListener*, MidiCommandKind> MidiLearnComponent::controlAt (int row) const
{
    for (const auto kind : kinds)
    {
        const auto& list = manager.getDispatcher().listenersOf (kind);
        if (row < int (list.size()))
            return { row >= 0 ? list[std::size_t (row)] : nullptr, kind };
        row -= int (list.size());
    }
    return { nullptr, MidiCommandKind::momentary };
}

int MidiLearnComponent::getNumRows()
{
    int rows = 0;
    for (const auto kind : kinds)
        rows += int (manager.getDispatcher().listenersOf (kind).size());
    return rows;
}

juce::StringArray MidiLearnComponent::rowText (int row) const
{
    const auto [control, kind] = controlAt (row);
    if (control == nullptr)
        return {};

    juce::StringArray messages;
    for (const auto key : manager.keysOf (kind, control))
        messages.add (juce::String (describeMidiKey (key, kind == MidiCommandKind::momentary)));

    const char* kindNames[] = { "momentary", "continuous", "on/off" };
    return { juce::String (control->getDisplayName()), kindNames[int (kind)], control->isShareable() ? "yes" : "no",
             messages.joinIntoString (", ") };
}

void MidiLearnComponent::paintRowBackground (juce::Graphics& g, int, int, int, bool)
{
    g.fillAll (Drawing::palette().background.brighter (0.15f));
}

void MidiLearnComponent::paintCell (juce::Graphics& g, int row, int column, int width, int height, bool)
{
    const auto cells = rowText (row);
    if (column < 1 || column > cells.size())
        return;

    g.setColour (Drawing::palette().highlight.interpolatedWith (juce::Colours::white, 0.4f));
    g.setFont (juce::Font (14.0f, juce::Font::bold));
    g.drawText (cells[column - 1], 2, 0, width - 4, height, juce::Justification::centredLeft, true);
}

void MidiLearnComponent::resized()
{
    const auto w = float (getWidth()), h = float (getHeight());
    title.setBounds (int (0.02f * w), int (0.08f * h), int (0.96f * w), int (0.04f * h));
    hint.setBounds (int (0.02f * w), int (0.12f * h), int (0.96f * w), int (0.04f * h));
    table.setBounds (int (0.02f * w), int (0.2f * h), int (0.96f * w), int (0.78f * h));
}

void MidiLearnComponent::paint (juce::Graphics& g)
{
    g.fillAll (Drawing::palette().background);
}

} // namespace Work
