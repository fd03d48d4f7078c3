// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// libFuzzer target: the reader of session documents. Whatever the document holds, reading it
// must not crash; what it accepts must be an image the looper can take (consistent), and must
// read back the same once written again.
#include "session/SessionDocument.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    juce::String error;
    const auto document = Work::SessionDocument::parse (data, size, error);

    if (! document.has_value())
    {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }

    if (! document->looper.isConsistent() || document->files.size() != document->looper.loops.size())
        std::abort();

    juce::String again;
    const auto reread = Work::SessionDocument::parse (document->toText(), again);
    if (! reread.has_value() || reread->toText() != document->toText())
        std::abort();
    return 0;
}
