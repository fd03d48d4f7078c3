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

MidiInputCallbackManager::~MidiInputCallbackManager()
{
    setDeviceManager (nullptr);
}

void MidiInputCallbackManager::attach (MidiInputCallbackItem* item)
{
    if (deviceManager != nullptr && disableCount == 0)
        for (const auto& device : juce::MidiInput::getAvailableDevices())
            deviceManager->addMidiInputDeviceCallback (device.identifier, item);
}

void MidiInputCallbackManager::detach (MidiInputCallbackItem* item)
{
    if (deviceManager != nullptr && disableCount == 0)
        for (const auto& device : juce::MidiInput::getAvailableDevices())
            deviceManager->removeMidiInputDeviceCallback (device.identifier, item);
}

void MidiInputCallbackManager::addItem (MidiInputCallbackItem* item)
{
    items.push_back (item);
    attach (item);
}

void MidiInputCallbackManager::removeItem (MidiInputCallbackItem* item)
{
    detach (item);
    items.erase (std::remove (items.begin(), items.end(), item), items.end());
}

void MidiInputCallbackManager::disable()
{
    if (disableCount == 0)
        for (auto* item : items)
            detach (item);
    ++disableCount;
}

void MidiInputCallbackManager::enable()
{
    if (disableCount == 0)
        return;

    if (--disableCount == 0)
        for (auto* item : items)
            attach (item);
}

void MidiInputCallbackManager::setDeviceManager (juce::AudioDeviceManager* manager)
{
    if (disableCount == 0)
        for (auto* item : items)
            detach (item);

    deviceManager = manager;

    if (disableCount == 0)
        for (auto* item : items)
            attach (item);
}

} // namespace Work
