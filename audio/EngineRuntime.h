// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ClockDeviceOutput.h"
#include "DeviceKeeper.h"
#include "MainAudio.h"
#include "engine/CursorWord.h"
#include "engine/MidiClock.h"
#include "engine/ScreenPort.h"
#include "link/LinkSession.h"
#include "midi/MidiClockSender.h"
#include "midi/TapTempo.h"
#include "settings/MainSettings.h"

#include <cstdint>
#include <memory>

namespace Work
{

/** The engine's owner below the window: everything the screen and the window reach the engine
    through, with the lifetime and the wiring in one place.

    It owns, in the order they are made: the engine runtime and the sample pool (for its whole
    life), MainAudio (the device, the MIDI mapping manager and, between buildEngine and
    teardownEngine, the looper and the mixer), the MIDI clock with its tempo source and its
    thread, and the record cursors' word, which the looper is given before audio starts. The
    clock sends to the JACK device's MIDI output port, in the cycle of the audio it belongs to,
    and to the MIDI output device chosen in the options; the beats per bar are kept in the
    settings file.

    Options reach the engine by one route: applySettings reads every option the engine uses
    from MainSettings and writes it into its consumer (the looper's options and latency offset,
    input monitoring, the MIDI dispatcher's repeat filter and controller handling). It runs when
    the engine is built and whenever an option changes.

    It is the screen's port to the engine: the controls' commands go to the looper's queue, and
    one GUI tick (refresh) drains the looper's queues into the screen's view once, runs, as a step
    of its own, the work the audio thread asked for (a confirmed reset of every loop, a mix reset),
    and reads the record cursors.

    Threads: message thread only. The audio thread reaches the objects owned here through the
    device callback, never through this class.
*/
class EngineRuntime final
    : public ScreenPort
    , private MainSettings::Listener
    , private juce::ChangeListener
{
public:
    /** The shipped engine: 2 mono inputs, 8 mono loop channels, 1 stereo bus, 1 record cursor. */
    static constexpr int numInputs = 2, numLoopChannels = 8, numBuses = 1, numCursors = 1;

    /** [message] Starts the engine runtime and reserves the sample pool for a machine with
        physicalMemoryMb of memory (0 when unknown), with its fallback sizes; MainAudio is made
        only when some pool could be had. midiInput, the application's MIDI input fan-out, may
        be null (the engine then takes no MIDI). */
    EngineRuntime (MainSettings& settings, MidiInputCallbackManager* midiInput, std::uint64_t physicalMemoryMb);
    ~EngineRuntime() override;

    /** Size of the sample pool in megabytes, 0 when none could be reserved. */
    [[nodiscard]] std::uint32_t getPoolMegabytes() const noexcept { return poolMegabytes; }
    [[nodiscard]] bool hasPool() const noexcept { return mainAudio != nullptr; }

    /** [message] Sets the engine up and hands the looper its cursor word, its clock and the
        options in force. False (nothing built) without a pool. */
    bool buildEngine();

    /** [message] Opens the saved (or default) device; the error text, empty on success. From
        then on the device is kept: when it stops, or could not be opened, it is tried again
        about once a second until it runs. */
    juce::String openAudio();

    /** [message] Saves the device state and closes the device. */
    void closeAudio();

    /** [message] Deletes the looper and the mixer; the device is closed first when open. */
    void teardownEngine();

    // ScreenPort [message]; the sink is the looper's, valid between buildEngine and teardownEngine.
    CommandSink& getCommandSink() noexcept override;
    bool postFromScreen (const LooperCommand& command) noexcept override;
    void refresh (LooperView& view) override;
    void showCursors (std::uint32_t word) noexcept override;

    /** [message] Reads every option the engine uses into its consumer. */
    void applySettings();

    /** [message, before buildEngine] The MIDI clock and its tempo source the looper is given;
        the runtime's own unless replaced (tests), null for none. Not owned. */
    void setClockPair (MidiClockPair* pair) noexcept { clockPair = pair; }
    [[nodiscard]] MidiClockPair* getClockPair() const noexcept { return clockPair; }

    /** The runtime's MIDI clock and tempo source, null without a pool. */
    [[nodiscard]] MidiClockSender* getClock() noexcept { return clock.get(); }
    [[nodiscard]] TapTempo* getTapTempo() noexcept { return tapTempo.get(); }

    /** [message] New beats per bar (1 to 19) for the clock, kept in the settings file. */
    void setBeatsPerBar (int beatsPerBar);

    static constexpr const char* beatsPerBarKey = "clockBeatsPerBar";

    /** The Link session, made the first time the settings ask to join one; null before. */
    [[nodiscard]] LinkSession* getLinkSession() noexcept { return link.get(); }

    [[nodiscard]] MainAudio* getMainAudio() noexcept { return mainAudio.get(); }
    [[nodiscard]] DeviceKeeper* getDeviceKeeper() noexcept { return keeper.get(); }
    [[nodiscard]] VarnoloLooper* getLooper() noexcept { return mainAudio != nullptr ? mainAudio->getLooper() : nullptr; }
    [[nodiscard]] AudioDevice* getDevice() noexcept { return mainAudio != nullptr ? &mainAudio->getDevice() : nullptr; }
    [[nodiscard]] MidiGuiManager* getMidiGuiManager() noexcept;
    [[nodiscard]] CursorWord* getCursorWord() noexcept { return cursors.get(); }
    [[nodiscard]] MainSettings& getSettings() noexcept { return settings; }

private:
    void optionChanged (Setting&) override { applySettings(); }

    /** The device manager changed: the clock follows the MIDI output chosen there. */
    void changeListenerCallback (juce::ChangeBroadcaster*) override { refreshClockOutput(); }
    void refreshClockOutput();
    /** [message] Joins or leaves the Link session as the settings say, making it when first joined. */
    void applyLinkSettings();
    /** [message] A join or leave a command asked for, kept in the settings; the session as it stands, into view. */
    void refreshLink (LooperView& view);

    MainSettings& settings;
    std::uint32_t poolMegabytes = 0;
    std::unique_ptr<MainAudio> mainAudio;
    std::unique_ptr<DeviceKeeper> keeper;
    std::unique_ptr<CursorWord> cursors;
    std::unique_ptr<TapTempo> tapTempo;
    std::unique_ptr<MidiClockSender> clock;
    std::unique_ptr<LinkSession> link;
    MidiClockPair ownClockPair;
    MidiClockPair* clockPair = nullptr;
    juce::String clockOutputIdentifier;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EngineRuntime)
};

} // namespace Work
