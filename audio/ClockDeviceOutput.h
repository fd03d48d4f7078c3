// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiClockSender.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

namespace Work
{

/** The MIDI clock's device output: a MIDI output device of the program's own, opened by its
    identifier (the one chosen in the options), so the clock thread never sends through a
    device the device manager may close. [message], except sendNow [clock thread] */
class ClockDeviceOutput final : public ClockByteOutput
{
public:
    /** The device with that identifier, or null when there is none or it cannot be opened. */
    [[nodiscard]] static std::shared_ptr<ClockDeviceOutput> open (const juce::String& identifier);

    void sendNow (const std::uint8_t* bytes, int size) override;

    [[nodiscard]] const juce::String& getIdentifier() const noexcept { return identifier; }

private:
    ClockDeviceOutput (std::unique_ptr<juce::MidiOutput> device, juce::String identifier);

    std::unique_ptr<juce::MidiOutput> device;
    juce::String identifier;
};

} // namespace Work
