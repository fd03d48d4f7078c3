// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiInputCallbackManager.h"

#include <algorithm>

namespace Work
{

MidiInputCallbackManager::MidiInputCallbackItem::MidiInputCallbackItem (MidiInputCallbackManager& m)
    : manager (m)
{
    manager.addItem (this);
}

MidiInputCallbackManager::MidiInputCallbackItem::~MidiInputCallbackItem()
{
    manager.removeItem (this);
}

MidiInputCallbackManager::Source::Source (MidiInputCallbackManager& m)
    : manager (m)
{
    manager.addSource (this);
}

MidiInputCallbackManager::Source::~Source()
{
    manager.removeSource (this);
}

void MidiInputCallbackManager::Source::push (const std::uint8_t* data, std::size_t size, std::int64_t timeMs) noexcept
{
    parser.parse (data, size, [this, timeMs] (const std::uint8_t* bytes, int count) {
        pushMessage (bytes, count, timeMs, MidiDelivery::toDispatch);
    });
}

void MidiInputCallbackManager::Source::pushMessage (const std::uint8_t* bytes, int size, std::int64_t timeMs,
                                                    MidiDelivery delivery) noexcept
{
    if (size < 1 || size > 3)
        return;

    Message message { timeMs,
                      { bytes[0], size > 1 ? bytes[1] : std::uint8_t (0), size > 2 ? bytes[2] : std::uint8_t (0) },
                      std::uint8_t (size),
                      delivery };
    pushed = queue.push (message) || pushed;
}

void MidiInputCallbackManager::Source::wake() noexcept
{
    if (pushed)
    {
        pushed = false;
        manager.wake();
    }
}

void MidiInputCallbackManager::DeviceInput::handleIncomingMidiMessage (juce::MidiInput*,
                                                                       const juce::MidiMessage& message) noexcept
{
    const auto size = std::size_t (std::max (0, message.getRawDataSize()));
    source.push (message.getRawData(), size, juce::Time::currentTimeMillis());
    source.wake();
}

MidiInputCallbackManager::MidiInputCallbackManager()
    : deviceInput (std::make_unique<DeviceInput> (*this))
    , thread ([this] { run(); })
{
}

MidiInputCallbackManager::~MidiInputCallbackManager()
{
    setDeviceManager (nullptr);
    quitting = true;
    wakeUp.release();
    thread.join();
    deviceInput = nullptr;
}

void MidiInputCallbackManager::wake() noexcept
{
    // One release per wake-up at most: the semaphore never goes beyond one.
    if (! wakePending.exchange (true))
        wakeUp.release();
}

void MidiInputCallbackManager::run()
{
    while (! quitting)
    {
        wakeUp.acquire();
        wakePending = false;

        const std::lock_guard<std::mutex> lock (deliveryLock);
        const bool deliver = disableCount.load() == 0;

        for (auto* source : sources)
            while (const auto* message = source->queue.pop())
                if (deliver)
                    for (auto* item : items)
                        item->midiArrived (message->bytes, message->size, message->timeMs, message->delivery);
    }
}

void MidiInputCallbackManager::addSource (Source* source)
{
    const std::lock_guard<std::mutex> lock (deliveryLock);
    sources.push_back (source);
}

void MidiInputCallbackManager::removeSource (Source* source)
{
    const std::lock_guard<std::mutex> lock (deliveryLock);
    sources.erase (std::remove (sources.begin(), sources.end(), source), sources.end());
}

void MidiInputCallbackManager::addItem (MidiInputCallbackItem* item)
{
    const std::lock_guard<std::mutex> lock (deliveryLock);
    items.push_back (item);
}

void MidiInputCallbackManager::removeItem (MidiInputCallbackItem* item)
{
    const std::lock_guard<std::mutex> lock (deliveryLock);
    items.erase (std::remove (items.begin(), items.end(), item), items.end());
}

int MidiInputCallbackManager::getNumItems() const
{
    return int (items.size());
}

void MidiInputCallbackManager::disable()
{
    // Taking the lock waits for a delivery in progress; later ones see the count.
    const std::lock_guard<std::mutex> lock (deliveryLock);
    ++disableCount;
}

void MidiInputCallbackManager::enable()
{
    const std::lock_guard<std::mutex> lock (deliveryLock);
    if (disableCount.load() > 0)
        --disableCount;
}

void MidiInputCallbackManager::setDeviceManager (juce::AudioDeviceManager* manager)
{
    if (deviceManager == manager)
        return;

    // An empty identifier receives every enabled device.
    if (deviceManager != nullptr)
        deviceManager->removeMidiInputDeviceCallback ({}, deviceInput.get());

    deviceManager = manager;

    if (deviceManager != nullptr)
        deviceManager->addMidiInputDeviceCallback ({}, deviceInput.get());
}

} // namespace Work
