// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "NumberSetting.h"

namespace Work
{

NumberSetting::NumberSetting (juce::String keyToUse, juce::String labelToUse, int lowestToUse, int highestToUse,
                              int defaultToUse)
    : Setting (std::move (keyToUse), std::move (labelToUse))
    , lowest (lowestToUse)
    , highest (highestToUse)
    , defaultNumber (defaultToUse)
    , number (defaultToUse)
{
    value = juce::String (defaultNumber);
}

int NumberSetting::numberOr (const juce::String& text, int fallback) const noexcept
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty() || trimmed.length() > 9 || ! trimmed.containsOnly ("0123456789"))
        return fallback;

    const auto read = trimmed.getIntValue();
    return read >= lowest && read <= highest ? read : fallback;
}

void NumberSetting::load (juce::PropertiesFile& file)
{
    number = numberOr (file.getValue (key, {}), defaultNumber);
    value = juce::String (number.load());
}

void NumberSetting::update()
{
    number = numberOr (value.toString(), number.load());
    if (value.toString() != juce::String (number.load()))
        value = juce::String (number.load());
}

} // namespace Work
