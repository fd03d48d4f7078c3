// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/CallbackDisabler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace Work::CallbackDisabler;

TEST (CallbackGate, BodiesRunOnlyWhileNoDisableLives)
{
    Manager gate;
    {
        ScopedCallback callback (gate);
        EXPECT_TRUE (callback.isEnabled());
    }
    {
        ScopedDisable outer (gate);
        {
            ScopedDisable inner (gate);
            ScopedCallback callback (gate);
            EXPECT_FALSE (callback.isEnabled());
        }
        ScopedCallback callback (gate);
        EXPECT_FALSE (callback.isEnabled()) << "nested disables: the outer one still holds";
        EXPECT_TRUE (gate.isDisabled());
    }
    ScopedCallback callback (gate);
    EXPECT_TRUE (callback.isEnabled());
}

TEST (CallbackGate, DisableWaitsForARunningBodyToFinish)
{
    Manager gate;
    std::atomic<bool> bodyEntered { false }, releaseBody { false }, bodyFinished { false };

    std::thread audio ([&] {
        ScopedCallback callback (gate);
        ASSERT_TRUE (callback.isEnabled());
        bodyEntered = true;
        while (! releaseBody)
            std::this_thread::yield();
        bodyFinished = true;
    });

    while (! bodyEntered)
        std::this_thread::yield();

    std::atomic<bool> disableReturned { false };
    std::thread message ([&] {
        ScopedDisable disable (gate);
        disableReturned = true;
        EXPECT_TRUE (bodyFinished.load()) << "disable returned while a body was still running";
    });

    std::this_thread::sleep_for (std::chrono::milliseconds (20));
    EXPECT_FALSE (disableReturned.load());
    releaseBody = true;

    audio.join();
    message.join();
    EXPECT_TRUE (disableReturned.load());
}

TEST (CallbackGate, NoBodyOverlapsAHeldGateUnderContention)
{
    // The message side repeatedly takes the gate and checks that no body is inside; the audio side
    // runs bodies back to back. Any overlap is a failure of the gate. Run under ThreadSanitizer too.
    Manager gate;
    std::atomic<int> bodiesInside { 0 };
    std::atomic<bool> stop { false };
    std::atomic<long> bodiesRun { 0 };
    std::atomic<int> overlaps { 0 };

    std::thread audio ([&] {
        while (! stop)
        {
            ScopedCallback callback (gate);
            if (callback.isEnabled())
            {
                bodiesInside.fetch_add (1);
                bodiesRun.fetch_add (1);
                bodiesInside.fetch_sub (1);
            }
        }
    });

    for (int i = 0; i < 5000; ++i)
    {
        const auto before = bodiesRun.load();
        {
            ScopedDisable disable (gate);
            if (bodiesInside.load() != 0)
                overlaps.fetch_add (1);
        }
        // Let at least one body run between two disables, so the two sides really interleave.
        while (bodiesRun.load() == before)
            std::this_thread::yield();
    }

    stop = true;
    audio.join();
    EXPECT_EQ (overlaps.load(), 0);
    EXPECT_GE (bodiesRun.load(), 5000);
}
