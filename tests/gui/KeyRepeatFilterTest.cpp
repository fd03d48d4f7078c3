// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "gui/screen/KeyRepeatFilter.h"

#include <gtest/gtest.h>

#include <set>

using namespace Work;

namespace
{
constexpr int space = ' ', del = 127;

// The window system's key state, as the filter reads it.
struct Keyboard
{
    std::set<int> down;
    KeyRepeatFilter filter { [this] (int code) { return down.count (code) != 0; } };

    bool press (int code, double ms)
    {
        down.insert (code);
        filter.keyStateChanged (ms);
        return filter.isFreshPress (code, ms);
    }

    void release (int code, double ms)
    {
        down.erase (code);
        filter.keyStateChanged (ms);
    }
};
} // namespace

TEST (KeyRepeatFilter, HeldKeyActsOnceWhateverTheRepeatLooksLike)
{
    Keyboard keys;
    EXPECT_TRUE (keys.press (space, 0.0));

    // Repeats as bare presses (detectable auto-repeat), then as release-and-press pairs that the
    // framework did not join, a millisecond apart.
    EXPECT_FALSE (keys.press (space, 660.0));
    for (double t = 700.0; t < 2000.0; t += 40.0)
    {
        keys.release (space, t);
        EXPECT_FALSE (keys.press (space, t + 1.0)) << "repeat at " << t;
    }

    // A real release, then a press: fresh, however quick a performer is.
    keys.release (space, 2000.0);
    EXPECT_TRUE (keys.press (space, 2060.0));
    keys.release (space, 2100.0);

    // Two keys are held apart from each other.
    EXPECT_TRUE (keys.press (del, 3000.0));
    EXPECT_TRUE (keys.press (space, 3010.0));
    EXPECT_FALSE (keys.press (del, 3700.0));
}

TEST (KeyRepeatFilter, TrustedReleasesCountHoweverLateTheyAreHandled)
{
    // A busy message thread handles a delete's release and the next press a millisecond apart,
    // although the performer pressed again a tenth of a second later: the question the first
    // press asked must be answered. Untrusted, that release looks like half of a repeat.
    for (const bool trusted : { true, false })
    {
        Keyboard keys;
        if (trusted)
            keys.filter.trustReleases();
        EXPECT_TRUE (keys.press (del, 0.0));
        keys.release (del, 400.0);
        EXPECT_EQ (keys.press (del, 401.0), trusted);
    }

    // Trusted, a held key still acts once: its repeats are presses alone.
    Keyboard keys;
    keys.filter.trustReleases();
    EXPECT_TRUE (keys.press (space, 0.0));
    for (double t = 660.0; t < 2000.0; t += 40.0)
        EXPECT_FALSE (keys.press (space, t));
}

TEST (KeyRepeatFilter, MissedReleasesDoNotHoldAKeyForEver)
{
    Keyboard keys;
    EXPECT_TRUE (keys.press (space, 0.0));

    // Let go over another program's window: the filter never saw it, yet a press a second later
    // is fresh, since a held key repeats far more often.
    keys.down.erase (space);
    EXPECT_TRUE (keys.press (space, 0.0 + KeyRepeatFilter::longestRepeatMs + 1.0));

    // A window that comes to the front forgets the keys that are up and holds those down: a
    // delete held from another window repeats into nothing; a space let go acts at once.
    keys.down = { del };
    keys.filter.holdKeysDownNow ({ space, del }, 5000.0);
    EXPECT_FALSE (keys.filter.isHeld (space));
    EXPECT_FALSE (keys.press (del, 5040.0));
    EXPECT_TRUE (keys.press (space, 5050.0));
}
