// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "app/EffectScan.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Work;

namespace
{
const std::string crashes = "http://example.org/varnolo-test/crashes", hangs = "http://example.org/varnolo-test/hangs",
                  amp = "http://plugin.org.uk/swh-plugins/amp", delay = "http://plugin.org.uk/swh-plugins/delayorama";

/** The build folder's bundle of broken plug-ins beside the system's, before the catalog is read. */
struct Lv2Path
{
    Lv2Path() { setenv ("LV2_PATH", TEST_LV2_PATH, 1); }
} lv2Path;
} // namespace

TEST (EffectScan, ACrashingOrHangingPlugInIsBlockedAndTheOthersAreKept)
{
    juce::ScopedJuceInitialiser_GUI juce;

    // The catalog reads descriptions only: the broken ones look like any mono effect.
    const auto folder = juce::File::createTempFile ("effect-scan");
    ASSERT_TRUE (folder.createDirectory());
    juce::PropertiesFile::Options options;
    juce::PropertiesFile settings (folder.getChildFile ("settings.xml"), options);
    const auto before = EffectScan::entries (settings);
    const auto listed = [&before] (const std::string& uri) {
        return std::any_of (before.begin(), before.end(), [&] (const auto& e) { return e.info.uri == uri && ! e.probed; });
    };
    ASSERT_TRUE (listed (crashes) && listed (hangs) && listed (amp));

    const auto outcome = EffectScan::probe (juce::File (TEST_LV2_PROBE), { amp, crashes, delay, hangs }, 1500);
    ASSERT_EQ (outcome.size(), 4u);
    EXPECT_EQ (outcome.at (amp), "");
    EXPECT_EQ (outcome.at (delay), "") << "the probe went on after the crash";
    EXPECT_EQ (outcome.at (crashes), "it crashed the probe");
    EXPECT_EQ (outcome.at (hangs), "it hung the probe");

    // Kept in the settings: the blocked ones say why; scanning again forgets it all.
    EffectScan::keep (settings, outcome);
    for (const auto& entry : EffectScan::entries (settings))
    {
        const bool broken = entry.info.uri == crashes || entry.info.uri == hangs;
        EXPECT_EQ (! entry.blockedBecause.empty(), broken) << entry.info.uri;
        EXPECT_EQ (entry.probed, broken || entry.info.uri == amp || entry.info.uri == delay) << entry.info.uri;
    }
    EffectScan::forget (settings);
    const auto forgotten = EffectScan::entries (settings);
    EXPECT_TRUE (std::none_of (forgotten.begin(), forgotten.end(), [] (const auto& e) { return e.probed; }));

    // A probe that is not there blocks nothing for good: it says so.
    const auto missing = EffectScan::probe (folder.getChildFile ("no-probe"), { amp });
    EXPECT_NE (missing.at (amp).find ("could not be started"), std::string::npos);
    folder.deleteRecursively();
}
