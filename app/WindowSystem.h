// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

namespace juce
{
class Component;
}

namespace Work
{

/** The few things the program asks of the window system beneath the framework; only this file
    knows which window system that is. Elsewhere than X each does nothing. [message] */

/** Asks the window system to repeat a held key as presses alone. By default X repeats a held
    key as a release and a press with the same time stamp; the framework pairs them only when
    both are already queued, so on a busy message thread a repeat can look like a fresh press
    of a key that was let go. With this set, a held key is never seen released until it is.
    Returns whether the window system agreed. */
bool repeatHeldKeysAsPressesOnly();

/** Makes sure no event of the window system waits unseen. The framework reads the X connection
    when it has data to read; but every call that waits for the X server's answer (showing or
    raising a window, asking for its attributes) reads whatever events have come meanwhile into
    the X library's queue, where nothing wakes the framework for them: a window just shown stays
    unpainted and a key pressed in it unheard until some other event happens to arrive. If events
    wait there, this sends one more, of no meaning, to window's own X window, so that the
    framework wakes and reads them all. Cheap when nothing waits: called every screen tick. */
void deliverWaitingWindowEvents (juce::Component& window);

} // namespace Work
