// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "HeldKeyRepeat.h"

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

} // namespace Work

#else

namespace Work
{

bool repeatHeldKeysAsPressesOnly()
{
    return false;
}

} // namespace Work

#endif
