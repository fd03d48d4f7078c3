// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Prints where every named part of the performance screen lies in a main window of the given
// size, so a test can click the real window where a performer would:
//   screen_probe WIDTH HEIGHT [--sizes]
// One line per part: "x y width height name", in window coordinates. The window is framed
// as the program's main window is, with the settings of $HOME, as the program reads them.
// With --sizes, two lines instead: "smallest control: SIZE NAME" and "smallest text: SIZE NAME",
// the smallest side of anything clickable and the smallest text height, in pixels.
#include "app/LayoutMap.h"
#include "app/MainAppWindow.h"
#include "app/ProductInfo.h"
#include "gui/look/ColourPalette.h"

#include <iostream>

namespace
{
void printNamed (juce::Component& window, juce::Component& component)
{
    for (auto* child : component.getChildren())
    {
        if (child->getName().isNotEmpty() && child->isVisible())
        {
            const auto r = window.getLocalArea (child, child->getLocalBounds());
            std::cout << r.getX() << ' ' << r.getY() << ' ' << r.getWidth() << ' ' << r.getHeight() << ' '
                      << child->getName() << '\n';
        }
        printNamed (window, *child);
    }
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::cerr << "usage: screen_probe WIDTH HEIGHT\n";
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juce;
    {
        Work::ColourPalette palette;
        Work::MainSettings settings;
        Work::EngineRuntime engine (settings, nullptr, 768);
        if (! engine.buildEngine())
            return 1;

        Work::MainContentComponent content (engine, settings, nullptr);
        juce::DocumentWindow frame (Work::ProductInfo::getNameWithVersion(), Work::ColourPalette::backgroundColour(),
                                    juce::DocumentWindow::allButtons, false);
        Work::MainAppWindow::configureFrame (frame);
        frame.setContentNonOwned (&content, false);
        frame.setMenuBar (&content);
        frame.setSize (std::atoi (argv[1]), std::atoi (argv[2]));

        if (argc > 3 && juce::String (argv[3]) == "--sizes")
        {
            const auto control = Work::LayoutMap::smallestControl (content);
            const auto text = Work::LayoutMap::smallestText (content);
            std::cout << "smallest control: " << control.size << ' ' << control.name << '\n'
                      << "smallest text: " << text.size << ' ' << text.name << '\n';
        }
        else
        {
            const auto area = frame.getLocalArea (&content, content.getLocalBounds());
            std::cout << area.getX() << ' ' << area.getY() << ' ' << area.getWidth() << ' ' << area.getHeight()
                      << " Content\n";
            printNamed (frame, content);
        }
        frame.setMenuBar (nullptr);
        frame.clearContentComponent();
    }
    return 0;
}
