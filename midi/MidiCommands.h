// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/CommandSink.h"
#include "engine/GuiTimerClient.h"
#include "engine/LockFreeFifo.h"
#include "engine/PreAudioCallbackClient.h"
#include "mixer/ParameterHolders.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace juce
{
class Component; // only pointed at: the MIDI layer never draws
}

/** The command objects every performance control embeds, so that the mouse (message thread),
    MIDI (MIDI input thread) and the engine (audio thread) can all act on it.

    How it works: the mouse and MIDI never act directly. They leave a time-stamped request in
    one of the command's two queues (one per producing thread, so each stays single-producer),
    and at the start of every audio block the command's preAudioCallback hands what is waiting
    to the engine; the GUI timer then shows what the engine did. What a command does is data,
    held from its construction: a looper command (code and fields) posted into the command sink
    it is connected to, or a parameter holder a value is written into. Three kinds exist:
    - momentary (SimpleCommand): everything waiting in one block collapses into one execution,
      carrying the latest time stamp, MIDI winning over the mouse;
    - on/off (ToggleCommand): one event per block, MIDI first, so two flips never merge; the
      event's mode (flip, on, off) goes into the field of the command that takes it;
    - continuous (ControlChangeListener): the latest value is written when it changed.
    Nothing here allocates after construction, locks or waits.
*/
namespace Work::MidiCommands
{

/** The name under which a control's MIDI mappings are saved: its display name made into a
    valid XML element name (spaces become underscores, other characters outside letters,
    digits, '_', '-' and '.' are dropped, and a name that would not start with a letter or '_'
    gets a leading '_'). */
[[nodiscard]] std::string serializationNameFor (const std::string& displayName);

/** What every MIDI-driven control shares: its names, whether it may share a MIDI message with
    others, and the learn flags. */
class MidiGuiListener
    : public GuiTimerClient
    , public PreAudioCallbackClient
{
public:
    MidiGuiListener (std::string displayName, bool shareable);

    const std::string& getSerializationName() const noexcept { return serializationName; }
    const std::string& getDisplayName() const noexcept { return displayName; }
    [[nodiscard]] bool isShareable() const noexcept { return shareable; }

    /** [message] The GUI's reaction once the engine has run the command. */
    virtual void guiFeedback (std::int64_t nowMs) = 0;

    /** [message] Back to the control's default value (continuous controls only). */
    virtual void resetToDefault() = 0;

    std::atomic<bool> learnRequested { false };
    std::atomic<bool> learnEnabled { false };

    /** The screen control that shows this command, where its learn menu opens; set by the
        control after construction, null for a command with no control. */
    juce::Component* ownerComponent = nullptr;

private:
    std::string serializationName, displayName;
    bool shareable;
};

/** A momentary control: every matching message triggers it once. */
class CommandListener : public MidiGuiListener
{
public:
    using MidiGuiListener::MidiGuiListener;

    virtual void midiTriggered (std::int64_t timeMs) noexcept = 0; // [midi]
    virtual void guiTriggered (std::int64_t timeMs) noexcept = 0;  // [message]

    /** [audio] A message that came in with the block about to be processed, at frame (on the
        device's frame clock). */
    virtual void frameTriggered (std::int64_t timeMs, std::uint32_t frame) noexcept = 0;
};

class SimpleCommand : public CommandListener
{
public:
    /** A command that posts action, stamped with the press's time, once per execution. */
    SimpleCommand (std::string displayName, bool shareable, LooperCommand action = {});

    static constexpr int queueCapacity = 16;

    /** [message, while no block runs] Where the action goes; null: nowhere. */
    void setSink (CommandSink* sinkToUse) noexcept { sink = sinkToUse; }
    [[nodiscard]] const LooperCommand& getAction() const noexcept { return action; }

    void midiTriggered (std::int64_t timeMs) noexcept override { midiQueue.push (timeMs); }
    void guiTriggered (std::int64_t timeMs) noexcept override { guiQueue.push (timeMs); }
    void frameTriggered (std::int64_t timeMs, std::uint32_t frame) noexcept override;

    /** [audio] Posts the action once if anything is waiting, with the latest time stamp, or at
        the frame of a message that came in with this block. */
    void preAudioCallback() noexcept override;

    /** [message] Shows the feedback of an execution since the last tick. */
    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;

    void resetToDefault() override {}

private:
    LooperCommand action;
    CommandSink* sink = nullptr;
    LockFreeFifo<std::int64_t> midiQueue { queueCapacity };
    LockFreeFifo<std::int64_t> guiQueue { queueCapacity };
    std::atomic<bool> executedFlag { false };

    // A trigger at a frame of the coming block: written and read on the audio thread only.
    std::int64_t frameTime = 0;
    std::uint32_t frameStamp = 0;
    bool frameWaiting = false;
};

enum class ToggleMode : std::int32_t
{
    off = 0,
    on = 1,
    flip = 2
};

/** An on/off control: a matching message flips it, or with followsControllerValue a controller
    value sets it (on from 64). */
class ToggleListener : public MidiGuiListener
{
public:
    ToggleListener (std::string displayName, bool shareable, bool followsControllerValue);

    [[nodiscard]] bool followsControllerValue() const noexcept { return followsValue; }

    virtual void guiToggled (std::int64_t timeMs) noexcept = 0;              // [message]
    virtual void midiToggled (std::int64_t timeMs) noexcept = 0;             // [midi]
    virtual void midiSetState (std::int64_t timeMs, int value) noexcept = 0; // [midi]

    /** [audio] The same for a message that came in with the block about to be processed, at
        frame (on the device's frame clock). */
    virtual void frameToggled (std::int64_t timeMs, std::uint32_t frame) noexcept = 0;
    virtual void frameSetState (std::int64_t timeMs, std::uint32_t frame, int value) noexcept = 0;

private:
    bool followsValue;
};

class ToggleCommand : public ToggleListener
{
public:
    /** Which field of the action takes an event's mode. */
    enum class ModeField
    {
        none,
        first,
        second
    };

    /** A command that posts action once per event, with the event's time and, in modeField,
        its mode. */
    ToggleCommand (std::string displayName, bool shareable, bool followsControllerValue, LooperCommand action = {},
                   ModeField modeField = ModeField::none);

    static constexpr int queueCapacity = 16;

    struct ToggleEvent
    {
        std::int64_t timeMs;
        ToggleMode mode;
        std::uint32_t frame = 0;
        bool atFrame = false;
    };

    /** [message, while no block runs] Where the action goes; null: nowhere. */
    void setSink (CommandSink* sinkToUse) noexcept { sink = sinkToUse; }
    [[nodiscard]] const LooperCommand& getAction() const noexcept { return action; }

    void guiToggled (std::int64_t timeMs) noexcept override { guiQueue.push ({ timeMs, ToggleMode::flip }); }

    /** [message] Asks for a state rather than a flip, through the same queue as a click. */
    void guiSetState (std::int64_t timeMs, bool on) noexcept
    {
        guiQueue.push ({ timeMs, on ? ToggleMode::on : ToggleMode::off });
    }
    void midiToggled (std::int64_t timeMs) noexcept override { midiQueue.push ({ timeMs, ToggleMode::flip }); }
    void midiSetState (std::int64_t timeMs, int value) noexcept override
    {
        midiQueue.push ({ timeMs, value >= 64 ? ToggleMode::on : ToggleMode::off });
    }
    void frameToggled (std::int64_t timeMs, std::uint32_t frame) noexcept override
    {
        frameQueue.push ({ timeMs, ToggleMode::flip, frame, true });
    }
    void frameSetState (std::int64_t timeMs, std::uint32_t frame, int value) noexcept override
    {
        frameQueue.push ({ timeMs, value >= 64 ? ToggleMode::on : ToggleMode::off, frame, true });
    }

    /** [audio] Posts at most one waiting event: one at a frame of this block first, then MIDI,
        then the mouse. */
    void preAudioCallback() noexcept override;

    /** [message] The state the engine reports, once per GUI tick: a change is shown
        (guiFeedback); the same state again changes nothing. */
    void showState (bool on, std::int64_t nowMs);

    void guiTimerCallback (std::int64_t, int) override {}
    void resetToDefault() override {}

    [[nodiscard]] bool getShownState() const noexcept { return shownState; }

private:
    LooperCommand action;
    ModeField modeField;
    CommandSink* sink = nullptr;
    LockFreeFifo<ToggleEvent> midiQueue { queueCapacity };
    LockFreeFifo<ToggleEvent> guiQueue { queueCapacity };
    LockFreeFifo<ToggleEvent> frameQueue { queueCapacity }; // audio thread in and out
    bool shownState = false;
};

/** A continuous control (a slider): the latest controller or mouse value becomes its value,
    written into the parameter holder it drives. */
class ControlChangeListener : public MidiGuiListener
{
public:
    ControlChangeListener (std::string displayName, bool shareable, int initialValue);

    /** [midi] A controller value (clamped to 0..127). */
    void midiValue (int value) noexcept { latestValue.store (clampValue (value), std::memory_order_relaxed); }

    /** [message] A value set on screen. */
    void guiValue (int value) noexcept { latestValue.store (clampValue (value), std::memory_order_relaxed); }

    void resetToDefault() override { latestValue.store (defaultValue, std::memory_order_relaxed); }

    /** [message, while no block runs] The holder the value goes to; null: nowhere. */
    void setTarget (ControlChangeVolumeListener* holder) noexcept { setTarget (holder, nullptr); }
    void setTarget (ControlChangePanOrBalanceListener* holder) noexcept { setTarget (nullptr, holder); }

    /** [audio] Hands a changed value to the engine. */
    void preAudioCallback() noexcept override;

    /** [message] Moves the on-screen control to the latest value when they differ. */
    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;

    void guiFeedback (std::int64_t) override {}

    [[nodiscard]] int getLatestValue() const noexcept { return latestValue.load (std::memory_order_relaxed); }
    [[nodiscard]] int getDefaultValue() const noexcept { return defaultValue; }

protected:
    /** [message] The value the screen shows now. */
    [[nodiscard]] virtual int shownValue() const = 0;

    /** [message] Shows a new value. */
    virtual void showValue (int value) = 0;

private:
    static int clampValue (int v) noexcept { return v < 0 ? 0 : (v > 127 ? 127 : v); }
    void setTarget (ControlChangeVolumeListener* volume, ControlChangePanOrBalanceListener* pan) noexcept
    {
        volumeTarget = volume;
        panTarget = pan;
    }

    std::atomic<int> latestValue;
    int appliedValue;
    int defaultValue;
    ControlChangeVolumeListener* volumeTarget = nullptr;
    ControlChangePanOrBalanceListener* panTarget = nullptr;
};

} // namespace Work::MidiCommands
