// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainContentComponent.h"

#include "ProductInfo.h"
#include "gui/controls/Dialogs.h"
#include "gui/look/AboutBoxComponent.h"
#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"
#include "gui/midi/MidiLearn.h"

namespace Work
{

MainContentComponent::MainContentComponent (EngineRuntime& engineToUse, const MainSettings& settings,
                                            MidiInputCallbackManager* fanOutToUse)
    : engine (engineToUse)
    , fanOut (fanOutToUse)
{
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    mainComponent = std::make_unique<MainComponent> (engineToUse, settings);
    viewport.setViewedComponent (mainComponent.get(), false);
    viewport.setScrollBarsShown (false, false, true, true); // only when the screen needs more room
    addAndMakeVisible (viewport);
}

MainContentComponent::~MainContentComponent()
{
    // A dialog still open (the program quitting) goes first: it is drawn with our look and feel.
    if (aboutBox != nullptr)
        delete aboutBox.getComponent();

    viewport.setViewedComponent (nullptr, false);
    mainComponent = nullptr;
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

void MainContentComponent::resized()
{
    // The screen fills the window, and scrolls where the window is smaller than its smallest
    // layout.
    viewport.setBounds (getLocalBounds());
    const auto minimum = mainComponent->getMinimumSize();
    mainComponent->setSize (std::max (getWidth(), minimum.x), std::max (getHeight(), minimum.y));
}

juce::StringArray MainContentComponent::getMenuBarNames()
{
    return { "MIDI", "Looper" };
}

juce::PopupMenu MainContentComponent::getMenuForIndex (int index, const juce::String&)
{
    juce::PopupMenu menu;

    if (commandManager == nullptr)
        return menu;

    if (index == 0)
    {
        menu.addCommandItem (commandManager, showMidiLearn);
        menu.addSeparator();
        menu.addCommandItem (commandManager, exportMidiMappings);
        menu.addCommandItem (commandManager, importMidiMappings);
        menu.addSeparator();
        menu.addCommandItem (commandManager, showMidiLog);
    }
    else
    {
        menu.addCommandItem (commandManager, showOptions);
        menu.addSeparator();
        menu.addCommandItem (commandManager, showAbout);
        menu.addSeparator();

        if (! sessionManaged)
        {
            menu.addCommandItem (commandManager, newSession);
            menu.addCommandItem (commandManager, openSession);

            juce::PopupMenu recent;
            for (const auto& path : recentSessions ? recentSessions() : juce::StringArray())
                recent.addItem (path, [this, path] {
                    if (onOpenRecent)
                        onOpenRecent (juce::File (path));
                });
            menu.addSubMenu ("Open Recent Session", recent, recent.getNumItems() > 0);
        }

        menu.addCommandItem (commandManager, saveSession);
        if (! sessionManaged)
            menu.addCommandItem (commandManager, saveSessionAs);
        menu.addSeparator();
        menu.addCommandItem (commandManager, linkSession);
    }

    return menu;
}

void MainContentComponent::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    commands.addArray ({ showOptions, exportMidiMappings, importMidiMappings, showMidiLog, showMidiLearn, showAbout,
                         newSession, openSession, saveSession, saveSessionAs, linkSession });
}

void MainContentComponent::getCommandInfo (juce::CommandID id, juce::ApplicationCommandInfo& info)
{
    switch (id)
    {
        case showOptions: info.setInfo ("Options...", "Change the options and the audio device", "Looper", 0); break;
        case showMidiLearn:
            info.setInfo ("MIDI Learn...", "Every control and the MIDI messages assigned to it", "MIDI", 0);
            break;
        case showMidiLog: info.setInfo ("MIDI Log", "Show the incoming MIDI messages", "MIDI", 0); break;
        case exportMidiMappings:
            info.setInfo ("Export MIDI Assignments...", "Save the MIDI assignments to a file", "MIDI", 0);
            break;
        case importMidiMappings:
            info.setInfo ("Import MIDI Assignments...", "Load MIDI assignments from a file", "MIDI", 0);
            break;
        case showAbout: info.setInfo ("About...", "About this program", "Looper", 0); break;
        case linkSession:
        {
            const auto peers = engine.getLinkSession() != nullptr ? engine.getLinkSession()->peers() : 0;
            const bool joined = engine.getSettings().linkSession.isOn();
            info.setInfo (joined ? "Link Session (" + juce::String (peers) + (peers == 1 ? " peer)" : " peers)")
                                 : juce::String ("Link Session"),
                          "Share tempo and beat with the Link programs on the network", "Looper", 0);
            info.setTicked (joined);
            info.addDefaultKeypress ('l', juce::ModifierKeys::ctrlModifier);
            break;
        }
        case newSession:
            info.setInfo ("New Session", "Start again with no loops", "Looper", 0);
            info.addDefaultKeypress ('n', juce::ModifierKeys::ctrlModifier);
            break;
        case openSession:
            info.setInfo ("Open Session...", "Open a saved performance", "Looper", 0);
            info.addDefaultKeypress ('o', juce::ModifierKeys::ctrlModifier);
            break;
        case saveSession:
            info.setInfo ("Save Session", "Save the performance: its loops, history and mix", "Looper", 0);
            info.addDefaultKeypress ('s', juce::ModifierKeys::ctrlModifier);
            break;
        case saveSessionAs:
            info.setInfo ("Save Session As...", "Save the performance to a folder of its own", "Looper", 0);
            info.addDefaultKeypress ('s', juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);
            break;
        default: return;
    }

    const bool takesMidi = engine.getMidiGuiManager() != nullptr && fanOut != nullptr;
    const bool midiCommand =
        id == showMidiLearn || id == showMidiLog || id == exportMidiMappings || id == importMidiMappings;
    info.setActive (! midiCommand || takesMidi);
}

bool MainContentComponent::perform (const InvocationInfo& info)
{
    switch (info.commandID)
    {
        case showMidiLearn: openMidiLearn(); return true;
        case showMidiLog:
            if (onShowMidiLog)
                onShowMidiLog();
            return true;
        case exportMidiMappings: exportMidiAssignments(); return true;
        case importMidiMappings: importMidiAssignments(); return true;
        case showOptions:
            if (onShowOptions)
                onShowOptions();
            return true;
        case showAbout: openAboutBox(); return true;
        case linkSession:
            engine.postFromScreen ({ CommandCode::link, 2, 0, 0, juce::Time::currentTimeMillis() });
            return true;
        case newSession:
        case openSession:
        case saveSession:
        case saveSessionAs:
            if (onSessionCommand)
                onSessionCommand (CommandId (info.commandID));
            return true;
        default: return false;
    }
}

namespace
{
    const juce::String wildcard = juce::String ("*") + MidiGuiManager::fileExtension;

    /** The last file exported or imported, else a file of that name in the documents folder
        (or the home folder, where there is no documents folder). */
    juce::File startingPoint (const MidiGuiManager& manager)
    {
        if (const auto last = manager.getLastFile(); last != juce::File())
            return last;

        auto folder = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
        if (! folder.isDirectory())
            folder = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
        return folder.getChildFile (juce::String ("MIDI assignments") + MidiGuiManager::fileExtension);
    }
} // namespace

void MainContentComponent::exportMidiAssignments()
{
    auto* manager = engine.getMidiGuiManager();
    if (manager == nullptr || fanOut == nullptr)
        return;

    // MIDI stays withdrawn for the whole command, the file dialog included.
    const MidiInputCallbackManager::ScopedDisable withdrawn (*fanOut);
    juce::FileChooser chooser ("Export the MIDI assignments", startingPoint (*manager), wildcard);

    if (! chooser.browseForFileToSave (true))
        return;

    if (const auto error = manager->exportMappings (chooser.getResult()); error.isNotEmpty())
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Export the MIDI assignments", error);
}

void MainContentComponent::importMidiAssignments()
{
    auto* manager = engine.getMidiGuiManager();
    if (manager == nullptr || fanOut == nullptr)
        return;

    const MidiInputCallbackManager::ScopedDisable withdrawn (*fanOut);

    if (! juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, "Import MIDI assignments",
                                              "Every control's MIDI assignments will be replaced by those in the file "
                                              "you choose.",
                                              "Choose the file", "Cancel"))
        return;

    juce::FileChooser chooser ("Import MIDI assignments", startingPoint (*manager), wildcard);

    if (! chooser.browseForFileToOpen())
        return;

    if (const auto result = manager->importMappings (chooser.getResult()); result.report.isNotEmpty())
        juce::AlertWindow::showMessageBox (result.applied ? juce::MessageBoxIconType::InfoIcon
                                                          : juce::MessageBoxIconType::WarningIcon,
                                           "Import MIDI assignments", result.report);
}

void MainContentComponent::openMidiLearn()
{
    auto* manager = engine.getMidiGuiManager();
    if (manager == nullptr)
        return;

    MidiLearnComponent overview (*manager);
    overview.setSize (800, 600);
    Dialogs::run (overview, "MIDI learn", this, Dialogs::Resizing::resizable);
}

void MainContentComponent::openAboutBox()
{
    aboutBox = Dialogs::open (std::make_unique<AboutBoxComponent> (ProductInfo::getNameWithVersion()),
                              "About " + ProductInfo::getNameWithVersion(), this);
}

} // namespace Work
