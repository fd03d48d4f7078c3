#pragma once

#include "EngineStatusComponent.h"
#include "audio/MainAudio.h"
#include "settings/MainSettings.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Work
{

/** The main window. It owns the engine's runtime and sample pool for its whole life and
    builds and tears down its content as one unit, so that changed options can rebuild
    everything.

    Construction order: the window frame, the engine runtime, the sample pool (with its
    fallback sizes), the audio engine, the published instance pointer; without any pool the
    performer is told and the application quits; otherwise the known plug-in list is loaded,
    the command manager made, the window made resizable within its limits and the content
    built: the engine set up (2 inputs, 8 mono loop channels, 1 stereo bus) and the audio
    device opened with the state saved in the settings file. Destruction runs the reverse.

    Threads: message thread only.
*/
class MainAppWindow final : public juce::DocumentWindow
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

    /** Size of the sample pool in megabytes, 0 when none could be reserved. */
    [[nodiscard]] std::uint32_t getPoolMegabytes() const noexcept { return poolMegabytes; }

    juce::KnownPluginList& getKnownPluginList() noexcept { return knownPlugins; }

    /** The audio engine, null when no sample pool could be had. */
    MainAudio* getMainAudio() noexcept { return mainAudio.get(); }

    /** How often the looper's queues are drained into the views. */
    static constexpr int guiTickMs = 15;

    void closeButtonPressed() override;

private:
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void optionsChangedWhileDialogOpen() override;
    void latencyOffsetChanged (int milliseconds) override;
    void timerCallback() override;
    void applySettingsToEngine();

    static inline MainAppWindow* instance = nullptr;

    MainSettings& settings;
    juce::PropertiesFile& settingsFile;
    std::unique_ptr<juce::ApplicationCommandManager> commandManager;
    juce::KnownPluginList knownPlugins;
    std::unique_ptr<MainAudio> mainAudio;
    std::unique_ptr<EngineStatusComponent> content;
    std::uint32_t poolMegabytes = 0;
    bool contentBuilding = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};

} // namespace Work
