#include "MainContentComponent.h"

namespace Work
{

MainContentComponent::MainContentComponent (EngineRuntime& engine, const MainSettings& settings)
    : mainComponent (std::make_unique<MainComponent> (engine, settings))
{
    addAndMakeVisible (*mainComponent);
}

MainContentComponent::~MainContentComponent()
{
    mainComponent = nullptr;
}

void MainContentComponent::resized()
{
    mainComponent->setBounds (getLocalBounds());
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
    }

    return menu;
}

void MainContentComponent::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    commands.addArray ({ showOptions, exportMidiMappings, importMidiMappings, showMidiLog, showMidiLearn, showAbout });
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
        default: return;
    }

    // Every one of these opens a dialog the program does not offer yet.
    info.setActive (false);
}

bool MainContentComponent::perform (const InvocationInfo&)
{
    return false;
}

} // namespace Work
