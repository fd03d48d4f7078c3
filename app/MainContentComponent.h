// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MainComponent.h"
#include "gui/look/CustomLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Work
{

/** The window's content while the looper is stopped: the performance screen and the two menus
    with the program's commands (MIDI learn, the MIDI assignment files and the MIDI log; the
    options and the about box). The MIDI commands are disabled when the program takes no MIDI.
    It owns the program's look and feel, the default one while the content exists. [message] */
class MainContentComponent final
    : public juce::Component
    , public juce::MenuBarModel
    , public juce::ApplicationCommandTarget
{
public:
    enum CommandId
    {
        showOptions = 1,
        showMidiLearn = 2,
        showMidiLog = 3,
        exportMidiMappings = 4,
        importMidiMappings = 5,
        showAbout = 6,
        newSession = 7,
        openSession = 8,
        saveSession = 9,
        saveSessionAs = 10,
        linkSession = 11
    };

    /** fanOut, the MIDI input fan-out, may be null: the program then takes no MIDI. */
    MainContentComponent (EngineRuntime& engine, const MainSettings& settings, MidiInputCallbackManager* fanOut);
    ~MainContentComponent() override;

    [[nodiscard]] MainComponent& getMainComponent() noexcept { return *mainComponent; }

    void resized() override;

    // juce::MenuBarModel
    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int index, const juce::String& name) override;
    void menuItemSelected (int, int) override {}

    // juce::ApplicationCommandTarget
    juce::ApplicationCommandTarget* getNextCommandTarget() override { return nullptr; }
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID id, juce::ApplicationCommandInfo& info) override;
    bool perform (const InvocationInfo& info) override;

    /** The menus' commands perform through this manager; set by the window. */
    void setCommandManager (juce::ApplicationCommandManager* manager) noexcept { commandManager = manager; }

    /** Shows the MIDI log window and brings it to the front; set by the window, which owns it. */
    std::function<void()> onShowMidiLog;

    /** Opens the options, or says why not; set by the window, which outlives the content the
        options rebuild. */
    std::function<void()> onShowOptions;

    /** Runs a session command (new, open, save, save as); set by the window, which owns the
        session. */
    std::function<void (CommandId command)> onSessionCommand;

    /** The recent sessions' folders, newest first, and what opens one; set by the window. */
    std::function<juce::StringArray()> recentSessions;
    std::function<void (const juce::File& folder)> onOpenRecent;

    /** With a session manager, the manager chooses the folders: only saving stays. */
    bool sessionManaged = false;

    /** The about box, in a modal dialog. */
    void openAboutBox();

    /** Writes the MIDI assignments to a file the performer chooses. */
    void exportMidiAssignments();

    /** After a confirmation, replaces the MIDI assignments with a file's the performer chooses. */
    void importMidiAssignments();

    /** The overview of every control and its MIDI messages, in a modal dialog. */
    void openMidiLearn();

private:
    EngineRuntime& engine;
    MidiInputCallbackManager* fanOut;
    CustomLookAndFeel lookAndFeel; // made before and gone after every component drawn with it
    juce::Viewport viewport;
    std::unique_ptr<MainComponent> mainComponent;
    juce::ApplicationCommandManager* commandManager = nullptr;
    juce::Component::SafePointer<juce::DialogWindow> aboutBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainContentComponent)
};

/** The window's content while the looper runs: nothing but an empty menu bar, so no menu can
    open a dialog over a performance. [message] */
class PlayingContentComponent final
    : public juce::Component
    , public juce::MenuBarModel
    , public juce::ApplicationCommandTarget
{
public:
    juce::StringArray getMenuBarNames() override { return { "" }; }
    juce::PopupMenu getMenuForIndex (int, const juce::String&) override { return {}; }
    void menuItemSelected (int, int) override {}

    juce::ApplicationCommandTarget* getNextCommandTarget() override { return nullptr; }
    void getAllCommands (juce::Array<juce::CommandID>& commands) override { commands.add (1); }
    void getCommandInfo (juce::CommandID, juce::ApplicationCommandInfo& info) override
    {
        info.setInfo ("Playing", "The looper is running", "Playing", 0);
    }
    bool perform (const InvocationInfo&) override { return true; }
};

} // namespace Work
