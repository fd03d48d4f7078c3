// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "BoolSetting.h"

namespace Work
{

BoolSetting::BoolSetting (juce::String keyToUse, juce::String labelToUse, juce::String offText, juce::String onText,
                          Default defaultStateToUse)
    : Setting (std::move (keyToUse), std::move (labelToUse))
    , defaultState (defaultStateToUse)
{
    choices.add (std::move (offText));
    choices.add (std::move (onText));
    on = defaultState == Default::on;
    value = choices[on ? 1 : 0];
}

void BoolSetting::load (juce::PropertiesFile& file)
{
    const auto stored = file.getValue (key, choices[defaultState == Default::on ? 1 : 0]);
    on = stored == choices[1];
    value = choices[on ? 1 : 0];
}

void BoolSetting::update()
{
    on = value.toString() == choices[1];
}

} // namespace Work
