// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Dialogs.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work::Dialogs
{

namespace
{
    void configure (juce::DialogWindow::LaunchOptions& options, const juce::String& title, juce::Component* centreAround,
                    Resizing resizing, juce::Colour background)
    {
        options.dialogTitle = title;
        options.dialogBackgroundColour = background.isTransparent() ? Drawing::palette().background : background;
        options.componentToCentreAround = centreAround;
        options.resizable = resizing == Resizing::resizable;
    }
} // namespace

juce::Component::SafePointer<juce::DialogWindow> open (std::unique_ptr<juce::Component> content, const juce::String& title,
                                                       juce::Component* centreAround, Resizing resizing)
{
    juce::DialogWindow::LaunchOptions options;
    configure (options, title, centreAround, resizing, {});
    options.content.setOwned (content.release());
    return options.launchAsync();
}

void run (juce::Component& content, const juce::String& title, juce::Component* centreAround, Resizing resizing,
          juce::Colour background)
{
    juce::DialogWindow::LaunchOptions options;
    configure (options, title, centreAround, resizing, background);
    options.content.setNonOwned (&content);
    options.runModal();
}

} // namespace Work::Dialogs
