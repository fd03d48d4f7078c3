// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "effects/Lv2Catalog.h"

#include <juce_data_structures/juce_data_structures.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Work
{

/** Which LV2 plug-ins the bus may offer, found out where a broken one cannot hurt: each plug-in
    the catalog says the bus could host is started, run and stopped by varnolo-lv2-probe, a
    process of its own beside the program. A plug-in that crashes the probe, hangs it or cannot
    start goes on the block list with the reason; the probe goes on with the rest.

    The outcome is kept in the settings file (the plug-ins found sound, and the block list), so
    the scan runs once; scanning again tries every plug-in afresh, the blocked ones too.
    [message], but probe [any thread but the audio thread: it waits for the probe] */
class EffectScan
{
public:
    /** The probe beside the running program. */
    [[nodiscard]] static juce::File probeProgram();

    /** uri -> empty when the plug-in started, ran and stopped; else why it is blocked. */
    using Outcome = std::map<std::string, std::string>;

    /** Probes uris with the probe program; a plug-in that takes longer than perPluginMs to
        start, run and stop counts as hung. */
    [[nodiscard]] static Outcome probe (const juce::File& program, const std::vector<std::string>& uris,
                                        int perPluginMs = 5000);

    /** The plug-ins the bus could host, by the catalog, with what the settings say of each: the
        kept outcome, and whether one was kept at all. */
    struct Entry
    {
        Lv2PluginInfo info;
        bool probed = false;
        std::string blockedBecause; // empty when not blocked
    };

    /** [message] Every usable plug-in of the catalog with the kept outcome, sorted by name. */
    [[nodiscard]] static std::vector<Entry> entries (const juce::PropertiesFile& settings);

    /** [message] Keeps an outcome in the settings, over what was kept for those plug-ins. */
    static void keep (juce::PropertiesFile& settings, const Outcome& outcome);

    /** [message] Forgets every kept outcome: the next scan tries every plug-in again. */
    static void forget (juce::PropertiesFile& settings);

    static constexpr const char* settingsKey = "lv2Plugins";
};

} // namespace Work
