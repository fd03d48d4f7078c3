// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiFilterComponent.h"

#include "gui/controls/Dialogs.h"

#include "gui/controls/LearnClick.h"
#include "gui/look/Drawing.h"

namespace Work
{

MidiFilterComponent::MidiFilterComponent (std::vector<MidiKey> list, juce::Colour backgroundColour,
                                          juce::Colour accentColour)
    : filter (std::move (list))
    , background (backgroundColour)
    , accent (accentColour)
{
    table.setModel (this);
    table.getHeader().addColumn ("Ignored messages", 1, 400, 30, -1, juce::TableHeaderComponent::defaultFlags);
    table.getHeader().setSortColumnId (1, true);
    table.setColour (juce::ListBox::backgroundColourId, background);
    table.setColour (juce::ListBox::outlineColourId, accent);
    table.setColour (juce::ListBox::textColourId, accent);
    table.setOutlineThickness (1);

    addButton.setButtonText ("Add a message to ignore...");
    addButton.setColour (juce::TextButton::buttonColourId, accent);
    addButton.setColour (juce::TextButton::textColourOffId, juce::Colours::white);
    addButton.onClick = [this] {
        AddMidiFilterComponent asker (background, accent);
        Dialogs::run (asker, "Ignore a MIDI message", this, Dialogs::Resizing::resizable, background);
        if (asker.getResult() != 0)
            add (asker.getResult());
    };

    label.setText ("Right-click a message to stop ignoring it.", juce::dontSendNotification);
    label.setColour (juce::Label::textColourId, juce::Colours::lightgrey);

    for (auto* child : std::initializer_list<juce::Component*> { &table, &addButton, &label })
        addAndMakeVisible (child);
    setSize (400, 400);
}

void MidiFilterComponent::add (MidiKey key)
{
    filter.push_back (key);
    table.updateContent();
    repaint();
}

void MidiFilterComponent::remove (MidiKey key)
{
    if (const auto found = std::find (filter.begin(), filter.end(), key); found != filter.end())
        filter.erase (found);
    table.updateContent();
    repaint();
}

void MidiFilterComponent::paintRowBackground (juce::Graphics& g, int, int, int, bool)
{
    g.fillAll (background.brighter (0.1f));
}

void MidiFilterComponent::paintCell (juce::Graphics& g, int row, int, int width, int height, bool)
{
    if (row < 0 || row >= int (filter.size()))
        return;

    g.setColour (juce::Colours::lightgrey);
    g.drawText (juce::String (describeMidiKey (filter[std::size_t (row)], false)), 2, 0, width - 4, height,
                juce::Justification::centredLeft, true);
}

void MidiFilterComponent::cellClicked (int row, int, const juce::MouseEvent& e)
{
    if (! LearnClick::isPopupClick (e) || row < 0 || row >= int (filter.size()))
        return;

    const auto key = filter[std::size_t (row)];
    juce::PopupMenu menu;
    menu.addItem (1, "Stop ignoring " + juce::String (describeMidiKey (key, false)));
    menu.showMenuAsync (juce::PopupMenu::Options(),
                        [safe = juce::Component::SafePointer<MidiFilterComponent> (this), key] (int choice) {
                            if (choice == 1 && safe != nullptr)
                                safe->remove (key);
                        });
}

void MidiFilterComponent::resized()
{
    const auto w = getWidth(), h = getHeight();
    addButton.setBounds (int (0.05f * float (w)), int (0.05f * float (h)), int (0.9f * float (w)), 25);
    label.setBounds (int (0.05f * float (w)), 30 + int (0.05f * float (h)), int (0.9f * float (w)), 22);
    table.setBounds (int (0.05f * float (w)), int (0.2f * float (h)), int (0.9f * float (w)), int (0.7f * float (h)));
}

void MidiFilterComponent::paint (juce::Graphics& g)
{
    g.fillAll (background);
}

AddMidiFilterComponent::AddMidiFilterComponent (juce::Colour backgroundColour, juce::Colour accent)
    : background (backgroundColour)
{
    type.addItem ("Controller", 1);
    type.addItem ("Program change", 2);
    type.addItem ("Note", 3);
    type.setSelectedId (1, juce::dontSendNotification);
    type.onChange = [this] {
        if (type.getSelectedId() != shownType)
            fillNumbers();
    };
    fillNumbers();

    confirm.setButtonText ("Ignore it");
    confirm.setColour (juce::TextButton::buttonColourId, accent);
    confirm.setColour (juce::TextButton::textColourOffId, juce::Colours::white);
    confirm.onClick = [this] {
        result = MidiKey (number.getSelectedId());
        if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
            dialog->exitModalState (0);
    };

    for (auto* child : std::initializer_list<juce::Component*> { &type, &number, &confirm })
        addAndMakeVisible (child);
    setSize (500, 120);
}

void AddMidiFilterComponent::fillNumbers()
{
    shownType = type.getSelectedId();
    const MidiKey base = shownType == 2 ? 0xc00000 : shownType == 3 ? 0x900000 : 0xb00000;
    number.clear (juce::dontSendNotification);

    for (MidiKey n = 0; n < 128; ++n)
        number.addItem (juce::String (describeMidiKey (base + n * 256, false)), int (base + n * 256));

    number.setSelectedItemIndex (0, juce::dontSendNotification);
}

void AddMidiFilterComponent::resized()
{
    type.setBounds (20, 35, 250, 25);
    number.setBounds (300, 35, 180, 25);
    confirm.setBounds (int (0.05f * float (getWidth())), 80, int (0.9f * float (getWidth())), 22);
}

void AddMidiFilterComponent::paint (juce::Graphics& g)
{
    g.fillAll (background);
}

} // namespace Work
