// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/CommandSink.h"
#include "gui/controls/GuiTimer.h"
#include "midi/MidiGuiManager.h"

#include <vector>

namespace Work
{

/** Connects the screen's controls to the engine and the places their commands work from: the
    command sink (where their looper commands go), the audio device's pre-block list (where
    queued presses reach the engine), the GUI timer (where the engine's answer is shown) and the
    MIDI mapping manager (where MIDI reaches them).

    It remembers every command it connected, so the screen switches MIDI learn mode on all of
    them at once and disconnects them all, in reverse order, before the controls go. Connecting
    happens while no block can run (before the device opens, or after it closed).
    [message] */
class CommandWiring
{
public:
    /** midi may be null: the controls then take no MIDI. */
    CommandWiring (PreAudioClientList& preBlockClients, CommandSink& sink, GuiTimer& timer, MidiGuiManager* midi);
    ~CommandWiring();

    void connect (MidiCommands::SimpleCommand& command);
    void connect (MidiCommands::ToggleCommand& command);
    void connect (MidiCommands::ControlChangeListener& command);

    /** A view that only refreshes on the GUI tick. */
    void connect (GuiTimerClient& view);

    /** Everything connected, in reverse order. */
    void disconnectAll();

    /** MIDI learn mode on every connected command: a popup click then asks to learn. */
    void setLearnMode (bool on);

    [[nodiscard]] GuiTimer& getTimer() noexcept { return timer; }
    [[nodiscard]] MidiGuiManager* getMidiManager() noexcept { return midi; }
    [[nodiscard]] const std::vector<MidiCommands::MidiGuiListener*>& getCommands() const noexcept { return commands; }

private:
    struct Entry
    {
        GuiTimerClient* timerClient;
        PreAudioCallbackClient* preClient;
        MidiCommands::MidiGuiListener* command;
        MidiCommandKind kind;
    };

    void add (Entry entry);

    PreAudioClientList& preBlockClients;
    CommandSink& sink;
    GuiTimer& timer;
    MidiGuiManager* midi;
    std::vector<Entry> entries;
    std::vector<MidiCommands::MidiGuiListener*> commands;
};

} // namespace Work
