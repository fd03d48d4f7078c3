// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** Where every part of every window lies on the screen, written to a text file as long as the
    program runs, for the tests that drive the program with a mouse and for anyone checking a
    layout. Only when the environment variable layoutMapVariable names the file.

    One line per part: "x y width height window: name", screen coordinates, for every visible
    component that has a name, every text button (named by its text) and every component a
    label is attached to (named by the label's text, as "Audio buffer size:"), and every item of
    an open menu or list (named by its text, in the window "menu"); a choice box has
    a second line with what it shows ("Audio buffer size: = 512 samples (10.7 ms)"). The file is
    rewritten, whole, when the map changes. [message] */
class LayoutMap final : private juce::Timer
{
public:
    static constexpr const char* layoutMapVariable = "VARNOLO_LAYOUT_MAP";

    /** Starts writing when the variable is set; does nothing otherwise. */
    LayoutMap();
    ~LayoutMap() override;

    /** The map of every window on the desktop now. */
    [[nodiscard]] static juce::String describeDesktop();

    /** The smallest of the visible parts found below a component, and the name of the nearest
        named component it belongs to. */
    struct Smallest
    {
        float size = 0.0f;
        juce::String name;
    };

    /** The smallest side of a control a performer clicks or drags: buttons, sliders and parts
        marked with the "control" property. */
    [[nodiscard]] static Smallest smallestControl (juce::Component& root);

    /** The smallest text height: labels' fonts and the "textHeight" pictures note. */
    [[nodiscard]] static Smallest smallestText (juce::Component& root);

private:
    void timerCallback() override;

    juce::File file;
    juce::String written;
};

} // namespace Work
