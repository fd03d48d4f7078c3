// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "PerformanceKeys.h"

namespace Work
{

std::optional<PerformanceKeys::Action> PerformanceKeys::actionFor (const juce::KeyPress& key)
{
    if (key.getModifiers().isAnyModifierKeyDown())
        return std::nullopt; // Ctrl+Q and the like belong to the menus

    const auto code = key.getKeyCode();

    if (code == juce::KeyPress::spaceKey)
        return Action::startStop;
    if (code == juce::KeyPress::deleteKey || code == juce::KeyPress::backspaceKey)
        return Action::resetLoops;
    if (code == juce::KeyPress::leftKey)
        return Action::cursorBack;
    if (code == juce::KeyPress::rightKey)
        return Action::cursorForward;
    return std::nullopt;
}

std::vector<int> PerformanceKeys::watchedKeys()
{
    return { juce::KeyPress::spaceKey, juce::KeyPress::deleteKey, juce::KeyPress::backspaceKey, juce::KeyPress::leftKey,
             juce::KeyPress::rightKey, juce::KeyPress::returnKey, juce::KeyPress::escapeKey };
}

bool PerformanceKeys::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    // Every key goes through the filter, so it knows which are held.
    const bool fresh = filter.isFreshPress (key.getKeyCode(), juce::Time::getMillisecondCounterHiRes());

    if (const auto action = actionFor (key); action.has_value() && fresh && onAction)
        onAction (*action);

    return false; // the keys go on to the other handlers too
}

bool PerformanceKeys::keyStateChanged (bool, juce::Component*)
{
    filter.keyStateChanged (juce::Time::getMillisecondCounterHiRes());
    return false;
}

void PerformanceKeys::windowActivated()
{
    // The framework refreshes its key state just after the window gets the focus, so look once
    // that has happened.
    juce::MessageManager::callAsync ([safe = juce::WeakReference<PerformanceKeys> (this)] {
        if (auto* keys = safe.get())
            keys->filter.holdKeysDownNow (watchedKeys(), juce::Time::getMillisecondCounterHiRes());
    });
}

} // namespace Work
