// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SecondWindow.h"

#include "gui/look/ColourPalette.h"

namespace Work
{

SecondWindow::SecondWindow (KeyRepeatFilter& keysToUse)
    : juce::ResizableWindow (title, ColourPalette::backgroundColour(), false)
    , keys (keysToUse)
{
    setContentNonOwned (&panel, false);
    setWantsKeyboardFocus (true);
}

int SecondWindow::getDesktopWindowStyleFlags() const
{
    return juce::ResizableWindow::getDesktopWindowStyleFlags() | juce::ComponentPeer::windowIsTemporary;
}

void SecondWindow::showOver (juce::Component& over)
{
    const auto centre = over.getScreenBounds().getCentre();
    setTopLeftPosition (centre.x - getWidth() / 2, centre.y - getHeight() / 2);

    // Made a desktop window only when first asked for, so a screen built offscreen needs no display.
    if (! isOnDesktop())
        addToDesktop (getDesktopWindowStyleFlags());

    // The press that asked may still be down: the filter, shared with the screen, holds it, so
    // the answer needs a press of its own.
    setVisible (true);
    toFront (true);
}

void SecondWindow::userTriedToCloseWindow()
{
    setVisible (false);
    if (onCancel)
        onCancel();
}

bool SecondWindow::keyStateChanged (bool)
{
    keys.keyStateChanged (juce::Time::getMillisecondCounterHiRes());
    return false;
}

bool SecondWindow::keyPressed (const juce::KeyPress& key)
{
    if (! keys.isFreshPress (key.getKeyCode(), juce::Time::getMillisecondCounterHiRes()))
        return true; // a held key's auto-repeat answers nothing

    if (key == juce::KeyPress::escapeKey)
    {
        setVisible (false);
        if (onCancel)
            onCancel();
        return false; // Escape goes on to other handlers too
    }

    // The keys that asked confirm, as the reset button does: delete twice resets.
    if (key == juce::KeyPress::deleteKey || key == juce::KeyPress::backspaceKey || key == juce::KeyPress::returnKey)
    {
        panel.getResetButton().trigger();
        return true;
    }

    return false;
}

} // namespace Work
