// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainAppWindow.h"

#include "ProductInfo.h"
#include "QuitQuestion.h"
#include "WindowSystem.h"
#include "gui/controls/Dialogs.h"
#include "gui/look/ColourPalette.h"
#include "gui/look/Logo.h"
#include "gui/options/OptionsComponent.h"

namespace Work
{

juce::StringArray MainAppWindow::otherSettingsKeys()
{
    return { windowStateKey,
             knownPluginsKey,
             AudioDevice::deviceStateKey,
             EngineRuntime::beatsPerBarKey,
             MidiGuiManager::mappingsKey,
             MidiGuiManager::filterKey,
             MidiGuiManager::lastFileKey,
             BusEffects::settingsKey,
             EffectScan::settingsKey };
}

MainAppWindow::MainAppWindow (MainSettings& settingsToUse, MidiInputCallbackManager& midiInputToUse)
    : juce::DocumentWindow (ProductInfo::getNameWithVersion(), ColourPalette::backgroundColour(),
                            juce::DocumentWindow::allButtons)
    , settings (settingsToUse)
    , settingsFile (settingsToUse.getUserSettings())
    , midiInput (midiInputToUse)
    , engine (settingsToUse, &midiInputToUse,
              static_cast<std::uint64_t> (juce::jmax (0, juce::SystemStats::getMemorySizeInMegabytes())))
{
    instance = this;

    if (! engine.hasPool())
    {
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, ProductInfo::getNameWithVersion(),
                                           "Not enough memory could be reserved for recording (at least 256 MB are needed). "
                                           "Close other programs and start again.");
        juce::JUCEApplication::quit();
        return;
    }

    sessions = std::make_unique<SessionController> (engine, settingsFile);
    osc = std::make_unique<OscController> (settings, engine);
    busEffectSlot = std::make_unique<BusEffects> (engine, settingsFile);
    busEffectSlot->onChange = [this] {
        showBusEffects();
        if (osc != nullptr)
            osc->refreshAddresses(); // the effect's controls have addresses while it is on the bus
    };
    busEffectSlot->onNotice = [this] (const juce::String& text) {
        if (mainContent != nullptr)
            mainContent->getMainComponent().getNoticeLine().showText (text);
    };
    sessions->onChange = [this] {
        updateTitle();
        if (sessionManager != nullptr)
            sessionManager->setDirty (sessions->hasUnsavedChanges());
    };
    sessions->busEffect = [this] { return busEffectSlot->image(); };
    sessions->useBusEffect = [this] (const std::optional<BusEffectImage>& image) { busEffectSlot->useImage (image); };
    sessions->loopsExist = [this] { return mainContent != nullptr && mainContent->getMainComponent().hasLoops(); };
    sessions->tempoMilliBpm = [this] {
        return mainContent != nullptr ? mainContent->getMainComponent().getView().tempoMilliBpm : 0;
    };

    // Where held keys repeat as presses alone, every release the screen sees is a key let go.
    heldKeysRepeatAsPresses = repeatHeldKeysAsPressesOnly();

    commandManager = std::make_unique<juce::ApplicationCommandManager>();
    configureFrame (*this);
    setIcon (Logo::icon (128));
    settings.addListener (this);

    buildContent();
    sessions->engineChanged(); // the effect the settings put back is where a new performance starts
}

MainAppWindow::~MainAppWindow()
{
    // Closing the options stores them; the dialog must go while the engine it shows still exists.
    if (optionsDialog != nullptr)
        delete optionsDialog.getComponent();

    settings.removeListener (this);
    sessionManager = nullptr;
    sessions = nullptr; // a save under way is finished first
    closeContent();
    busEffectSlot = nullptr;
    osc = nullptr;
    commandManager = nullptr;
    instance = nullptr;
}

void MainAppWindow::configureFrame (juce::DocumentWindow& window)
{
    window.setResizable (true, true);
    window.setResizeLimits (minimumWidth, minimumHeight, maximumWidth, maximumHeight);
}

juce::Point<int> MainAppWindow::initialSizeFor (juce::Rectangle<int> display) noexcept
{
    return { juce::jmax (minimumWidth, display.getWidth() * 23 / 24),
             juce::jmax (minimumHeight, display.getHeight() * 23 / 24) };
}

void MainAppWindow::buildContent()
{
    juce::Rectangle<int> display (1024, 768);

    if (const auto* main = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay())
        display = main->totalArea;

    const auto size = initialSizeFor (display);
    contentBuilding = true;

    if (! splashShown)
    {
        // The splash screen deletes itself once its time is up.
        auto* splash =
            new juce::SplashScreen (ProductInfo::getNameWithVersion() + " is starting", Logo::onBackground(), false);
        splash->deleteAfterDelay (juce::RelativeTime::seconds (2.0), true);
        splashShown = true;
    }

    if (! engine.buildEngine())
        return;

    mainContent = std::make_unique<MainContentComponent> (engine, settings, &midiInput);
    playingContent = std::make_unique<PlayingContentComponent>();
    mainContent->onShowMidiLog = [this] { showMidiLog(); };
    mainContent->onShowOptions = [this] { showOptions(); };
    auto& screen = mainContent->getMainComponent();
    screen.onLearn = [this] (MidiCommands::MidiGuiListener& control, MidiCommandKind kind) {
        if (midiLog == nullptr)
            return;
        midiLog->getLog().learn (control, kind);
        showMidiLog();
    };
    screen.onTransportShown = [this] (bool playing) { showPlayingMenus (playing); };
    screen.onTitleChanged = [this] (const juce::String& title) { setName (title); };
    mainContent->sessionManaged = sessionManager != nullptr;
    mainContent->onSessionCommand = [this] (MainContentComponent::CommandId command) { runSessionCommand (command); };
    mainContent->recentSessions = [this] { return sessions->getRecentSessions(); };
    mainContent->onOpenRecent = [this] (const juce::File& folder) { openSession (folder, true); };
    engine.getMainAudio()->onStatusChanged = [&screen] (const juce::String& text) {
        screen.setDeviceStatus (text);
        // Also for whoever started the program from a terminal.
        juce::Logger::writeToLog ("Audio device: " + text);
    };

    commandManager->registerAllCommandsForTarget (mainContent.get());
    commandManager->registerAllCommandsForTarget (juce::JUCEApplication::getInstance());
    mainContent->setCommandManager (commandManager.get());
    addKeyListener (commandManager->getKeyMappings());
    addKeyListener (&screen.getKeys());
    if (heldKeysRepeatAsPresses)
        screen.getKeys().getRepeatFilter().trustReleases();

    centreWithSize (size.x, size.y);
    setContentNonOwned (mainContent.get(), false);
    setMenuBar (mainContent.get());
    mainContent->setApplicationCommandManagerToWatch (commandManager.get());

    // Reading and writing the state back keeps the key in the file even before the first close.
    const auto state = settingsFile.getValue (windowStateKey);
    settingsFile.setValue (windowStateKey, state);
    restoreWindowStateFromString (state);

    if (osc != nullptr)
        osc->attach (screen, [this] { return midiLog.get(); });

    if (const auto error = engine.openAudio(); error.isNotEmpty())
        juce::AlertWindow::showMessageBoxAsync (
            juce::MessageBoxIconType::WarningIcon, ProductInfo::getNameWithVersion(),
            error
                + "\n\nThe program runs without audio until a device is chosen, and opens the last one as soon as it can.");

    if (busEffectSlot != nullptr)
    {
        busEffectSlot->onLearn = screen.onLearn;
        busEffectSlot->restore();
        auto& slot = screen.getMixBuses().getBus (screen.getMixBuses().getNumBuses() - 1).getEffectButton();
        slot.onClick = [this, &slot] { busEffectSlot->slotClicked (slot); };
    }
    showBusEffects();
    createMidiLogWindow();
    screen.start();
    setVisible (true);
    toFront (true);
    screen.grabKeyboardFocus();
}

void MainAppWindow::createMidiLogWindow()
{
    if (auto* manager = engine.getMidiGuiManager())
    {
        midiLog = std::make_unique<MidiLogWindow> ("MIDI log", midiInput, *manager);
        midiLog->onHidden = [this] {
            if (mainContent != nullptr)
                mainContent->getMainComponent().takeKeysBack();
        };
    }
}

void MainAppWindow::setOscPortForThisRun (int port)
{
    if (osc != nullptr)
        osc->setPortForThisRun (port);
}

void MainAppWindow::showMidiLog()
{
    if (midiLog == nullptr)
        return;

    midiLog->setVisible (true);
}

void MainAppWindow::showOptions()
{
    auto* audio = engine.getMainAudio();

    if (mainContent == nullptr || audio == nullptr || optionsDialog != nullptr || optionsWait.isWaiting())
        return;

    if (mainContent->getMainComponent().hasMainLoop() || (sessions != nullptr && sessions->isSaving()))
    {
        refuseOptions();
        return;
    }

    // Every change of an option rebuilds the engine, so while the options are open no loop may
    // start: the controls stop following MIDI (the looper says so when MIDI arrives), as while
    // the MIDI log is open; keys and clicks go to the dialog.
    if (auto* manager = engine.getMidiGuiManager())
        optionsMidiHold.emplace (*manager);

    // A press MIDI gave just before is still on its way: it reaches the looper in the next
    // block. The dialog opens once the looper has run two blocks since, and what they did has
    // been shown; a loop they started refuses the options as any loop does.
    optionsWait.start (engine.getDevice(), 2, [this] {
        if (mainContent == nullptr)
        {
            optionsMidiHold.reset();
            return;
        }

        auto& screen = mainContent->getMainComponent();
        screen.refreshNow();

        if (screen.hasMainLoop())
        {
            optionsMidiHold.reset();
            refuseOptions();
            return;
        }

        openOptionsDialog();
    });
}

void MainAppWindow::refuseOptions()
{
    // Once the box goes, the keys are the screen's again: space starts the loops at once.
    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::InfoIcon, "Options locked",
                                            "The options can be changed only while no loop is recorded: "
                                            "reset the loops first.",
                                            {}, nullptr, juce::ModalCallbackFunction::create ([this] (int) {
                                                if (mainContent != nullptr)
                                                    mainContent->getMainComponent().takeKeysBack();
                                            }));
}

void MainAppWindow::openOptionsDialog()
{
    auto* audio = engine.getMainAudio();

    // The clock is held while the options are open, and afterwards sends again only if the
    // performer had it on.
    auto* clock = engine.getClock();
    const bool clockWasOn = clock != nullptr && clock->isEnabled();

    if (auto* looper = engine.getLooper(); looper != nullptr && clockWasOn)
        looper->postFromMessageThread ({ CommandCode::clockOutput, 0, 0, 0, juce::Time::currentTimeMillis() });

    if (midiLog != nullptr)
        midiLog->setVisible (false);

    auto content = std::make_unique<OptionsComponent> (settings, audio->getDevice().getDeviceManager(),
                                                       audio->getNumEngineInputs(), audio->getNumEngineOutputs());

    content->onClosed = [this, clockWasOn] {
        if (auto* device = engine.getDevice())
            device->saveState();

        optionsMidiHold.reset();

        if (auto* looper = engine.getLooper(); looper != nullptr && clockWasOn)
            looper->postFromMessageThread ({ CommandCode::clockOutput, 1, 0, 0, juce::Time::currentTimeMillis() });
    };

    optionsDialog = Dialogs::open (std::move (content), "Options", this);
}

void MainAppWindow::showBusEffects()
{
    auto* audio = engine.getMainAudio();
    if (mainContent == nullptr || audio == nullptr)
        return;

    std::vector<juce::StringArray> names;
    if (const auto* chains = audio->busEffects.get())
        for (const auto& chain : *chains)
        {
            names.emplace_back();
            for (const auto& entry : chain->entries)
                if (entry.effect != nullptr)
                    names.back().add (juce::String::fromUTF8 (entry.effect->getInfo().name.c_str()));
        }

    mainContent->getMainComponent().getMixBuses().showEffects (names);
}

void MainAppWindow::showPlayingMenus (bool playing)
{
    if (mainContent != nullptr && playingContent != nullptr)
        setMenuBar (playing ? static_cast<juce::MenuBarModel*> (playingContent.get()) : mainContent.get());
}

void MainAppWindow::closeContent()
{
    engine.closeAudio();

    if (busEffectSlot != nullptr)
        busEffectSlot->release();

    if (osc != nullptr)
        osc->detach();

    if (contentBuilding)
    {
        settingsFile.setValue (windowStateKey, getWindowStateAsString());
        settingsFile.saveIfNeeded();
    }

    if (commandManager != nullptr)
        removeKeyListener (commandManager->getKeyMappings());

    if (mainContent != nullptr)
        removeKeyListener (&mainContent->getMainComponent().getKeys());

    setMenuBar (nullptr);
    clearContentComponent();
    midiLog = nullptr;

    if (auto* audio = engine.getMainAudio())
        audio->onStatusChanged = nullptr;

    playingContent = nullptr;
    mainContent = nullptr;
    engine.teardownEngine();
}

void MainAppWindow::closeButtonPressed()
{
    if (askAboutUnsavedLoops())
        return;

    setVisible (false);

    if (askToQuit())
    {
        juce::JUCEApplication::quit();
        return;
    }

    setVisible (true);
    toFront (true);
}

bool MainAppWindow::askAboutUnsavedLoops()
{
    if (sessions != nullptr && sessions->hasUnsavedLoops())
    {
        const MidiInputCallbackManager::ScopedDisable withdrawn (midiInput);
        // showYesNoCancelBox answers 1 for the first button, 2 for the second, 0 for cancel.
        const auto answer = juce::AlertWindow::showYesNoCancelBox (
            juce::MessageBoxIconType::QuestionIcon, ProductInfo::getNameWithVersion(),
            "The loops of " + sessions->getName() + " have changes that are not saved. Save them before quitting?", "Save",
            "Discard", "Cancel", nullptr, nullptr);

        if (answer == 1)
            saveSession (false, [] (bool saved) {
                if (saved)
                    juce::JUCEApplication::quit();
            });
        else if (answer == 2)
            juce::JUCEApplication::quit();
        return true;
    }

    return false;
}

void MainAppWindow::updateTitle()
{
    if (mainContent == nullptr || sessions == nullptr)
        return;

    const bool named = sessions->getFolder() != juce::File();
    const bool unsaved = sessions->hasUnsavedLoops() || (named && sessions->hasUnsavedChanges());
    const auto text = named || unsaved ? sessions->getName() + (unsaved ? " *" : "") : juce::String();
    mainContent->getMainComponent().setTitleTexts (text, {});
}

void MainAppWindow::runSessionCommand (MainContentComponent::CommandId command)
{
    if (sessions == nullptr)
        return;

    switch (command)
    {
        case MainContentComponent::newSession:
        {
            const MidiInputCallbackManager::ScopedDisable withdrawn (midiInput);
            if (sessions->hasUnsavedLoops()
                && ! juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, "New session",
                                                         "The loops of " + sessions->getName()
                                                             + " have changes that are not saved. Start again without them?",
                                                         "Start again", "Cancel"))
                return;
            sessions->startNew();
            return;
        }
        case MainContentComponent::openSession:
        {
            const MidiInputCallbackManager::ScopedDisable withdrawn (midiInput);
            auto start = sessions->getFolder().getParentDirectory();
            if (sessions->getFolder() == juce::File())
                start = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
            juce::FileChooser chooser ("Open a session folder", start);
            if (chooser.browseForDirectory())
                openSession (chooser.getResult(), true);
            return;
        }
        case MainContentComponent::saveSession: saveSession (false); return;
        case MainContentComponent::saveSessionAs: saveSession (true); return;
        default: return;
    }
}

void MainAppWindow::connectSessionManager (const juce::String& url)
{
    if (sessions == nullptr)
        return;

    NsmClient::Handlers handlers;
    handlers.open = [this] (const juce::File& folder, const juce::String&) -> juce::String {
        // A folder the manager names for the first time starts an empty session there.
        if (folder.getChildFile (SessionDocument::fileName).existsAsFile())
            return sessions->open (folder);
        if (sessions->isSaving())
            return "A save is being written.";
        sessions->startNew();
        sessions->setFolder (folder);
        return {};
    };
    handlers.save = [this] (std::function<void (const juce::String&)> done) {
        if (sessions->getFolder() == juce::File())
            return done ("The session manager has not named a folder yet.");
        sessions->save (sessions->getFolder(), std::move (done));
    };
    handlers.showWindow = [this] (bool show) {
        setVisible (show);
        if (show)
            toFront (true);
    };

    const auto executable = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFileName();
    sessionManager = NsmClient::announce (url, executable, std::move (handlers), isVisible());
    if (mainContent != nullptr)
        mainContent->sessionManaged = sessionManager != nullptr;
}

bool MainAppWindow::openSession (const juce::File& folder, bool askFirst)
{
    if (sessions == nullptr)
        return false;

    const MidiInputCallbackManager::ScopedDisable withdrawn (midiInput);
    if (askFirst && sessions->hasUnsavedLoops()
        && ! juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, "Open a session",
                                                 "The loops of " + sessions->getName()
                                                     + " have changes that are not saved. Open " + folder.getFileName()
                                                     + " without saving them?",
                                                 "Open", "Cancel"))
        return false;

    if (const auto error = sessions->open (folder); error.isNotEmpty())
    {
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, "The session was not opened", error,
                                                {}, this);
        return false;
    }

    if (auto* looper = engine.getLooper())
        looper->postText (("Opened " + folder.getFileName() + ".").toRawUTF8());
    return true;
}

void MainAppWindow::saveSession (bool chooseFolder, std::function<void (bool)> then)
{
    if (sessions == nullptr)
        return;

    auto folder = sessions->getFolder();
    if (chooseFolder || folder == juce::File())
    {
        const MidiInputCallbackManager::ScopedDisable withdrawn (midiInput);
        const auto start = folder != juce::File()
                               ? folder
                               : juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile ("Session");
        juce::FileChooser chooser ("Save the session as a folder", start);
        if (! chooser.browseForFileToSave (false))
            return;
        folder = chooser.getResult();
    }

    sessions->save (folder, [this, folder, then = std::move (then)] (const juce::String& error) {
        if (error.isNotEmpty())
            juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, "The session was not saved",
                                                    error, {}, this);
        else if (auto* looper = engine.getLooper())
            looper->postText (("Saved " + folder.getFileName() + ".").toRawUTF8());
        if (then)
            then (error.isEmpty());
    });
}

void MainAppWindow::focusGained (FocusChangeType)
{
    // The window itself took the keys (the window system gave it the focus before anything in
    // it asked): the screen's, so that the performer's first key acts.
    if (mainContent != nullptr && ! isCurrentlyBlockedByAnotherModalComponent())
        mainContent->getMainComponent().grabKeyboardFocus();
}

void MainAppWindow::activeWindowStatusChanged()
{
    juce::DocumentWindow::activeWindowStatusChanged();

    if (isActiveWindow() && mainContent != nullptr)
        mainContent->getMainComponent().windowActivated();
}

void MainAppWindow::optionChanged (Setting&)
{
    // Every change made in the options dialog rebuilds the content, engine included, so the
    // screen shows the new options at once; changes from elsewhere reach the engine directly.
    if (settings.isOptionsDialogOpen())
    {
        if (sessions != nullptr)
            sessions->engineWillChange();
        closeContent();
        buildContent();
        if (sessions != nullptr)
            sessions->engineChanged();

        // The rebuilt window came to the front: the dialog belongs above it.
        if (optionsDialog != nullptr)
            optionsDialog->toFront (true);
    }
}

} // namespace Work
