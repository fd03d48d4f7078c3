// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/GuiTimerClient.h"
#include "midi/MidiGuiManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

namespace Work
{

/** MIDI learn from the screen: a control whose learning was asked for (a popup click on it
    while the looper is stopped) gets its menu on the next tick: learn, and one item for each
    message it already answers to, to remove it. Learning itself happens in the MIDI log, which
    the learn item opens. [message] */
class MidiLearnMenu final : public GuiTimerClient
{
public:
    /** Told which control is to learn, and as what kind of command. */
    using StartLearning = std::function<void (MidiCommands::MidiGuiListener& control, MidiCommandKind kind)>;

    MidiLearnMenu (MidiGuiManager& manager, StartLearning startLearning);

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;

    /** Whether a control's messages are named with their value: momentary commands and toggles
        that do not follow a controller's value keep it; the others match any value. */
    [[nodiscard]] static bool namesValue (const MidiCommands::MidiGuiListener& control, MidiCommandKind kind);

    /** The menu shown for a control; item 1 learns, item k + 2 removes its k-th message. */
    [[nodiscard]] juce::PopupMenu menuFor (MidiCommands::MidiGuiListener& control, MidiCommandKind kind) const;

private:
    void showMenu (MidiCommands::MidiGuiListener& control, MidiCommandKind kind);

    MidiGuiManager& manager;
    StartLearning startLearning;
    std::shared_ptr<bool> alive = std::make_shared<bool> (true); // an open menu outliving the screen finds it gone
};

/** The overview of MIDI learn: every control that can follow MIDI, with its kind, whether it
    may share a message with others, and every message assigned to it. It reads the mapping
    manager's lists whenever it paints. [message] */
class MidiLearnComponent final
    : public juce::Component
    , public juce::TableListBoxModel
{
public:
    explicit MidiLearnComponent (MidiGuiManager& manager);

    int getNumRows() override;
    void paintRowBackground (juce::Graphics& g, int row, int width, int height, bool selected) override;
    void paintCell (juce::Graphics& g, int row, int column, int width, int height, bool selected) override;

    /** A row's cells as text: name, kind, sharing, messages. */
    [[nodiscard]] juce::StringArray rowText (int row) const;

    void resized() override;
    void paint (juce::Graphics& g) override;

private:
    [[nodiscard]] std::pair<MidiCommands::MidiGuiListener*, MidiCommandKind> controlAt (int row) const;

    MidiGuiManager& manager;
    juce::TableListBox table;
    juce::Label title, hint;
};

} // namespace Work
