// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MidiDispatcher.h"
#include "MidiInputCallbackManager.h"
#include "engine/CallbackDisabler.h"

#include <juce_data_structures/juce_data_structures.h>

#include <atomic>
#include <memory>

namespace Work
{

/** The MIDI mapping manager, the link between MIDI input and the controls: the controls' MIDI mappings, kept in the
    settings file and in exportable files, and the dispatch of every incoming message.

    A message on the MIDI input thread: its key is taken; a key on the filter list is ignored
    entirely; otherwise, unless dispatch is held off (the callback gate, raised while the MIDI log
    window or the options show), every matching mapping fires; while held off the
    disabled-message client (the looper) is told instead. The notification client (the activity
    light) hears of every message that was not filtered.

    A message from the JACK device's MIDI port is dispatched on the audio thread instead, in the
    block it came in with and at its frame (dispatchAtFrame), and then handed to the MIDI thread
    marked as dispatched, for the light, the log and learning; when it could not be dispatched
    there, the MIDI thread dispatches it as any other.

    Every change of a list or table happens on the message thread with MIDI input withdrawn
    (the fan-out's disable scope) and the audio thread's dispatch held (the tables gate), so no
    thread reads a table being changed.

    Threads: handleMessage [midi]; dispatchAtFrame [audio]; everything else [message].
*/
class MidiGuiManager final
    : public MidiInputCallbackManager::MidiInputCallbackItem
    , public CallbackDisabler::Manager
{
public:
    /** Told of a message that arrived while dispatch was held off. [midi] */
    class MidiCallbackDisablerMessageClient
    {
    public:
        virtual ~MidiCallbackDisablerMessageClient() = default;
        virtual void midiInputWhileDisabled() noexcept = 0;
    };

    /** Told of every message that was not filtered. [midi] */
    class MidiInputCallbackNotificationClient
    {
    public:
        virtual ~MidiInputCallbackNotificationClient() = default;
        virtual void midiMessageArrived() noexcept = 0;
    };

    /** settings may be null: nothing is then loaded or saved. */
    MidiGuiManager (juce::PropertiesFile* settings, MidiInputCallbackManager& fanOut);
    ~MidiGuiManager() override;

    // [message] Registration reads the control's saved keys.
    void registerMomentary (MidiCommands::CommandListener* listener);
    void registerContinuous (MidiCommands::ControlChangeListener* listener);
    void registerToggle (MidiCommands::ToggleListener* listener);
    void unregister (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener);

    /** [message] Maps and saves; empty on success, else why not (nothing changed). */
    juce::String assign (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener, MidiKey key);

    void removeMapping (MidiCommandKind kind, MidiKey key, MidiCommands::MidiGuiListener* listener, bool save);
    void removeAllMappings (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener, bool save);
    [[nodiscard]] std::vector<MidiKey> keysOf (MidiCommandKind kind, const MidiCommands::MidiGuiListener* listener) const;

    /** [message] Replaces and saves the filter list; safe while MIDI arrives. */
    void setFilterKeys (std::vector<MidiKey> keys);
    [[nodiscard]] std::vector<MidiKey> getFilterKeys() const { return dispatcher.getFilterKeys(); }

    /** [message] The last assignment file written or read, or none. */
    [[nodiscard]] juce::File getLastFile() const;

    /** [message] Writes every mapping to file; empty on success, else what went wrong. */
    juce::String exportMappings (const juce::File& file);

    struct ImportResult
    {
        bool applied = false;
        juce::String report; // why nothing was applied, or the keys that could not be assigned
    };

    /** [message] Replaces the mappings of every registered control with the file's. A file that
        is missing, too large, not a mapping file or not XML changes nothing. */
    ImportResult importMappings (const juce::File& file);

    /** [any] The repeat filter's interval in milliseconds, -1 switching it off. */
    void setRepeatInterval (std::int64_t ms) noexcept { dispatcher.setRepeatInterval (ms); }

    /** [any] Whether a controller's value sets the on/off controls that follow values (else it flips them). */
    void setToggleByValue (bool enabled) noexcept { dispatcher.setToggleByValue (enabled); }

    [[nodiscard]] const MidiDispatcher& getDispatcher() const noexcept { return dispatcher; }

    void setDisabledMessageClient (MidiCallbackDisablerMessageClient* client) noexcept { disabledClient = client; }
    void setNotificationClient (MidiInputCallbackNotificationClient* client) noexcept { notificationClient = client; }

    /** [midi] A message from the MIDI input fan-out. */
    void midiArrived (const std::uint8_t* bytes, int size, std::int64_t timeMs, MidiDelivery delivery) noexcept override
    {
        handleMessage (bytes, std::size_t (size), timeMs, delivery);
    }

    /** [midi] The same for raw bytes at time nowMs: filtered, dispatched unless it already was,
        or told as ignored while dispatch is held off; the input light told either way. */
    void handleMessage (const std::uint8_t* bytes, std::size_t numBytes, std::int64_t nowMs,
                        MidiDelivery delivery = MidiDelivery::toDispatch) noexcept;

    /** [audio] A message that came in with the block about to be processed, at frame on the
        device's frame clock: dispatched there and then, so the controls act at that frame. False
        when it was not (dispatch held off, or the tables changing): the MIDI thread then takes it
        as any other message. */
    [[nodiscard]] bool dispatchAtFrame (const std::uint8_t* bytes, int size, std::uint32_t frame,
                                        std::int64_t nowMs) noexcept;

    enum class NamedResult
    {
        done,
        heldOff,  // dispatch is held off (the MIDI log or the options are open): ignored
        changing, // the tables are changing: try again with the next block
        unknown   // no such control is registered (any more)
    };

    /** [audio] The same road as a message at a frame, for a control named rather than mapped: in
        the block about to be processed, at frame on the device's frame clock. The control is
        looked for among the registered ones before it is touched, so a stale one does nothing.
        Held off exactly as MIDI is. */
    [[nodiscard]] NamedResult dispatchNamed (MidiCommandKind kind, MidiCommands::MidiGuiListener* control,
                                             NamedAction action, int value, std::uint32_t frame,
                                             std::int64_t nowMs) noexcept;

    [[nodiscard]] const juce::XmlElement& getDocument() const noexcept { return *document; }

    static constexpr const char* mappingsKey = "midiMappings";
    static constexpr const char* filterKey = "midiFilter";
    static constexpr const char* lastFileKey = "midiMappingFile";
    static constexpr const char* fileRootTag = "varnoloMidiMappings";
    static constexpr const char* keysAttribute = "keys";
    static constexpr const char* fileExtension = ".varnolomidi";

    /** Mapping files larger than this are refused before they are read. */
    static constexpr juce::int64 largestFile = 1 << 20;

private:
    /** While the tables change, MIDI is kept from them: the MIDI thread's delivery withdrawn, and
        the audio thread's dispatch at frames held off. [message] */
    struct TablesChanging
    {
        explicit TablesChanging (MidiGuiManager& manager)
            : withdrawn (manager.getInputManager())
            , framesHeld (manager.tablesGate)
        {
        }
        MidiInputCallbackManager::ScopedDisable withdrawn;
        CallbackDisabler::ScopedDisable framesHeld;
    };

    void registerWithSavedKeys (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener);
    void saveControl (MidiCommandKind kind, MidiCommands::MidiGuiListener* listener);
    void storeDocument();

    juce::PropertiesFile* settings;
    MidiDispatcher dispatcher;
    std::unique_ptr<juce::XmlElement> document;
    std::atomic<MidiCallbackDisablerMessageClient*> disabledClient { nullptr };
    CallbackDisabler::Manager tablesGate; // the audio thread's dispatch against table changes
    std::atomic<MidiInputCallbackNotificationClient*> notificationClient { nullptr };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiGuiManager)
};

} // namespace Work
