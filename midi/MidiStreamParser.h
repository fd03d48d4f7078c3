// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstddef>
#include <cstdint>

namespace Work
{

/** Turns the raw bytes of one incoming MIDI event into whole messages, whatever the sender
    wrote: running status (data bytes after an earlier channel message), real-time bytes in the
    middle of a message (handed on at once, the message around them goes on), system exclusive
    of any length (handed on as the single byte 0xF0, so it can light the input light but never
    be mistaken for a key), system common messages, and events cut short (the unfinished message
    is dropped). Every byte is looked at once; nothing is read past the event.

    Each message handed on has 1 to 3 bytes: a status byte (0x80 or above) followed by exactly
    the data bytes (below 0x80) its status needs. Running status carries over from one event
    to the next, as a MIDI cable's would.

    Allocation-free and lock-free: it runs in the JACK process callback. [midi] */
class MidiStreamParser
{
public:
    /** Calls deliver (const std::uint8_t* bytes, int size) for every whole message in data. */
    template <typename Deliver>
    void parse (const std::uint8_t* data, std::size_t size, Deliver&& deliver) noexcept
    {
        for (std::size_t i = 0; i < size; ++i)
            take (data[i], deliver);

        // An event ends what it started: an unfinished message or exclusive is cut short.
        gathered = 0;
        if (inExclusive)
            endExclusive (deliver);
    }

    /** Forgets running status and anything half received. */
    void reset() noexcept
    {
        status = 0;
        gathered = 0;
        inExclusive = false;
    }

    /** Data bytes a status byte needs: 0 to 2, or -1 for a status that carries none it can use. */
    [[nodiscard]] static int dataBytesFor (std::uint8_t statusByte) noexcept
    {
        if (statusByte < 0x80)
            return -1;
        if (statusByte < 0xc0 || (statusByte >= 0xe0 && statusByte < 0xf0))
            return 2;
        if (statusByte < 0xe0)
            return 1;
        switch (statusByte)
        {
            case 0xf1:
            case 0xf3: return 1;
            case 0xf2: return 2;
            case 0xf6: return 0;
            default: return -1;
        }
    }

private:
    template <typename Deliver>
    void take (std::uint8_t byte, Deliver& deliver) noexcept
    {
        if (byte >= 0xf8) // real time: whole by itself, even inside another message
        {
            const std::uint8_t single[] = { byte };
            deliver (single, 1);
            return;
        }

        if (byte == 0xf0)
        {
            status = 0;
            gathered = 0;
            inExclusive = true;
            return;
        }

        if (byte == 0xf7)
        {
            if (inExclusive)
                endExclusive (deliver);
            return;
        }

        if (byte >= 0x80)
        {
            if (inExclusive)
                endExclusive (deliver);

            gathered = 0;
            status = dataBytesFor (byte) >= 0 ? byte : 0;

            if (status != 0 && dataBytesFor (status) == 0)
                deliverStatus (deliver);
            return;
        }

        // A data byte: part of an exclusive, of the message in progress, or of nothing.
        if (inExclusive || status == 0)
            return;

        data[gathered++] = byte;

        if (gathered == dataBytesFor (status))
            deliverStatus (deliver);
    }

    template <typename Deliver>
    void deliverStatus (Deliver& deliver) noexcept
    {
        const std::uint8_t message[] = { status, data[0], data[1] };
        deliver (message, 1 + gathered);
        gathered = 0;

        // Only channel messages keep their status running.
        if (status >= 0xf0)
            status = 0;
    }

    template <typename Deliver>
    void endExclusive (Deliver& deliver) noexcept
    {
        inExclusive = false;
        const std::uint8_t marker[] = { 0xf0 };
        deliver (marker, 1);
    }

    std::uint8_t status = 0;
    std::uint8_t data[2] = {};
    int gathered = 0;
    bool inExclusive = false;
};

} // namespace Work
