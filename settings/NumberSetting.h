// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Setting.h"

#include <atomic>

namespace Work
{

/** A whole number within limits, typed in (a network port): it offers no choices. A text that
    is not such a number, in the file or typed, gives the number in force before (the default at
    loading), so the value always names a number within the limits. */
class NumberSetting final : public Setting
{
public:
    NumberSetting (juce::String key, juce::String label, int lowest, int highest, int defaultNumber);

    [[nodiscard]] bool isValidText (const juce::String& text) const override
    {
        return text == juce::String (numberOr (text, lowest - 1));
    }

    void load (juce::PropertiesFile& file) override;
    void update() override;

    /** [any] The current number. */
    [[nodiscard]] int getNumber() const noexcept { return number.load (std::memory_order_relaxed); }

    /** The number text reads as, or fallback when it reads as none within the limits. */
    [[nodiscard]] int numberOr (const juce::String& text, int fallback) const noexcept;

private:
    int lowest, highest, defaultNumber;
    std::atomic<int> number;
};

} // namespace Work
