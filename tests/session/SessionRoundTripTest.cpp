// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OfflineRenderer.h"
#include "RenderSessions.h"
#include "session/SessionFolder.h"
#include "support/EngineEnvironment.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using namespace Work;

namespace
{
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new Testing::EngineEnvironment());

/** Seeded noise on both inputs for the first samples, silence after. */
juce::AudioBuffer<float> noiseInput (int samples)
{
    juce::AudioBuffer<float> input (2, samples);
    std::mt19937 random (7);
    std::uniform_real_distribution<float> noise (-0.5f, 0.5f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < samples; ++i)
            input.setSample (c, i, noise (random));
    return input;
}

// Four channels: a main loop, a secondary loop with a layer over it, a free loop, a secondary
// loop undone (so the history has something to redo); then reversed playback and a mute.
const char* const performance = "1000 punch 0 1 0\n"
                                "25000 punch 0 1 0\n" // the main loop, channel 1
                                "30000 punch 0 1 0\n"
                                "50000 punch 0 1 0\n" // a secondary loop, channel 2
                                "52000 cursor 0 0\n"
                                "55000 punch 0 1 0\n"
                                "70000 punch 0 1 0\n" // a layer over it
                                "72000 freeloops\n"
                                "80000 punch 0 1 0\n"
                                "91003 punch 0 1 0\n" // a free loop, channel 3
                                "93000 freeloops\n"
                                "100000 punch 0 1 0\n"
                                "118000 punch 0 1 0\n" // a secondary loop, channel 4...
                                "125000 undo\n"        // ...undone
                                "130000 direction 1\n"
                                "135000 mute 1 1\n";
} // namespace

TEST (Session, ARestoredPerformancePlaysOnAsTheOriginalDoesToTheBit)
{
    juce::ScopedJuceInitialiser_GUI juce;
    const auto script = parseRenderScript (performance);
    ASSERT_TRUE (script.error.empty()) << script.error;

    constexpr int saved = 150016, more = 120000; // saved: a whole number of blocks of either size
    const auto input = noiseInput (124000);
    const auto folder = juce::File::createTempFile ("sessions");
    struct Cleanup
    {
        juce::File folder;
        ~Cleanup() { folder.deleteRecursively(); }
    } cleanup { folder };

    for (int blockSize : { 64, 256 })
    {
        SCOPED_TRACE (blockSize);
        const auto session = folder.getChildFile ("take-" + juce::String (blockSize));

        RenderSettings first;
        first.blockSize = blockSize;
        first.totalSamples = saved;
        first.atEnd = [&session] (MainAudio& engine) { return RenderSessions::save (engine, session, 48000); };
        const auto take = renderPerformance (input, script.commands, first);
        ASSERT_TRUE (take.error.isEmpty()) << take.error;

        // The session holds what the performance made.
        juce::String error;
        const auto loaded = SessionFolder::open (session, 48000, 256u << 20, error);
        ASSERT_TRUE (loaded.has_value()) << error;
        const auto& image = loaded->document.looper;
        const auto count = [&image] (LoopImage::Kind kind) {
            return std::count_if (image.loops.begin(), image.loops.end(),
                                  [kind] (const LoopImage& l) { return l.kind == kind; });
        };
        EXPECT_EQ (count (LoopImage::Kind::main), 1);
        EXPECT_EQ (count (LoopImage::Kind::secondary), 3);
        EXPECT_EQ (count (LoopImage::Kind::free), 1);
        EXPECT_EQ (image.loops.front().length % 12, 0u);
        EXPECT_EQ (image.historyInForce + 1, int (image.history.size())) << "the undone loop can be redone";
        EXPECT_TRUE (image.reversed);
        EXPECT_NE (image.muteMask, 0u);
        EXPECT_TRUE (image.playing);

        // The original played on, against a render from the session.
        RenderSettings whole = first;
        whole.atEnd = nullptr;
        whole.totalSamples = saved + more;
        const auto original = renderPerformance (input, script.commands, whole);

        RenderSettings resumed;
        resumed.blockSize = blockSize;
        resumed.totalSamples = more;
        resumed.atStart = [&session] (MainAudio& engine) { return RenderSessions::open (engine, session, 48000); };
        const auto restored = renderPerformance (juce::AudioBuffer<float> (2, 0), {}, resumed);
        ASSERT_TRUE (restored.error.isEmpty()) << restored.error;

        float loudest = 0.0f;
        for (int c = 0; c < 2; ++c)
        {
            const auto* a = original.output.getReadPointer (c) + saved;
            const auto* b = restored.output.getReadPointer (c);
            for (int i = 0; i < more; ++i)
                ASSERT_EQ (std::bit_cast<std::uint32_t> (a[i]), std::bit_cast<std::uint32_t> (b[i]))
                    << "channel " << c << ", sample " << i << " after the save";
            loudest = std::max (loudest, original.output.getMagnitude (c, saved, more));
        }
        EXPECT_GT (loudest, 0.1f) << "the loops are heard after the save";

        // Saved again over itself, the folder is swapped whole and reads the same.
        RenderSettings again = resumed;
        again.totalSamples = 0;
        again.atEnd = [&session] (MainAudio& engine) { return RenderSessions::save (engine, session, 48000); };
        ASSERT_TRUE (renderPerformance (juce::AudioBuffer<float> (2, 0), {}, again).error.isEmpty());
        const auto reread = SessionFolder::open (session, 48000, 256u << 20, error);
        ASSERT_TRUE (reread.has_value()) << error;
        EXPECT_EQ (reread->document.toText(), loaded->document.toText());
        EXPECT_FALSE (session.getSiblingFile (session.getFileName() + ".old").exists());
        EXPECT_FALSE (session.getSiblingFile (session.getFileName() + ".saving").exists());
    }
}
