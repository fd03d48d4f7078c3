// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

namespace Work
{

/** Looks at the settings file before it is loaded, because a disk holds anything and the
    framework's properties file takes time that grows with the square of its entries.

    - A file larger than any sane settings file, or one that is not a settings document at all,
      is moved aside (its name with ".unreadable" added) and the program starts afresh.
    - A file with far more entries than the program writes (unknown names or repeats, from a
      broken tool or a damaged disk) is trimmed to the first entry of each name the program
      uses; the original is moved aside the same way.
    - Anything else is left exactly as it is, entries of other versions included.

    In every case the program then starts in about the time a sane file takes. */
struct SettingsFileCheck
{
    enum class Outcome
    {
        untouched,
        trimmed,   // the file now holds the entries the program uses; the original is aside
        movedAside // nothing could be used; the original is aside
    };

    /** Above this size a settings file is not read at all. */
    static constexpr juce::int64 maxBytes = 16 * 1024 * 1024;

    /** Up to this many entries a file is loaded as it is. */
    static constexpr int maxEntries = 1000;

    static constexpr const char* asideSuffix = ".unreadable";

    /** Checks file; keysUsed are the names of every entry the program reads. notice is given
        what the performer should be told, empty when the file was untouched. */
    static Outcome vet (const juce::File& file, const juce::StringArray& keysUsed, juce::String& notice);
};

} // namespace Work
