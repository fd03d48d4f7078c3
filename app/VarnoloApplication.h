// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiInputCallbackManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Work
{

class ColourPalette;
class LayoutMap;
class MainAppWindow;
class MainSettings;

/** The application object: starts and stops the whole program.

    initialise loads the settings, switches the screen saver off, registers the plug-in
    formats, checks that the settings file can be written and creates the main window
    (which builds the engine and the GUI); shutdown undoes it in reverse. Quitting is
    always asked first.

    A second start while one instance runs exits at once: the framework then calls
    shutdown without initialise, so shutdown only undoes what initialise did, and the
    settings file is not even opened by the second instance.
*/
class VarnoloApplication final : public juce::JUCEApplication
{
public:
    VarnoloApplication();
    ~VarnoloApplication() override;

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override { return false; }
    void anotherInstanceStarted (const juce::String&) override {}
    void systemRequestedQuit() override;

private:
    MidiInputCallbackManager midiInput; // outlives the window, whose engine registers with it
    std::unique_ptr<MainSettings> settings;
    std::unique_ptr<ColourPalette> palette;
    std::unique_ptr<MainAppWindow> mainWindow;
    std::unique_ptr<LayoutMap> layoutMap;
    bool screenSaverDisabled = false;
};

} // namespace Work
