// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiKey.h"

namespace Work
{

MidiKey packMidiKey (const std::uint8_t* bytes, std::size_t numBytes, std::uint32_t channelMask) noexcept
{
    if (bytes == nullptr || numBytes < 2 || bytes[0] < 0x80 || bytes[1] >= 0x80)
        return 0;

    const auto status = bytes[0];
    const auto type = status & 0xf0u;

    if ((channelMask & (1u << (status & 0x0fu))) == 0)
        return 0;

    switch (type)
    {
        case 0x90:
            if (numBytes < 3 || bytes[2] == 0 || bytes[2] >= 0x80)
                return 0;
            return MidiKey (type) << 16 | MidiKey (bytes[1]) << 8;

        case 0xb0:
            if (numBytes < 3 || bytes[2] >= 0x80)
                return 0;
            return MidiKey (type) << 16 | MidiKey (bytes[1]) << 8 | bytes[2];

        case 0xc0: return MidiKey (type) << 16 | MidiKey (bytes[1]) << 8;

        default: return 0;
    }
}

std::string describeMidiKey (MidiKey key, bool withValue)
{
    const auto number = std::to_string ((key >> 8) & 0xff);

    switch ((key >> 16) & 0xf0)
    {
        case 0x90: return "Note " + number;
        case 0xc0: return "Program " + number;
        case 0xb0: return "Controller " + number + (withValue ? " = " + std::to_string (key & 0xff) : "");
        default: return "No message";
    }
}

} // namespace Work
