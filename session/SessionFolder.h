// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "SessionDocument.h"

#include <juce_core/juce_core.h>

#include <array>
#include <optional>
#include <vector>

namespace Work
{

class VarnoloLooper;
class MixerChannelSet;

/** A session on disk: a folder holding the document and one 32-bit float WAV file per loop
    (see README, "Sessions").

    Saving writes everything into a new folder beside the target and swaps it in only when every
    file was written and read back whole, so a full disk, a missing permission or a crash during
    a save leaves the previous session as it was. Opening reads and checks everything before it
    answers, so a session that cannot be read whole is refused with the file and the reason.
    [any thread but the audio thread] */
namespace SessionFolder
{
    /** Writes document (its loops' audio read from their chains, which must not change while
        this runs) to folder; an empty string on success, else what went wrong. */
    [[nodiscard]] juce::String save (const juce::File& folder, SessionDocument document);

    /** A session read whole: the document, each loop's samples per channel, and the document's
        image pointing at them (ready for VarnoloLooper::restoreImage). */
    struct Loaded
    {
        SessionDocument document;
        std::vector<std::array<std::vector<float>, 2>> audio;

        Loaded() = default;
        Loaded (const Loaded&) = delete;
        Loaded& operator= (const Loaded&) = delete;
        Loaded (Loaded&&) = default;
        Loaded& operator= (Loaded&&) = default;

        /** Points the image's loops at the samples (again, after a move). */
        void pointAtAudio();
    };

    /** Reads the session in folder, for a device running at sampleRate and a sample pool of
        poolBytes; nothing and the reason in error when it cannot be read whole or does not fit. */
    [[nodiscard]] std::optional<Loaded> open (const juce::File& folder, int sampleRate, std::uint64_t poolBytes,
                                              juce::String& error);

    /** How an opened session's transport stands: as it was saved (a render that goes on where
        the saved one ended), or stopped at the start of the cycle, ready for the performer. */
    enum class Transport
    {
        asSaved,
        stopped
    };

    /** [message] Puts a session read whole in place of the performance: the looper's loops (built
        before the old ones go; when the pool cannot hold both, the old ones go first) and the
        mix. An empty string on success. */
    [[nodiscard]] juce::String restore (Loaded& loaded, VarnoloLooper& looper, MixerChannelSet* loopMix,
                                        MixerChannelSet* busMix, Transport transport);

    /** Sample memory the image's loops take, at most (blocks and bookkeeping included). */
    [[nodiscard]] std::uint64_t bytesNeeded (const LoopSetImage& image) noexcept;

    /** Where the data of a WAV file starts, read from its chunks; 0 when it has none. */
    [[nodiscard]] std::int64_t dataOffsetOf (const juce::File& file);
} // namespace SessionFolder

} // namespace Work
