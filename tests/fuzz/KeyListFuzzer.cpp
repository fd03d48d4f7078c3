// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// libFuzzer target: the reader of saved MIDI key lists. Whatever the text, it must return only
// keys a control can take, each once, and read back what it writes.
#include "midi/MidiDispatcher.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    const std::string text (reinterpret_cast<const char*> (data), size);
    const auto keys = Work::parseKeyList (text);

    for (std::size_t i = 0; i < keys.size(); ++i)
    {
        if (keys[i] == 0 || keys[i] > 0xffffff)
            std::abort();
        if (std::find (keys.begin(), keys.begin() + std::ptrdiff_t (i), keys[i]) != keys.begin() + std::ptrdiff_t (i))
            std::abort();
    }

    if (Work::parseKeyList (Work::formatKeyList (keys)) != keys)
        std::abort();

    return 0;
}
