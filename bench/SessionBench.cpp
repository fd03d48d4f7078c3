// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Saving and opening a session of eight one-minute stereo loops: the time to write the folder,
// to read and check it, and to build the loops again in the sample pool, in megabytes of audio
// a second. The folder goes in the given folder (default: the system's temporary folder), so the
// figures are those of that disk; the file system's cache is not emptied between the runs, so
// the open reads what the save just wrote as fast as the cache gives it.
//   session_bench [FOLDER]
#include "engine/MemorySystem.h"
#include "engine/VarnoloLooper.h"
#include "session/SessionFolder.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <random>

using namespace Work;

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    MemorySystem::startEngineRuntime();
    if (MemorySystem::startSampleMemoryOf (1024) == 0)
        return 1;

    auto& memory = *MemorySystem::getDataMemory();
    constexpr std::uint32_t length = 60 * 48000;
    constexpr int loops = 8;

    // One main loop and seven loops over its cycle, each a minute of stereo noise.
    VarnoloLooper looper (memory, 16, 16, true);
    LoopSetImage image;
    image.reserve();
    std::vector<float> left (length), right (length);
    std::mt19937 random (3);
    std::uniform_real_distribution<float> noise (-0.5f, 0.5f);
    for (std::uint32_t i = 0; i < length; ++i)
    {
        left[i] = noise (random);
        right[i] = noise (random);
    }
    for (int k = 0; k < loops; ++k)
    {
        LoopImage loop;
        loop.kind = k == 0 ? LoopImage::Kind::main : LoopImage::Kind::secondary;
        loop.input = 0;
        loop.output = 2 * k;
        loop.channels = 2;
        loop.length = length;
        loop.samples = { left.data(), right.data() };
        image.loops.push_back (loop);
    }
    if (looper.restoreImage (image, false) != VarnoloLooper::RestoreResult::restored)
        return 1;

    LoopSetImage taken;
    taken.reserve();
    if (! looper.captureImage (taken))
        return 1;

    const auto place =
        argc > 1 ? juce::File (juce::String (argv[1])) : juce::File::getSpecialLocation (juce::File::tempDirectory);
    const auto folder = place.getChildFile ("varnolo-session-bench");
    const double megabytes = double (length) * 2 * loops * sizeof (float) / 1.0e6;
    std::printf ("session of %d one-minute stereo loops at 48 kHz: %.1f MB of audio, in %s\n", loops, megabytes,
                 folder.getFullPathName().toRawUTF8());

    for (int run = 1; run <= 3; ++run)
    {
        const auto t0 = juce::Time::getMillisecondCounterHiRes();
        const auto error = SessionFolder::save (folder, SessionDocument::of (taken, {}, 48000));
        const auto t1 = juce::Time::getMillisecondCounterHiRes();
        if (error.isNotEmpty())
        {
            std::printf ("save failed: %s\n", error.toRawUTF8());
            return 1;
        }

        juce::String why;
        auto loaded = SessionFolder::open (folder, 48000, memory.getCapacity(), why);
        const auto t2 = juce::Time::getMillisecondCounterHiRes();
        if (! loaded.has_value())
        {
            std::printf ("open failed: %s\n", why.toRawUTF8());
            return 1;
        }
        loaded->pointAtAudio();
        const auto result = looper.restoreImage (loaded->document.looper, true);
        const auto t3 = juce::Time::getMillisecondCounterHiRes();
        if (result != VarnoloLooper::RestoreResult::restored)
            return 1;

        std::printf ("run %d: save %6.0f ms (%5.0f MB/s)   read and check %6.0f ms (%5.0f MB/s)   "
                     "build the loops %5.0f ms (%5.0f MB/s)\n",
                     run, t1 - t0, megabytes / ((t1 - t0) / 1000.0), t2 - t1, megabytes / ((t2 - t1) / 1000.0), t3 - t2,
                     megabytes / ((t3 - t2) / 1000.0));
    }

    folder.deleteRecursively();
    looper.resetAllLoops (nullptr);
    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
    return 0;
}
