// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Setting.h"

#include <atomic>

namespace Work
{

/** An on/off option. Choice 0 is the off text, choice 1 the on text; any stored text other
    than the on text counts as off. */
class BoolSetting final : public Setting
{
public:
    enum class Default
    {
        off,
        on
    };

    BoolSetting (juce::String key, juce::String label, juce::String offText, juce::String onText, Default defaultState);

    void load (juce::PropertiesFile& file) override;
    void update() override;

    /** [any] The current state. */
    [[nodiscard]] bool isOn() const noexcept { return on.load (std::memory_order_relaxed); }

private:
    Default defaultState;
    std::atomic<bool> on { false };
};

} // namespace Work
