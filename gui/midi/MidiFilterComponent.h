// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiKey.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace Work
{

/** Edits a copy of the MIDI filter: the message identities (type and number, every channel,
    every value) the program ignores. The add button asks for a type and number; a popup click
    on a row offers to remove it. Whoever opened it takes the list when it closes. [message] */
class MidiFilterComponent final
    : public juce::Component
    , public juce::TableListBoxModel
{
public:
    MidiFilterComponent (std::vector<MidiKey> filter, juce::Colour background, juce::Colour accent);

    [[nodiscard]] std::vector<MidiKey> getFilterList() const { return filter; }

    /** Adds a key, as confirming the add dialog does. */
    void add (MidiKey key);

    /** Removes the first occurrence of a key, as the row's popup menu does. */
    void remove (MidiKey key);

    int getNumRows() override { return int (filter.size()); }
    void paintRowBackground (juce::Graphics& g, int row, int width, int height, bool selected) override;
    void paintCell (juce::Graphics& g, int row, int column, int width, int height, bool selected) override;
    void cellClicked (int row, int column, const juce::MouseEvent& e) override;

    void resized() override;
    void paint (juce::Graphics& g) override;

private:
    std::vector<MidiKey> filter;
    juce::Colour background, accent;
    juce::TableListBox table;
    juce::TextButton addButton;
    juce::Label label;
};

/** Asks for one message identity to filter: a type (controller, program change, note) and a
    number; result is the chosen key, 0 until confirmed. [message] */
class AddMidiFilterComponent final : public juce::Component
{
public:
    AddMidiFilterComponent (juce::Colour background, juce::Colour accent);

    [[nodiscard]] MidiKey getResult() const noexcept { return result; }

    void resized() override;
    void paint (juce::Graphics& g) override;

private:
    void fillNumbers();

    juce::Colour background;
    juce::ComboBox type, number;
    juce::TextButton confirm;
    int shownType = 0;
    MidiKey result = 0;
};

} // namespace Work
