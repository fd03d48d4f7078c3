// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace Work
{

/** One user option: a key in the settings file, a label for the options dialog, the
    texts it may take and a juce::Value holding the chosen text, which the options
    dialog edits. The chosen text is what the file stores, so the texts written are
    always texts offered as choices.

    Threads: written on the message thread only. BoolSetting::isOn and
    ChoiceSetting::getIndex are single atomic words that any thread may read.
*/
class Setting
{
public:
    virtual ~Setting() = default;

    const juce::String& getKey() const noexcept { return key; }
    const juce::String& getLabel() const noexcept { return label; }
    const juce::StringArray& getChoices() const noexcept { return choices; }

    /** Whether the file may hold text for this option: one of its choices, for most. */
    [[nodiscard]] virtual bool isValidText (const juce::String& text) const { return choices.contains (text); }

    /** The Value the options dialog binds its property component to. */
    juce::Value& getValue() noexcept { return value; }

    /** [message] Reads the record from file; unknown texts give the default. */
    virtual void load (juce::PropertiesFile& file) = 0;

    /** [message] Recomputes the derived flag or index after value has changed. */
    virtual void update() = 0;

    /** [message] Writes the current text under the key (no save). */
    void store (juce::PropertiesFile& file) const { file.setValue (key, value.getValue()); }

protected:
    Setting (juce::String keyToUse, juce::String labelToUse)
        : key (std::move (keyToUse))
        , label (std::move (labelToUse))
    {
    }

    juce::String key, label;
    juce::StringArray choices;
    juce::Value value;

    JUCE_DECLARE_NON_COPYABLE (Setting)
};

} // namespace Work
