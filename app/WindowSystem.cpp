// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "WindowSystem.h"

#include <juce_core/juce_core.h>

#if JUCE_LINUX || JUCE_BSD
// The framework's window system and its X display, which only this file sees.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

bool repeatHeldKeysAsPressesOnly()
{
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();

    if (display == nullptr)
        return false;

    // The setting belongs to the connection that asks, so it must be the framework's own.
    juce::XWindowSystemUtilities::ScopedXLock lock;
    Bool supported = False;
    XkbSetDetectableAutoRepeat (display, True, &supported);
    return supported == True;
}

void deliverWaitingWindowEvents (juce::Component& window)
{
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    auto* peer = window.getPeer();

    if (display == nullptr || peer == nullptr)
        return;

    const juce::XWindowSystemUtilities::ScopedXLock lock;

    // Only what the library already holds: this reads nothing from the connection.
    if (XEventsQueued (display, QueuedAlready) == 0)
        return;

    // An atom of our own, which the framework ignores. Made once: asking for it waits for the
    // server, and the next tick looks again in any case.
    static const Atom wake = XInternAtom (display, "VARNOLO_WAKE", False);

    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = (::Window)peer->getNativeHandle();
    event.xclient.message_type = wake;
    event.xclient.format = 32;
    XSendEvent (display, event.xclient.window, False, NoEventMask, &event);
    XFlush (display);
}

} // namespace Work

#else

namespace Work
{

bool repeatHeldKeysAsPressesOnly()
{
    return false;
}

void deliverWaitingWindowEvents (juce::Component&) {}

} // namespace Work

#endif
