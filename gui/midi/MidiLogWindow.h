// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/CallbackDisabler.h"
#include "engine/LockFreeFifo.h"
#include "midi/MidiGuiManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <optional>

namespace Work
{

/** The MIDI log: the incoming messages that could drive a control, one per line, the newest at
    the bottom, never more than 28; a pause button and the filter button. It is also where MIDI
    learn happens: the next message that arrives while a control waits to learn is assigned to
    it (the status line says which control, then what it got).

    How it works: on the MIDI thread a message is kept only when it could be a key and is not
    filtered, and is left in a lock-free queue; every 10 ms the GUI takes the first waiting
    message, offers it for learning, writes its line and drops any others (one line per tick).
    The log's own input is held off by its gate while the window is hidden or paused.
    [message], except midiArrived() [midi] */
class MidiLogComponent final
    : public juce::Component
    , public MidiInputCallbackManager::MidiInputCallbackItem
    , public CallbackDisabler::Manager
    , private juce::Timer
{
public:
    static constexpr int maxLines = 28;

    MidiLogComponent (MidiInputCallbackManager& fanOut, MidiGuiManager& manager, juce::Colour background,
                      juce::Colour accent);
    ~MidiLogComponent() override;

    // [midi]
    void midiArrived (const std::uint8_t* bytes, int size, std::int64_t timeMs, MidiDelivery delivery) noexcept override;

    /** Learning: control waits for the next message, once the window shows it. */
    void learn (MidiCommands::MidiGuiListener& control, MidiCommandKind kind);

    /** Clears every waiting and current learning target and the status line. */
    void forgetTargets();

    /** Ticks only while its window shows: hidden, it hears no MIDI and has nothing to show. */
    void setShown (bool shown);

    /** Pauses or resumes the log, as the pause button does. */
    void setPaused (bool shouldBePaused);
    [[nodiscard]] bool isPaused() const noexcept { return paused; }

    /** One tick's work: a learning target that was asked for takes over, and the first message
        waiting is offered for learning and written as a line; any others are dropped. */
    void showNextMessage();

    /** An OSC message as a line ("OSC" and what came), while the log shows and is not paused:
        OSC shares the log with MIDI, but never learning. */
    void showOscLine (const juce::String& what);

    /** The lines shown, oldest first. */
    [[nodiscard]] juce::StringArray getLines() const;
    [[nodiscard]] juce::String getStatus() const { return status.getText(); }

    /** Opens the filter editor (the filter button). */
    void editFilter();

    /** The line a message gets: its time stamp in seconds, then what it is. */
    [[nodiscard]] static juce::String lineFor (double seconds, const std::uint8_t* bytes, int size);

    void resized() override;
    void paint (juce::Graphics& g) override;

private:
    struct LoggedMessage
    {
        double seconds;
        std::uint8_t bytes[4];
        int size;
    };

    void timerCallback() override;
    void takePendingTarget();
    void offerForLearning (const LoggedMessage& message);
    void appendLine (const juce::String& line);
    void refreshFilterButton();

    MidiGuiManager& manager;
    juce::Colour background, accent;
    LockFreeFifo<LoggedMessage> messages { 256 };
    juce::TextEditor text;
    juce::Label status;
    juce::TextButton pauseButton, filterButton;
    juce::Array<int> lineLengths;
    std::vector<MidiKey> filterCopy;

    struct Target
    {
        MidiCommands::MidiGuiListener* control = nullptr;
        MidiCommandKind kind = MidiCommandKind::momentary;
    };
    std::optional<Target> pending, current;

    std::optional<CallbackDisabler::ScopedDisable> pausedHold;
    bool paused = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiLogComponent)
};

/** The window the MIDI log lives in. While it shows, the controls do not follow MIDI (the MIDI
    mapping manager's gate is held: the looper is told of each message instead) and the log
    listens; while hidden it is the other way round, and learning stops. It takes the keys when
    it opens; Escape or the close button hide it, and onHidden gives the keys back. [message] */
class MidiLogWindow final : public juce::DocumentWindow
{
public:
    MidiLogWindow (const juce::String& title, MidiInputCallbackManager& fanOut, MidiGuiManager& manager);
    ~MidiLogWindow() override;

    void setVisible (bool shouldBeVisible) override;
    void closeButtonPressed() override;
    bool keyPressed (const juce::KeyPress& key) override;

    [[nodiscard]] MidiLogComponent& getLog() noexcept { return log; }

    /** Called when the window goes. */
    std::function<void()> onHidden;

private:
    MidiGuiManager& manager;
    MidiLogComponent log;
    std::optional<CallbackDisabler::ScopedDisable> dispatchHeld, logHeld;
    bool shown = false;
};

} // namespace Work
