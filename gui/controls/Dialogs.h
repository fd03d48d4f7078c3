// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Work::Dialogs
{

/** Whether a dialog's window may be resized. */
enum class Resizing
{
    fixed,
    resizable
};

/** Opens content in a modal dialog over centreAround (null: the display's centre), titled title,
    on the program's background, and returns at once; the dialog owns content and deletes it when
    it closes. The dialog while it is open, else null. [message] */
juce::Component::SafePointer<juce::DialogWindow> open (std::unique_ptr<juce::Component> content, const juce::String& title,
                                                       juce::Component* centreAround, Resizing resizing = Resizing::fixed);

/** Shows content, which the caller keeps, in a modal dialog and returns when it closes: for the
    short questions whose answer the caller reads from content afterwards. [message] */
void run (juce::Component& content, const juce::String& title, juce::Component* centreAround,
          Resizing resizing = Resizing::fixed, juce::Colour background = {});

} // namespace Work::Dialogs
