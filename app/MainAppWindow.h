#pragma once

#include "EngineStatusComponent.h"
#include "audio/EngineRuntime.h"
#include "settings/MainSettings.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Work
{

/** The main window. It owns the engine's runtime (EngineRuntime, which holds the sample pool
    and the audio engine) for its whole life, and builds and tears down its content as one
    unit, so that changed options can rebuild everything.

    Construction order: the window frame, the engine runtime (sample pool with its fallback
    sizes, then the audio engine), the published instance pointer; without any pool the
    performer is told and the application quits; otherwise the known plug-in list is loaded,
    the command manager made, the window made resizable within its limits and the content
    built: the engine set up and the audio device opened with the state saved in the settings
    file. Destruction runs the reverse.

    Threads: message thread only.
*/
class MainAppWindow final
    : public juce::DocumentWindow
    , private juce::ChangeListener
    , private juce::Timer
    , private MainSettings::Listener
{
public:
    MainAppWindow (MainSettings& settings, MidiInputCallbackManager& midiInput);
    ~MainAppWindow() override;

    static MainAppWindow* getInstance() noexcept { return instance; }

    /** The window's size for a display of the given size: 23/24 of it, at least 800 x 600. */
    [[nodiscard]] static juce::Point<int> initialSizeFor (juce::Rectangle<int> display) noexcept;

    static constexpr int minimumWidth = 800, minimumHeight = 600;
    static constexpr int maximumWidth = 3000, maximumHeight = 2000;

    /** Builds the content and shows the window. */
    void buildContent();

    /** Saves the window state and removes the content. */
    void closeContent();

    juce::KnownPluginList& getKnownPluginList() noexcept { return knownPlugins; }

    /** The engine's owner; everything on screen reaches the engine through it. */
    EngineRuntime& getEngine() noexcept { return engine; }

    /** How often the looper's queues are drained into the views. */
    static constexpr int guiTickMs = 15;

    void closeButtonPressed() override;

private:
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void optionChanged (Setting& option) override;
    void timerCallback() override;

    static inline MainAppWindow* instance = nullptr;

    MainSettings& settings;
    juce::PropertiesFile& settingsFile;
    EngineRuntime engine;
    std::unique_ptr<juce::ApplicationCommandManager> commandManager;
    juce::KnownPluginList knownPlugins;
    std::unique_ptr<EngineStatusComponent> content;
    bool contentBuilding = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};

} // namespace Work
