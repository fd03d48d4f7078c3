// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MidiCommands.h"
#include "MidiKey.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace Work
{

/** Which table a control's mappings live in. */
enum class MidiCommandKind
{
    momentary,
    continuous,
    toggle
};

/** What a command addressed to a control by name rather than by a MIDI message (OSC) asks:
    trigger a momentary control; flip a toggle or set it on or off; set a continuous control's
    value (0 to 127). */
enum class NamedAction : std::uint8_t
{
    trigger,
    flip,
    on,
    off,
    value
};

/** The MIDI mappings of the controls, and the dispatch of incoming keys to them.

    How it works: three tables, one per kind of control, hold {key, control, last dispatch}
    entries in assignment order. An incoming key fires every matching entry (type and number
    equal; the value is the controller value), unless the repeat filter holds it back: within
    repeatInterval of an entry's last dispatch, a momentary or flipping trigger is dropped, and a
    controller value only when it repeats value 0. Toggles that follow controller values take
    the value as their state when controllers set toggles.

    Assignment checks conflicts: a key already used by another control of a kind it could be
    confused with is refused, unless both controls may share messages.

    Threads: dispatch() and isFiltered() run on the MIDI input thread and only read. Everything
    that changes a list or a table runs on the message thread while MIDI input is withdrawn
    (the input fan-out's disable scope), so no dispatch is in progress. The filter list is
    replaced whole, so it may change while MIDI arrives.
*/
class MidiDispatcher
{
public:
    /** When an entry last fired: read and written by dispatch on the MIDI thread and on the
        audio thread (JACK MIDI at its frames), so a single relaxed word; copied whole while the
        tables change, when no dispatch runs. */
    struct DispatchTime
    {
        DispatchTime() = default;
        DispatchTime (std::int64_t timeMs) noexcept
            : ms (timeMs)
        {
        }
        DispatchTime (const DispatchTime& other) noexcept
            : ms (other.ms.load (std::memory_order_relaxed))
        {
        }
        DispatchTime& operator= (const DispatchTime& other) noexcept
        {
            ms.store (other.ms.load (std::memory_order_relaxed), std::memory_order_relaxed);
            return *this;
        }
        std::atomic<std::int64_t> ms { 0 };
    };

    struct MappingEntry
    {
        DispatchTime lastDispatch;
        MidiCommands::MidiGuiListener* listener = nullptr;
        MidiKey key = 0;
    };

    MidiDispatcher();

    // [message, MIDI withdrawn] Registration with the keys saved for the control.
    void registerMomentary (MidiCommands::CommandListener* listener, const std::vector<MidiKey>& savedKeys,
                            std::int64_t nowMs);
    void registerContinuous (MidiCommands::ControlChangeListener* listener, const std::vector<MidiKey>& savedKeys,
                             std::int64_t nowMs);
    void registerToggle (MidiCommands::ToggleListener* listener, const std::vector<MidiKey>& savedKeys, std::int64_t nowMs);
    void unregister (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener);

    /** [message, MIDI withdrawn] Maps key to the control; empty on success, else why not (and
        nothing changed). */
    std::string assign (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener, MidiKey key, std::int64_t nowMs);

    /** [message, MIDI withdrawn] Removes the control's first mapping matching key; false when
        it had none. */
    bool removeMapping (MidiCommandKind kind, MidiKey key, MidiCommands::MidiGuiListener* listener);
    void removeAllMappings (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener);

    /** The control's keys in table order. */
    [[nodiscard]] std::vector<MidiKey> keysOf (MidiCommandKind kind, const MidiCommands::MidiGuiListener* listener) const;

    [[nodiscard]] const std::vector<MidiCommands::MidiGuiListener*>& listenersOf (MidiCommandKind kind) const;

    /** [message] Replaces the filter list; safe while MIDI arrives. */
    void setFilterKeys (std::vector<MidiKey> keys);
    [[nodiscard]] std::vector<MidiKey> getFilterKeys() const;

    /** [midi] Whether messages with this key are ignored everywhere. */
    [[nodiscard]] bool isFiltered (MidiKey key) const noexcept;

    /** [midi] Fires every mapping the key matches. Allocation-free. */
    void dispatch (MidiKey key, std::int64_t nowMs) noexcept { dispatch (key, nowMs, 0, false); }

    /** [audio] The same for a message that came in with the block about to be processed, at
        frame (on the device's frame clock): the controls act at that frame. */
    void dispatchAtFrame (MidiKey key, std::int64_t nowMs, std::uint32_t frame) noexcept
    {
        dispatch (key, nowMs, frame, true);
    }

    /** [any] Repeat suppression interval in milliseconds; negative switches the filter off. */
    void setRepeatInterval (std::int64_t ms) noexcept { repeatInterval.store (ms, std::memory_order_relaxed); }

    /** [any] When false, controller messages always flip on/off controls, whatever their value. */
    void setToggleByValue (bool enabled) noexcept { toggleByValue.store (enabled, std::memory_order_relaxed); }

    [[nodiscard]] std::int64_t getRepeatInterval() const noexcept { return repeatInterval.load (std::memory_order_relaxed); }
    [[nodiscard]] bool isToggleByValue() const noexcept { return toggleByValue.load (std::memory_order_relaxed); }

private:
    void dispatch (MidiKey key, std::int64_t nowMs, std::uint32_t frame, bool atFrame) noexcept;
    std::vector<MappingEntry>& tableOf (MidiCommandKind kind) noexcept;
    const std::vector<MappingEntry>& tableOf (MidiCommandKind kind) const noexcept;
    std::vector<MidiCommands::MidiGuiListener*>& listOf (MidiCommandKind kind) noexcept;
    void addSaved (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener, const std::vector<MidiKey>& keys,
                   std::int64_t nowMs);

    std::vector<MidiCommands::MidiGuiListener*> momentaryListeners, continuousListeners, toggleListeners;
    std::vector<MappingEntry> momentaryTable, continuousTable, toggleTable;

    // Every list ever set stays alive until the dispatcher goes: the MIDI thread may still be
    // reading an old one, and lists change only when the performer edits the filter.
    std::vector<std::unique_ptr<const std::vector<MidiKey>>> filterLists;
    std::atomic<const std::vector<MidiKey>*> filters { nullptr };

    // Options, written on the message thread and read by dispatch: single words of which only
    // the latest value matters, so relaxed ordering is enough.
    std::atomic<std::int64_t> repeatInterval { -1 };
    std::atomic<bool> toggleByValue { true };
    static_assert (std::atomic<std::int64_t>::is_always_lock_free);
};

/** The saved form of a control's keys: decimal numbers joined by ", ". */
[[nodiscard]] std::string formatKeyList (const std::vector<MidiKey>& keys);

/** Reads a saved key list: pieces between spaces, each read as a decimal number up to its first
    other character (leading spaces skipped); empty or unreadable pieces, zero, values outside
    24 bits and values already read are dropped. */
[[nodiscard]] std::vector<MidiKey> parseKeyList (const std::string& text);

} // namespace Work
