// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <functional>
#include <vector>

namespace Work
{

/** Tells a deliberate key press from the window system's auto-repeat, so that a key acts once
    per physical press and must be released before it acts again. One filter serves every
    window of the program, so a key held while a window appears (the question that very press
    asked) is still known as held there.

    How it works: a key that acted is held until a release is seen. Where the window system
    repeats a held key as presses alone (trustReleases), every release is a key let go. Where it
    repeats it as a release and a press with the same time (X by default), and the framework does
    not always recognise the pair, a press within repeatGapMs of its key's release is taken as
    part of the repeat; the times are those at which the message thread handles the events, so on
    a busy thread a real release handled just before the next press is taken for a repeat too,
    which is why trusting releases is preferred wherever it can be had. A release the program never saw (the key let
    go over another program's window) cannot hold a key for ever: a press more than
    longestRepeatMs after the key's last press is a fresh one, since repeats come far more
    often, and a window that comes to the front forgets the keys that are up and holds those
    that are down. [message] */
class KeyRepeatFilter
{
public:
    /** Whether a key is down now, as the window system last told. */
    using KeyIsDown = std::function<bool (int keyCode)>;

    explicit KeyRepeatFilter (KeyIsDown isDown);

    /** A release and a press closer than this are one auto-repeat step. */
    static constexpr double repeatGapMs = 30.0;

    /** The longest wait for a repeat of a held key (the window system's first repeat comes
        after 660 ms by default, later ones every 40 ms). */
    static constexpr double longestRepeatMs = 1000.0;

    /** The window system repeats held keys as presses alone: a release is always a key let go,
        however soon the next press is handled. */
    void trustReleases() noexcept { releasesAreReal = true; }

    /** True for a fresh press of the key at nowMs, false for a repeat of a key still held. */
    [[nodiscard]] bool isFreshPress (int keyCode, double nowMs);

    /** A key went up or down at nowMs: the held keys that are up now count as released. */
    void keyStateChanged (double nowMs);

    /** A window came to the front at nowMs: of these keys, those down now are held, the others
        forgotten. */
    void holdKeysDownNow (const std::vector<int>& keyCodes, double nowMs);

    [[nodiscard]] bool isHeld (int keyCode) const noexcept;

private:
    struct Key
    {
        int code;
        double lastPressMs, releasedMs; // releasedMs 0 while no release was seen
    };

    Key* find (int keyCode) noexcept;
    [[nodiscard]] bool isLetGo (const Key& key, double nowMs) const noexcept;

    KeyIsDown isDown;
    std::vector<Key> keys;
    bool releasesAreReal = false;
};

} // namespace Work
