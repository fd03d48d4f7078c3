// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ChoiceSetting.h"

namespace Work
{

ChoiceSetting::ChoiceSetting (juce::String keyToUse, juce::String labelToUse)
    : Setting (std::move (keyToUse), std::move (labelToUse))
{
}

void ChoiceSetting::addChoice (const juce::String& text, IsDefault isDefault)
{
    if (choices.contains (text))
        return;

    choices.add (text);

    if (isDefault == IsDefault::yes)
    {
        defaultIndex = choices.size() - 1;
        index = defaultIndex;
        value = text;
    }
}

void ChoiceSetting::addFormerText (const juce::String& text, int choiceIndex)
{
    if (juce::isPositiveAndBelow (choiceIndex, choices.size()) && ! choices.contains (text))
    {
        formerTexts.add (text);
        formerIndices.add (choiceIndex);
    }
}

int ChoiceSetting::indexOrDefault (const juce::String& text) const
{
    if (const auto found = choices.indexOf (text); found >= 0)
        return found;

    if (const auto former = formerTexts.indexOf (text); former >= 0)
        return formerIndices[former];

    return juce::jmax (0, defaultIndex);
}

void ChoiceSetting::load (juce::PropertiesFile& file)
{
    index = indexOrDefault (file.getValue (key, {}));
    value = choices[index];
    loaded = true;
}

void ChoiceSetting::update()
{
    const auto newIndex = indexOrDefault (value.toString());
    index = newIndex;

    if (value.toString() != choices[newIndex])
        value = choices[newIndex];
}

} // namespace Work
