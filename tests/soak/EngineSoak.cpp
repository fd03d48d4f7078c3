// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// A long performance through the real engine (the looper, the mixer and the MIDI clock, in the
// device's block order), faster than real time: a seeded random performer presses every command
// with every kind of argument, in storms of undo and redo, with resets, while the sample pool is
// kept nearly full. After every block the engine's invariants are checked:
//   - every output sample is finite;
//   - the main loop's length does not change while it exists, and the position stays inside the
//     cycle;
//   - no heap call is made inside a block;
//   - the pool's accounting is exact (live bytes, free bytes and free headers fill it), checked
//     every 10 000 blocks and after every reset, when the pool holds no more than it did before
//     the first loop.
//   engine_soak [seconds of audio] [seed] [block size]   (defaults: 600, 1, 64)
// Prints what it checked; exits 0 when every invariant held, 1 at the first that did not.
#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "midi/MidiClockSender.h"
#include "midi/TapTempo.h"
#include "support/AllocationCounter.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using namespace Work;

namespace
{
constexpr double sampleRate = 48000.0;
constexpr std::uint64_t freeLeft = 4u << 20;

/** The message thread's side: counts what the engine tells the screen. */
struct CountingGui
{
    /** Takes the news of one refresh of view. */
    void count()
    {
        texts += view.hasText ? 1 : 0;
        resets += view.loopsWereReset ? 1 : 0;
        view.clearNews();
    }

    LooperView view;
    long texts = 0, resets = 0;
};

/** Free bytes, free headers and live bytes together fill the pool exactly. */
bool poolAccountingHolds (MemorySystem::DataMemory& memory, std::uint64_t& freeBlocks)
{
    std::uint64_t freePayload = 0;
    freeBlocks = 0;
    memory.visitFreeBlocks ([&] (std::uint32_t, std::uint32_t size) {
        freePayload += size;
        ++freeBlocks;
    });
    return freePayload == memory.getFreeBytes()
           && std::uint64_t (memory.getUsedBytes()) + freePayload + freeBlocks * MemorySystem::DataMemory::headerSize
                  == std::uint64_t (memory.getCapacity()) + MemorySystem::DataMemory::headerSize;
}

std::uint64_t bitsOf (float value)
{
    std::uint32_t bits = 0;
    std::memcpy (&bits, &value, sizeof bits);
    return bits;
}

int fail (const char* what, std::int64_t block)
{
    std::printf ("FAIL at block %lld: %s\n", (long long)block, what);
    return 1;
}
} // namespace

int main (int argc, char** argv)
{
    const auto seconds = argc > 1 ? std::atof (argv[1]) : 600.0;
    const auto seed = argc > 2 ? std::uint32_t (std::atoi (argv[2])) : 1u;
    const auto blockSize = argc > 3 ? std::atoi (argv[3]) : 64;

    juce::ScopedJuceInitialiser_GUI juce;
    MemorySystem::startEngineRuntime();
    const auto poolMb = MemorySystem::startSampleMemory (768);
    if (poolMb == 0)
        return 1;

    int result = 0;
    const auto wallStart = std::chrono::steady_clock::now();
    {
        MainAudio engine (nullptr);
        if (! engine.setupEngine (2, false, 8, 1))
            return 1;

        auto* looper = engine.getLooper();
        looper->setDevice (int (sampleRate), 64, 128);
        CursorWord cursors (8, 1);
        looper->setCursorWord (&cursors);

        TapTempo tempo;
        MidiClockSender clock (tempo);
        tempo.setClock (&clock);
        tempo.setClient (looper);
        clock.setMainClient (looper);
        MidiClockPair pair { &clock, &tempo };
        looper->setClock (&pair);

        // The pool nearly full: all but 4 MB (about 20 seconds of one channel) is ballast, so
        // recordings run into its end again and again.
        auto& memory = *MemorySystem::getDataMemory();
        const auto baseline = memory.getUsedBytes();
        std::vector<void*> ballast;
        while (memory.getFreeBytes() > freeLeft)
            if (auto* block = memory.allocate (1u << 20))
                ballast.push_back (block);
            else
                break;
        const auto emptyUsed = memory.getUsedBytes();

        std::mt19937 random (seed);
        // True about once every meanSeconds of audio, whatever the block size.
        const auto every = [&random, blockSize] (double meanSeconds) {
            return random() % std::uint32_t (std::max (1.0, meanSeconds * sampleRate / blockSize)) == 0;
        };
        const auto uniform = [&random] (int low, int high) { return low + int (random() % std::uint32_t (high - low + 1)); };
        const std::int32_t codes[] = { CommandCode::punch,       CommandCode::undo,         CommandCode::redo,
                                       CommandCode::startStop,   CommandCode::resync,       CommandCode::multiplyDuration,
                                       CommandCode::addDuration, CommandCode::direction,    CommandCode::cursorStep,
                                       CommandCode::stripClick,  CommandCode::mute,         CommandCode::solo,
                                       CommandCode::mixBus,      CommandCode::resetLoops,   CommandCode::playList,
                                       CommandCode::freeLoops,   CommandCode::loopDivision, CommandCode::toMain,
                                       CommandCode::clockOutput, CommandCode::eraseChannel };

        const auto n = std::size_t (blockSize);
        std::vector<float> inLeft (n), inRight (n), outLeft (n), outRight (n);
        const auto blocks = std::int64_t (seconds * sampleRate / blockSize);
        std::int64_t samples = 0, commands = 0, storms = 0, resetsAsked = 0, poolChecks = 0, heapCalls = 0;
        std::uint32_t mainLength = 0;
        std::uint64_t mostLive = 0, freeBlocks = 0;
        std::uint64_t outputHash = 14695981039346656037ull; // of every output sample's bits: a change of output shows
        CountingGui gui;
        std::normal_distribution<float> noise (0.0f, 0.1f);

        for (std::int64_t b = 0; b < blocks && result == 0; ++b)
        {
            const auto timeMs = std::int64_t (double (samples) * 1000.0 / sampleRate);

            // The performer: a press every 300 ms or so, mostly as meant (a punch on an input, a
            // control on a channel that exists), one in four with arguments out of any range.
            if (every (0.3))
            {
                const bool meant = random() % 4 != 0;
                const auto code = random() % 3 == 0 ? CommandCode::punch : codes[random() % std::size (codes)];
                looper->post ({ code, meant ? uniform (0, code == CommandCode::punch ? 1 : 7) : uniform (-1, 9),
                                meant ? uniform (1, 2) : uniform (-1, 3), meant ? uniform (-1, 0) : uniform (-1, 2),
                                timeMs });
                ++commands;
            }
            if (every (25.0))
            {
                const auto code = random() % 2 == 0 ? CommandCode::undo : CommandCode::redo;
                for (int i = 0; i < 30; ++i)
                    looper->post ({ code, 0, 0, 0, timeMs });
                ++storms;
            }
            if (every (50.0))
            {
                looper->post ({ CommandCode::resetLoops, 0, 0, 0, timeMs });
                looper->post ({ CommandCode::resetLoops, 0, 0, 0, timeMs });
                ++resetsAsked;
            }
            if (every (6.0))
                tempo.tap (timeMs);

            for (std::size_t i = 0; i < n; ++i)
            {
                inLeft[i] = 0.5f * std::sin (float (samples + std::int64_t (i)) * 0.05f) + noise (random);
                inRight[i] = noise (random);
            }
            const float* inputs[] = { inLeft.data(), inRight.data() };
            float* outputs[] = { outLeft.data(), outRight.data() };
            const BlockInfo info { nullptr, timeMs, float (sampleRate) };

            {
                Testing::ScopedRealTimeSection section;
                tempo.preAudioCallback();
                engine.audioCallback (inputs, outputs, blockSize, info);
                heapCalls = section.heapCalls();
            }
            samples += blockSize;

            // What the block left behind.
            if (heapCalls != 0)
                result = fail ("the heap was used inside a block", b);

            for (std::size_t i = 0; i < n && result == 0; ++i)
            {
                if (! std::isfinite (outLeft[i]) || ! std::isfinite (outRight[i]))
                    result = fail ("an output sample is not finite", b);
                outputHash = (outputHash ^ bitsOf (outLeft[i])) * 1099511628211ull;
                outputHash = (outputHash ^ bitsOf (outRight[i])) * 1099511628211ull;
            }

            const auto& part = looper->getCurrentPart();
            if (part.hasMainLoop())
            {
                if (mainLength == 0)
                    mainLength = part.mainLoopLength();
                if (part.mainLoopLength() != mainLength || mainLength == 0)
                    result = fail ("the main loop's length changed", b);
                if (part.cycleLength() == 0 || part.getPosition() >= part.cycleLength())
                    result = fail ("the position lies outside the cycle", b);
            }
            else if (! part.isMainLoopRecording())
            {
                mainLength = 0;
            }
            mostLive = std::max<std::uint64_t> (mostLive, memory.getUsedBytes() - emptyUsed);

            // The message thread, every 15 ms of audio.
            if (b % std::int64_t (std::max (1.0, 0.015 * sampleRate / blockSize)) == 0)
            {
                const auto resetsBefore = gui.resets;
                looper->pollQueues (gui.view);
                looper->runRequestedWork (&gui.view);
                gui.count();

                if (gui.resets != resetsBefore || b % 10000 == 0)
                {
                    ++poolChecks;
                    if (! poolAccountingHolds (memory, freeBlocks))
                        result = fail ("the pool's accounting does not add up", b);
                    if (gui.resets != resetsBefore && ! looper->getCurrentPart().hasMainLoop()
                        && ! looper->getCurrentPart().isMainLoopRecording() && memory.getUsedBytes() != emptyUsed)
                    {
                        std::printf ("%u bytes left\n", memory.getUsedBytes() - emptyUsed);
                        result = fail ("a reset left loops in the pool", b);
                    }
                }
            }
        }

        const auto wall = std::chrono::duration<double> (std::chrono::steady_clock::now() - wallStart).count();
        std::printf ("%.0f s of audio (%lld blocks of %d) in %.1f s, seed %u, pool %u MB with %zu MB of ballast\n",
                     double (samples) / sampleRate, (long long)(samples / blockSize), blockSize, wall, seed, poolMb,
                     ballast.size());
        std::printf ("output hash %016llx\n", (unsigned long long)outputHash);
        std::printf ("%lld presses, %lld undo or redo storms of 30, %lld resets asked, %ld confirmed; %ld texts for "
                     "the performer\n",
                     (long long)commands, (long long)storms, (long long)resetsAsked, gui.resets, gui.texts);
        std::printf ("checked every block: finite output, main loop length, position in the cycle, no heap use; pool "
                     "accounting %lld times; most sample memory in use %.2f MB of %.2f MB left free\n",
                     (long long)poolChecks, double (mostLive) / 1048576.0, double (freeLeft) / 1048576.0);

        looper->setClock (nullptr);
        engine.teardownEngine();

        for (auto* block : ballast)
            memory.release (block);
        if (result == 0 && memory.getUsedBytes() != baseline)
            result = fail ("the engine's teardown left memory in the pool", blocks);
    }

    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
    if (result == 0)
        std::printf ("PASS: every invariant held\n");
    return result;
}
