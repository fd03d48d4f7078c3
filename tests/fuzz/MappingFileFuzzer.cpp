// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// libFuzzer target: the reader of MIDI mapping files, all the way to the controls. Whatever the
// file holds, importing it must not crash, and what it leaves mapped must be keys the controls
// can take.
#include "midi/MidiGuiManager.h"

#include "engine/MemorySystem.h"

#include <juce_events/juce_events.h>

#include <cstdlib>

namespace
{
struct Button : Work::MidiCommands::SimpleCommand
{
    using SimpleCommand::SimpleCommand;
    void guiFeedback (std::int64_t) override {}
};

struct Switch : Work::MidiCommands::ToggleCommand
{
    using ToggleCommand::ToggleCommand;
    void guiFeedback (std::int64_t) override {}
};

struct Setup
{
    Setup()
    {
        Work::MemorySystem::startEngineRuntime();
        manager.registerMomentary (&start);
        manager.registerMomentary (&stop);
        manager.registerToggle (&mute);
    }

    juce::ScopedJuceInitialiser_GUI juce;
    Work::MidiInputCallbackManager fanOut;
    Work::MidiGuiManager manager { nullptr, fanOut };
    Button start { "Start", false }, stop { "Stop", false };
    Switch mute { "Mute 1", true, true };
    juce::File file = juce::File::createTempFile (".varnolomidi");
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    setup.file.replaceWithData (data, size);
    setup.manager.importMappings (setup.file);

    for (auto* control : { static_cast<Work::MidiCommands::MidiGuiListener*> (&setup.start),
                           static_cast<Work::MidiCommands::MidiGuiListener*> (&setup.stop) })
        for (auto key : setup.manager.keysOf (Work::MidiCommandKind::momentary, control))
            if (key == 0 || key > 0xffffff)
                std::abort();

    return 0;
}
