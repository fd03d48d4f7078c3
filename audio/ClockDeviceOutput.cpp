// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ClockDeviceOutput.h"

namespace Work
{

ClockDeviceOutput::ClockDeviceOutput (std::unique_ptr<juce::MidiOutput> deviceToUse, juce::String identifierToUse)
    : device (std::move (deviceToUse))
    , identifier (std::move (identifierToUse))
{
}

std::shared_ptr<ClockDeviceOutput> ClockDeviceOutput::open (const juce::String& identifier)
{
    if (identifier.isEmpty())
        return nullptr;

    auto device = juce::MidiOutput::openDevice (identifier);
    if (device == nullptr)
        return nullptr;

    return std::shared_ptr<ClockDeviceOutput> (new ClockDeviceOutput (std::move (device), identifier));
}

void ClockDeviceOutput::sendNow (const std::uint8_t* bytes, int size)
{
    device->sendMessageNow (juce::MidiMessage (bytes, size));
}

} // namespace Work
