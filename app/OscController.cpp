// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OscController.h"

namespace Work
{

OscController::OscController (MainSettings& settingsToUse, EngineRuntime& engineToUse)
    : settings (settingsToUse)
    , engine (engineToUse)
{
    if (auto* manager = engine.getMidiGuiManager())
    {
        inbox = std::make_unique<OscInbox> (*manager);
        server = std::make_unique<OscServer> (*inbox, engine.getDevice());
    }

    settings.addListener (this);
    restart();
}

OscController::~OscController()
{
    settings.removeListener (this);
    stopTimer();
    if (server != nullptr)
        server->stop();
}

void OscController::setPortForThisRun (int port)
{
    portForThisRun = port;
    restart();
}

void OscController::attach (MainComponent& screenToUse, std::function<MidiLogWindow*()> midiLogToUse)
{
    screen = &screenToUse;
    midiLog = std::move (midiLogToUse);

    auto* manager = engine.getMidiGuiManager();
    auto* device = engine.getDevice();
    if (server == nullptr || manager == nullptr || device == nullptr)
        return;

    auto book = std::make_shared<const OscAddressBook> (manager->getDispatcher());
    inbox->useBook (book->getId());
    [[maybe_unused]] const bool set = device->setBlockEventSource (inbox.get());
    jassert (set); // attached while blocks may run: commands would wait for nothing
    server->setAddressBook (std::move (book));
    heldOffShown = inbox->getHeldOff();
    startTimer (int (OscServer::positionIntervalMs));
}

void OscController::refreshAddresses()
{
    auto* manager = engine.getMidiGuiManager();
    auto* device = engine.getDevice();
    if (screen == nullptr || server == nullptr || manager == nullptr || device == nullptr)
        return;

    auto book = std::make_shared<const OscAddressBook> (manager->getDispatcher());
    {
        // The inbox's waiting commands belong to the audio thread: changed between two blocks.
        const CallbackDisabler::ScopedDisable gate (*device);
        inbox->useBook (book->getId());
    }
    server->setAddressBook (std::move (book));
}

void OscController::detach()
{
    stopTimer();
    screen = nullptr;
    midiLog = nullptr;

    if (server == nullptr)
        return;

    server->setAddressBook (nullptr);
    if (auto* device = engine.getDevice())
        device->setBlockEventSource (nullptr);
    inbox->useBook (0);
}

void OscController::optionChanged (Setting& option)
{
    if (&option == &settings.oscServer || &option == &settings.oscPort || &option == &settings.oscAddress)
        restart();
}

void OscController::restart()
{
    if (server == nullptr)
        return;

    const bool wanted = portForThisRun > 0 || settings.oscServer.isOn();
    const int port = portForThisRun > 0 ? portForThisRun : settings.oscPort.getNumber();
    const bool everyNetwork = settings.oscAddress.getIndex() == 1;

    if (wanted == running && (! wanted || (port == startedPort && everyNetwork == startedEveryNetwork)))
        return;

    server->stop();
    running = false;

    if (! wanted)
        return;

    if (const auto error = server->start (port, everyNetwork); error.isNotEmpty())
    {
        juce::Logger::writeToLog (error);
        if (screen != nullptr)
            screen->getNoticeLine().showText (error);
        return;
    }

    running = true;
    startedPort = port;
    startedEveryNetwork = everyNetwork;
    juce::Logger::writeToLog ("OSC server: port " + juce::String (port)
                              + (everyNetwork ? ", every network" : ", this computer only"));
}

void OscController::timerCallback()
{
    if (screen == nullptr || server == nullptr)
        return;

    auto status = OscStatus::from (screen->getView());
    status.counts = server->getCounts();
    server->publish (status, juce::Time::currentTimeMillis());

    // The log shows the newest lines; in a flood the others are only counted.
    auto* log = midiLog ? midiLog() : nullptr;
    juce::StringArray lines;
    while (const auto* line = server->nextLogLine())
    {
        lines.add (juce::String::fromUTF8 (line->text));
        if (lines.size() > 4)
            lines.remove (0);
    }
    if (log != nullptr)
        for (const auto& line : lines)
            log->getLog().showOscLine (line);

    if (const auto heldOff = inbox->getHeldOff(); heldOff != heldOffShown)
    {
        heldOffShown = heldOff;
        screen->getNoticeLine().showText (
            "OSC input was ignored: the controls do not listen while the MIDI log or the options are open.");
    }
}

} // namespace Work
