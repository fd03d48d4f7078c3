// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BusEffectImage.h"
#include "MixImage.h"
#include "engine/LoopSetImage.h"

#include <juce_core/juce_core.h>

#include <optional>

namespace Work
{

/** The document of a session folder: everything of a performance but the samples, which lie
    beside it, one 32-bit float WAV file per loop.

    The reader trusts nothing: every number is checked against its range, every loop names a
    file of its own in the folder, and the image it gives is consistent (see
    LoopSetImage::isConsistent), so that a damaged or hostile document is refused with a reason
    and never reaches the engine. */
struct SessionDocument
{
    /** The format this program writes, and the oldest it reads; a document of another format is
        refused. Format 2 added the bus effect. */
    static constexpr int formatNumber = 2, oldestFormatRead = 1;
    static constexpr const char* fileName = "session.xml";

    int sampleRate = 0;
    int tempoMilliBpm = 0, beatsPerBar = 0;
    LoopSetImage looper;             // its loops' audio pointers unused
    std::vector<juce::String> files; // the WAV file of each loop, in the loops' order
    MixImage mix;
    std::optional<BusEffectImage> busEffect; // none: the bus had no effect
    bool keepsBusEffect = true;              // false for a document of format 1, which did not keep it

    /** A document of a taken image (its history resolved here) and mix. */
    [[nodiscard]] static SessionDocument of (const LoopSetImage& image, const MixImage& mix, int sampleRate);

    /** The loops' files named as the writer names them. */
    void nameFiles();

    [[nodiscard]] juce::String toText() const;

    /** The document in text, or nothing with the reason in error. */
    [[nodiscard]] static std::optional<SessionDocument> parse (const juce::String& text, juce::String& error);

    /** The same for a document as it lies on disk: bytes that must be UTF-8 text without a zero
        byte (the framework's text and XML readers must never see anything else: they can read
        past the end of a broken UTF-8 sequence). */
    [[nodiscard]] static std::optional<SessionDocument> parse (const void* data, std::size_t size, juce::String& error);
};

} // namespace Work
