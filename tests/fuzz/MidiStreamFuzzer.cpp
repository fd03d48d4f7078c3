// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// libFuzzer target: the splitter of raw MIDI event bytes (the JACK MIDI port's and the devices').
// Whatever the bytes, split into events at random points, every message it hands on must be
// whole, and every message that can be a key must reach the mapping manager's reader intact.
#include "midi/MidiKey.h"
#include "midi/MidiStreamParser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    Work::MidiStreamParser parser;
    std::size_t start = 0;

    while (start < size)
    {
        // The first byte of each event says how long the event is.
        const auto length = std::min<std::size_t> (size - start, data[start] % 16 + 1);
        parser.parse (data + start, length, [] (const std::uint8_t* bytes, int count) {
            if (count < 1 || count > 3 || bytes[0] < 0x80)
                std::abort();
            for (int i = 1; i < count; ++i)
                if (bytes[i] >= 0x80)
                    std::abort();
            if (bytes[0] < 0xf8 && bytes[0] != 0xf0 && Work::MidiStreamParser::dataBytesFor (bytes[0]) != count - 1)
                std::abort();
            (void)Work::packMidiKey (bytes, std::size_t (count), 0xffff);
        });
        start += length;
    }

    return 0;
}
