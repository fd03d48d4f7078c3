// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MidiStreamParser.h"
#include "engine/LockFreeFifo.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

namespace Work
{

/** What is left to do with a message that reaches the MIDI thread: dispatch it to the controls,
    or only show it (light, log, learn), because the audio thread already dispatched it at its
    frame in the block it came in with (the program's JACK MIDI port). */
enum class MidiDelivery : std::uint8_t
{
    toDispatch,
    dispatched
};

/** The MIDI input fan-out: every source of MIDI (the devices the audio device manager opens,
    the program's own JACK MIDI port) hands its messages to one MIDI thread, which passes each
    to the receivers (the MIDI mapping manager, the MIDI log). Receivers therefore hear all MIDI
    on that one thread, whatever the sources, so their queues keep a single producer.

    How it works: each source writes whole messages, with the time they arrived, into a lock-free
    queue of its own and wakes the MIDI thread; the source never waits. The MIDI thread drains
    the queues in turn and hands each message on while holding the delivery lock. Withdrawing
    MIDI (disable, nestable) takes that lock, so once disable() returns no receiver is being
    called, and until enable() messages are dropped. Receivers are added and removed under the
    same lock.

    Threads: add, remove, disable, enable and setDeviceManager [message]; a source's push
    [its own thread, the JACK one included: lock- and allocation-free]; receivers [midi]. */
class MidiInputCallbackManager
{
public:
    /** A receiver: adds itself to its manager when made, removes itself when destroyed. */
    class MidiInputCallbackItem
    {
    public:
        explicit MidiInputCallbackItem (MidiInputCallbackManager& manager);
        virtual ~MidiInputCallbackItem();

        /** [midi] One whole message of 1 to 3 bytes (0xF0 alone stands for a system exclusive),
            stamped with the wall-clock time it arrived, in milliseconds, and whether the controls
            still have to hear it. */
        virtual void midiArrived (const std::uint8_t* bytes, int size, std::int64_t timeMs,
                                  MidiDelivery delivery) noexcept = 0;

        MidiInputCallbackManager& getInputManager() noexcept { return manager; }

        /** Takes the receiver off the manager now; once it returns, midiArrived is not running and
            will not be called again. A receiver calls it first thing in its destructor. */
        void stopListening() { manager.removeItem (this); }

    private:
        MidiInputCallbackManager& manager;
    };

    /** One message on its way from a source to the MIDI thread. */
    struct Message
    {
        std::int64_t timeMs;
        std::uint8_t bytes[3];
        std::uint8_t size;
        MidiDelivery delivery;
    };

    /** Where a source leaves its messages: single producer (the source), single consumer (the
        MIDI thread). Owned by the source; registered with the manager while it lives. */
    class Source
    {
    public:
        explicit Source (MidiInputCallbackManager& manager);
        ~Source();

        /** [source] Whole messages of one event, split from its raw bytes; dropped when full. */
        void push (const std::uint8_t* data, std::size_t size, std::int64_t timeMs) noexcept;

        /** [source] One whole message (1 to 3 bytes, already split), as delivery says; dropped
            when full. */
        void pushMessage (const std::uint8_t* bytes, int size, std::int64_t timeMs, MidiDelivery delivery) noexcept;

        /** [source] Wakes the MIDI thread when something was pushed since the last wake. */
        void wake() noexcept;

    private:
        friend class MidiInputCallbackManager;
        MidiInputCallbackManager& manager;
        MidiStreamParser parser;
        LockFreeFifo<Message> queue { 1024 };
        bool pushed = false;
    };

    /** Withdraws MIDI input for its lifetime. */
    class ScopedDisable
    {
    public:
        explicit ScopedDisable (MidiInputCallbackManager& m)
            : manager (m)
        {
            manager.disable();
        }
        ~ScopedDisable() { manager.enable(); }
        ScopedDisable (const ScopedDisable&) = delete;
        ScopedDisable& operator= (const ScopedDisable&) = delete;

    private:
        MidiInputCallbackManager& manager;
    };

    MidiInputCallbackManager();
    ~MidiInputCallbackManager();

    void addItem (MidiInputCallbackItem* item);
    void removeItem (MidiInputCallbackItem* item);

    /** Once this returns no receiver runs, until the matching enable(). */
    void disable();
    void enable();

    /** The device manager whose MIDI inputs feed the receivers; null detaches. */
    void setDeviceManager (juce::AudioDeviceManager* manager);

    [[nodiscard]] bool isDisabled() const noexcept { return disableCount.load() > 0; }
    [[nodiscard]] int getNumItems() const;

private:
    /** The devices' source: JUCE calls it on its MIDI thread, one message at a time. */
    struct DeviceInput final : juce::MidiInputCallback
    {
        explicit DeviceInput (MidiInputCallbackManager& manager)
            : source (manager)
        {
        }
        /** [midi] JUCE's MIDI thread: only pushes into the source's queue and wakes the delivery thread. */
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) noexcept override;
        Source source;
    };

    void addSource (Source* source);
    void removeSource (Source* source);
    void wake() noexcept;
    void run();

    std::mutex deliveryLock;
    std::vector<MidiInputCallbackItem*> items;
    std::vector<Source*> sources;
    std::atomic<int> disableCount { 0 };

    std::binary_semaphore wakeUp { 0 };
    std::atomic<bool> wakePending { false };
    std::atomic<bool> quitting { false };

    juce::AudioDeviceManager* deviceManager = nullptr;
    std::unique_ptr<DeviceInput> deviceInput;
    std::thread thread;
};

} // namespace Work
