// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BlockWait.h"
#include "BusEffects.h"
#include "MainContentComponent.h"
#include "OscController.h"
#include "SessionController.h"
#include "audio/EngineRuntime.h"
#include "gui/midi/MidiLogWindow.h"
#include "session/NsmClient.h"
#include "settings/MainSettings.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <functional>
#include <memory>
#include <optional>

namespace Work
{

/** The main window. It owns the engine's runtime (EngineRuntime, which holds the sample pool
    and the audio engine) for its whole life, and builds and tears down its content as one
    unit, so that changed options can rebuild everything.

    Construction order: the window frame, the engine runtime (sample pool with its fallback
    sizes, then the audio engine), the published instance pointer; without any pool the
    performer is told and the application quits; otherwise the OSC server and the bus effect slot are made,
    the command manager made, the window made resizable within its limits and the content
    built. Destruction runs the reverse.

    Building the content: the engine set up, the performance screen made and connected, the
    commands registered, the window placed where it last was, the audio device opened with
    the state saved in the settings file, the screen's timer started. The splash screen shows
    the logo on the first build. While the looper runs, the menu bar is the playing content's
    empty one.

    Threads: message thread only.
*/
class MainAppWindow final
    : public juce::DocumentWindow
    , private MainSettings::Listener
{
public:
    MainAppWindow (MainSettings& settings, MidiInputCallbackManager& midiInput);
    ~MainAppWindow() override;

    static MainAppWindow* getInstance() noexcept { return instance; }

    static constexpr const char* windowStateKey = "windowState";
    /** Where an earlier version kept its plug-in list: still a known entry, so a file holding it
        is not taken for a damaged one. */
    static constexpr const char* knownPluginsKey = "knownPlugins";

    /** The settings file's entries kept by parts of the program other than the options. */
    [[nodiscard]] static juce::StringArray otherSettingsKeys();

    /** Gives a window the main window's frame: resizable with a corner, within the size limits. */
    static void configureFrame (juce::DocumentWindow& window);

    /** The window's size for a display of the given size: 23/24 of it, at least 800 x 600. */
    [[nodiscard]] static juce::Point<int> initialSizeFor (juce::Rectangle<int> display) noexcept;

    static constexpr int minimumWidth = 800, minimumHeight = 600;
    static constexpr int maximumWidth = 3000, maximumHeight = 2000;

    /** Builds the content and shows the window. */
    void buildContent();

    /** Saves the window state and removes the content. */
    void closeContent();

    /** The engine's owner; everything on screen reaches the engine through it. */
    EngineRuntime& getEngine() noexcept { return engine; }

    /** The content, null between closeContent and buildContent. */
    MainContentComponent* getMainContent() noexcept { return mainContent.get(); }

    /** Makes the MIDI log window (hidden), for the content just built. */
    void createMidiLogWindow();

    /** Shows the MIDI log window and brings it to the front. */
    void showMidiLog();

    /** The OSC server on, at port, for this run, whatever the options say (--osc-port). */
    void setOscPortForThisRun (int port);

    /** Opens the options dialog; with a main loop recorded, says that the options must wait. */
    void showOptions();

    /** The options dialog while it is open, else null. */
    [[nodiscard]] juce::DialogWindow* getOptionsDialog() const noexcept { return optionsDialog.getComponent(); }

    /** The performance's session; null without a pool. */
    [[nodiscard]] SessionController* getSessions() noexcept { return sessions.get(); }

    /** Runs New, Open, Save or Save As from the menu or its keys. */
    void runSessionCommand (MainContentComponent::CommandId command);

    /** Becomes the client of the session manager at url (from NSM_URL): the manager chooses the
        session's folder and when to save, so the menu keeps only Save. */
    void connectSessionManager (const juce::String& url);

    /** Opens the session in folder after asking about unsaved loops when askFirst; says why in a
        message box when it cannot. True when it was opened. */
    bool openSession (const juce::File& folder, bool askFirst);

    /** Saves to the session's folder (asking for one when it has none, or when chooseFolder);
        then is told whether it was saved. */
    void saveSession (bool chooseFolder, std::function<void (bool saved)> then = {});

    /** With unsaved loops, asks whether to save them before quitting (save, discard, cancel),
        quits as answered and returns true; without, returns false and the caller asks as ever. */
    bool askAboutUnsavedLoops();

    void closeButtonPressed() override;
    void focusGained (FocusChangeType cause) override;
    void activeWindowStatusChanged() override;

private:
    void optionChanged (Setting& option) override;
    void showPlayingMenus (bool playing);
    void refuseOptions();
    void openOptionsDialog();
    void showBusEffects();
    void updateTitle();

    static inline MainAppWindow* instance = nullptr;

    MainSettings& settings;
    juce::PropertiesFile& settingsFile;
    MidiInputCallbackManager& midiInput;
    EngineRuntime engine;
    std::unique_ptr<SessionController> sessions; // made after the engine, gone before it
    std::unique_ptr<NsmClient> sessionManager;
    std::unique_ptr<OscController> osc; // made after the engine, gone before it
    std::unique_ptr<BusEffects> busEffectSlot;
    std::unique_ptr<juce::ApplicationCommandManager> commandManager;
    std::unique_ptr<MainContentComponent> mainContent;
    std::unique_ptr<PlayingContentComponent> playingContent;
    std::unique_ptr<MidiLogWindow> midiLog;
    juce::Component::SafePointer<juce::DialogWindow> optionsDialog;
    std::optional<CallbackDisabler::ScopedDisable> optionsMidiHold; // MIDI held off while the options are open
    BlockWait optionsWait; // the options open once MIDI held off has surely reached the engine
    bool contentBuilding = false;
    bool heldKeysRepeatAsPresses = false;
    bool splashShown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};

} // namespace Work
