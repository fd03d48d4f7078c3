// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

/** The packed key by which MIDI messages are matched to controls.

    A message that can drive a control is reduced to 24 bits: the type nibble (note on 0x9,
    control change 0xB, program change 0xC) in bits 20-23, the channel dropped (bits 16-19
    zero), the note, controller or program number in bits 8-15 and, for a control change only,
    the controller value in bits 0-7. Controller 7 at value 100 on any channel is 0xB00764,
    note 60 is 0x903C00, program 5 is 0xC00500. 0 means the message has no key.
*/
namespace Work
{

using MidiKey = std::uint32_t;

/** Two keys match when type and number agree; the value byte is ignored. */
constexpr MidiKey keyMatchMask = 0xF0FF00;

[[nodiscard]] constexpr bool keysMatch (MidiKey a, MidiKey b) noexcept
{
    return (a & keyMatchMask) == (b & keyMatchMask);
}

/** The MIDI channels whose messages are accepted, one bit each; all 16 from the start. */
inline std::atomic<std::uint32_t> midiChannelMask { 0xffff };

/** [midi] The key of a raw message, or 0: only note on with a velocity, control change and
    program change on an accepted channel are keys. Data bytes without a status byte, messages
    cut short and every other kind (note off, aftertouch, pitch bend, system, real time) give 0. */
[[nodiscard]] MidiKey packMidiKey (const std::uint8_t* bytes, std::size_t numBytes, std::uint32_t channelMask) noexcept;

/** [midi] Whether the message has a key. */
[[nodiscard]] inline bool isAcceptedMessage (const std::uint8_t* bytes, std::size_t numBytes,
                                             std::uint32_t channelMask) noexcept
{
    return packMidiKey (bytes, numBytes, channelMask) != 0;
}

/** [message] The key for people: "Note 60", "Controller 7 = 100", "Program 5"; "No message"
    for anything else. */
[[nodiscard]] std::string describeMidiKey (MidiKey key, bool withValue);

} // namespace Work
