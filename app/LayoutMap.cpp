// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LayoutMap.h"

#include "MainAppWindow.h"
#include "ProductInfo.h"

#include "gui/controls/FadeLabelComponent.h"

#include <map>

namespace Work
{

namespace
{
    void describe (juce::Component& component, const juce::String& window,
                   const std::map<juce::Component*, juce::String>& labelled, juce::String& out)
    {
        for (auto* child : component.getChildren())
        {
            if (! child->isVisible())
                continue;

            auto name = child->getName();

            if (auto found = labelled.find (child); found != labelled.end())
                name = found->second;
            else if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && name.isEmpty())
                name = button->getButtonText();
            else if (name.isEmpty() && dynamic_cast<juce::ComboBox*> (child) != nullptr
                     && dynamic_cast<juce::PropertyComponent*> (&component) != nullptr)
                name = component.getName(); // an option's choice box, named as its row
            else if (name.isEmpty())
                if (auto* handler = child->getAccessibilityHandler();
                    handler != nullptr && handler->getRole() == juce::AccessibilityRole::menuItem)
                    name = handler->getTitle(); // an item of an open menu or list

            if (name.isNotEmpty())
            {
                const auto r = child->getScreenBounds();
                const auto where = juce::String (r.getX()) + " " + juce::String (r.getY()) + " "
                                   + juce::String (r.getWidth()) + " " + juce::String (r.getHeight()) + " " + window + ": ";
                name = name.replaceCharacters ("\r\n", "  ");
                out << where << name << '\n';

                // What a choice box shows, as a line of its own: "Audio buffer size: = 512 samples".
                if (auto* box = dynamic_cast<juce::ComboBox*> (child))
                    out << where << name << " = " << box->getText() << '\n';

                // And what a named text shows: "Notice Line = The audio device is back".
                if (auto* label = dynamic_cast<juce::Label*> (child))
                    out << where << name << " = " << label->getText().replaceCharacters ("\r\n", "  ") << '\n';
                else if (auto* fading = dynamic_cast<FadeLabelComponent*> (child))
                    out << where << name << " = " << fading->getText().replaceCharacters ("\r\n", "  ") << '\n';
            }

            describe (*child, window, labelled, out);
        }
    }

    void findLabels (juce::Component& component, std::map<juce::Component*, juce::String>& labelled)
    {
        for (auto* child : component.getChildren())
        {
            if (auto* label = dynamic_cast<juce::Label*> (child))
                if (auto* owner = label->getAttachedComponent())
                    labelled[owner] = label->getText();

            findLabels (*child, labelled);
        }
    }
} // namespace

namespace
{
    template <typename Measure>
    void findSmallest (juce::Component& component, const juce::String& owner, Measure measure, LayoutMap::Smallest& found)
    {
        for (auto* child : component.getChildren())
        {
            if (! child->isVisible() || child->getWidth() <= 0 || child->getHeight() <= 0)
                continue;

            const auto name = child->getName().isNotEmpty() ? child->getName() : owner;
            if (const auto size = measure (*child); size > 0.0f && (found.name.isEmpty() || size < found.size))
                found = { size, name };

            findSmallest (*child, name, measure, found);
        }
    }
} // namespace

LayoutMap::Smallest LayoutMap::smallestControl (juce::Component& root)
{
    Smallest found;
    findSmallest (
        root, root.getName(),
        [] (juce::Component& c) {
            const bool control = dynamic_cast<juce::Button*> (&c) != nullptr || dynamic_cast<juce::Slider*> (&c) != nullptr
                                 || c.getProperties().contains ("control");
            return control ? float (std::min (c.getWidth(), c.getHeight())) : 0.0f;
        },
        found);
    return found;
}

LayoutMap::Smallest LayoutMap::smallestText (juce::Component& root)
{
    Smallest found;
    findSmallest (
        root, root.getName(),
        [] (juce::Component& c) {
            if (auto* label = dynamic_cast<juce::Label*> (&c); label != nullptr && label->getText().isNotEmpty())
                return label->getFont().getHeight();
            return float (c.getProperties().getWithDefault ("textHeight", 0.0f));
        },
        found);
    return found;
}

LayoutMap::LayoutMap()
{
    const auto path = juce::SystemStats::getEnvironmentVariable (layoutMapVariable, {});

    if (path.isEmpty() || ! juce::File::isAbsolutePath (path))
        return;

    file = juce::File (path);
    startTimer (200);
}

LayoutMap::~LayoutMap()
{
    stopTimer();
}

juce::String LayoutMap::describeDesktop()
{
    juce::String out;
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
    {
        auto* window = desktop.getComponent (i);

        if (window == nullptr || ! window->isVisible())
            continue;

        // The main window by the program's name, whatever session its title shows.
        const auto title =
            dynamic_cast<MainAppWindow*> (window) != nullptr ? ProductInfo::getNameWithVersion() : window->getName();
        const auto r = window->getScreenBounds();
        out << r.getX() << ' ' << r.getY() << ' ' << r.getWidth() << ' ' << r.getHeight() << ' ' << title << ": \n";

        std::map<juce::Component*, juce::String> labelled;
        findLabels (*window, labelled);
        describe (*window, title, labelled, out);
    }

    return out;
}

void LayoutMap::timerCallback()
{
    const auto map = describeDesktop();

    if (map == written)
        return;

    // Written beside and renamed, so a reader never sees half a map.
    const auto temporary = file.getSiblingFile (file.getFileName() + ".new");

    if (temporary.replaceWithText (map, false, false, "\n") && temporary.moveFileTo (file))
        written = map;
}

} // namespace Work
