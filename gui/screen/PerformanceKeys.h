// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "KeyRepeatFilter.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>
#include <vector>

namespace Work
{

/** The keys that drive the looper from the main window: space starts and stops, delete or
    backspace asks to reset every loop, the left and right arrows move the record cursor.

    It listens on the whole window, so a key acts whichever part of the window has the keyboard
    focus, the window itself included (as it does at start, before anything in it was clicked).
    Each physical press acts once: the window system's auto-repeat of a held key does nothing,
    and a key held while the window comes back to the front (a question just answered by that
    key) acts only when pressed again. Every key also goes on to the window's other handlers.
    [message] */
class PerformanceKeys final : public juce::KeyListener
{
public:
    enum class Action
    {
        startStop,
        resetLoops,
        cursorBack,
        cursorForward
    };

    /** Told each action, once per press. */
    std::function<void (Action)> onAction;

    /** The window came to the front: the keys that are down now wait for their release. */
    void windowActivated();

    /** The filter every window of the program shares, so a key held from one window into the
        next is known there. */
    [[nodiscard]] KeyRepeatFilter& getRepeatFilter() noexcept { return filter; }

    /** The keys the filter watches when a window comes to the front. */
    [[nodiscard]] static std::vector<int> watchedKeys();

    /** The action a key stands for, if any. */
    [[nodiscard]] static std::optional<Action> actionFor (const juce::KeyPress& key);

    bool keyPressed (const juce::KeyPress& key, juce::Component* origin) override;
    bool keyStateChanged (bool isKeyDown, juce::Component* origin) override;

private:
    KeyRepeatFilter filter { juce::KeyPress::isKeyCurrentlyDown };

    JUCE_DECLARE_WEAK_REFERENCEABLE (PerformanceKeys)
};

} // namespace Work
