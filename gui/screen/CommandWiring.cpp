// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "CommandWiring.h"

namespace Work
{

CommandWiring::CommandWiring (PreAudioClientList& clients, CommandSink& sinkToUse, GuiTimer& timerToUse,
                              MidiGuiManager* midiToUse)
    : preBlockClients (clients)
    , sink (sinkToUse)
    , timer (timerToUse)
    , midi (midiToUse)
{
}

CommandWiring::~CommandWiring()
{
    disconnectAll();
}

void CommandWiring::add (Entry entry)
{
    if (entry.preClient != nullptr)
    {
        [[maybe_unused]] const bool added = preBlockClients.addPreAudioCallbackClient (entry.preClient);
        jassert (added); // connected while a block may run: the press would never reach the engine
    }

    timer.addClient (entry.timerClient);

    if (entry.command != nullptr)
    {
        if (midi != nullptr)
        {
            switch (entry.kind)
            {
                case MidiCommandKind::momentary:
                    midi->registerMomentary (static_cast<MidiCommands::CommandListener*> (entry.command));
                    break;
                case MidiCommandKind::toggle:
                    midi->registerToggle (static_cast<MidiCommands::ToggleListener*> (entry.command));
                    break;
                case MidiCommandKind::continuous:
                    midi->registerContinuous (static_cast<MidiCommands::ControlChangeListener*> (entry.command));
                    break;
            }
        }
        commands.push_back (entry.command);
    }

    entries.push_back (entry);
}

void CommandWiring::connect (MidiCommands::SimpleCommand& command)
{
    command.setSink (&sink);
    add ({ &command, &command, &command, MidiCommandKind::momentary });
}

void CommandWiring::connect (MidiCommands::ToggleCommand& command)
{
    command.setSink (&sink);
    add ({ &command, &command, &command, MidiCommandKind::toggle });
}

void CommandWiring::connect (MidiCommands::ControlChangeListener& command)
{
    add ({ &command, &command, &command, MidiCommandKind::continuous });
}

void CommandWiring::connect (GuiTimerClient& view)
{
    add ({ &view, nullptr, nullptr, MidiCommandKind::momentary });
}

void CommandWiring::disconnectAll()
{
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    {
        if (entry->preClient != nullptr)
            preBlockClients.removePreAudioCallbackClient (entry->preClient);

        timer.removeClient (entry->timerClient);

        if (entry->command != nullptr && midi != nullptr)
            midi->unregister (entry->kind, entry->command);
    }

    entries.clear();
    commands.clear();
}

void CommandWiring::setLearnMode (bool on)
{
    for (auto* command : commands)
    {
        command->learnEnabled = on;
        if (! on)
            command->learnRequested = false;
    }
}

} // namespace Work
