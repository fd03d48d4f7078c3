// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Setting.h"

#include <atomic>

namespace Work
{

/** One option out of a list of texts. */
class ChoiceSetting final : public Setting
{
public:
    enum class IsDefault
    {
        no,
        yes
    };

    ChoiceSetting (juce::String key, juce::String label);

    /** Adds a choice; a text already present adds nothing. */
    void addChoice (const juce::String& text, IsDefault isDefault = IsDefault::no);

    /** A text an earlier version offered for the choice at index: read as that choice and
        written back as its current text. */
    void addFormerText (const juce::String& text, int choiceIndex);

    void load (juce::PropertiesFile& file) override;

    /** A value that matches no choice selects the default again, so the index always
        names a choice. */
    void update() override;

    /** [any] Index of the chosen text. */
    [[nodiscard]] int getIndex() const noexcept { return index.load (std::memory_order_relaxed); }

    [[nodiscard]] int getDefaultIndex() const noexcept { return defaultIndex; }
    [[nodiscard]] bool isLoaded() const noexcept { return loaded; }

private:
    [[nodiscard]] int indexOrDefault (const juce::String& text) const;

    juce::StringArray formerTexts;
    juce::Array<int> formerIndices;
    std::atomic<int> index { 0 };
    int defaultIndex = -1;
    bool loaded = false;
};

} // namespace Work
