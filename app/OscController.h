// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MainComponent.h"
#include "audio/EngineRuntime.h"
#include "gui/midi/MidiLogWindow.h"
#include "osc/OscServer.h"
#include "settings/MainSettings.h"

#include <functional>
#include <memory>

namespace Work
{

/** The OSC server as the program runs it: switched on, given its port and its address by the
    options (or for one run by --osc-port), pointed at the controls of each content built, and
    fed the screen's view every 50 ms for queries and subscribers. What came in is written into
    the MIDI log; commands dropped while the controls did not listen are told on the notice line,
    as MIDI's are. Without MIDI there are no controls to address and no OSC.
    [message] */
class OscController final
    : private juce::Timer
    , private MainSettings::Listener
{
public:
    OscController (MainSettings& settings, EngineRuntime& engine);
    ~OscController() override;

    /** For this run only: the server on, at this port, whatever the options say. */
    void setPortForThisRun (int port);

    /** The content just built: its controls are what commands address, from the next block on.
        Before the device opens. midiLog gives the MIDI log window, when there is one. */
    void attach (MainComponent& screen, std::function<MidiLogWindow*()> midiLog);

    /** The content is going: no command reaches its controls any more. After the device closed. */
    void detach();

    /** The controls registered for MIDI changed while the content stays (a bus effect came or
        went): the addresses follow, from the next block on. Commands waiting are dropped. */
    void refreshAddresses();

    /** The server, while it runs; else null. */
    [[nodiscard]] OscServer* getServer() noexcept { return running ? server.get() : nullptr; }

private:
    void timerCallback() override;
    void optionChanged (Setting& option) override;
    void restart();

    MainSettings& settings;
    EngineRuntime& engine;
    std::unique_ptr<OscInbox> inbox;
    std::unique_ptr<OscServer> server;
    MainComponent* screen = nullptr;
    std::function<MidiLogWindow*()> midiLog;
    int portForThisRun = 0;
    bool running = false;
    int startedPort = 0;
    bool startedEveryNetwork = false;
    std::uint64_t heldOffShown = 0;

    JUCE_DECLARE_NON_COPYABLE (OscController)
};

} // namespace Work
