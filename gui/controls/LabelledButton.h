// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandButtons.h"

namespace Work
{

/** A momentary button with a label of one or two lines drawn in code, that posts one looper
    command: most of the transport's buttons and the confirmation's. The label may change while
    the button shows (the tapped tempo, the amount a cycle grows by). [message] */
class LabelledButton : public SimpleImageButton
{
public:
    struct Label
    {
        juce::String first, second; // second empty: one line
    };

    LabelledButton (const juce::String& commandName, LooperCommand action, Label label, bool emphasised = false);

    void createImages() override;
    void resized() override;

    /** A new label, drawn at once. */
    void setLabel (Label newLabel);
    [[nodiscard]] const Label& getLabel() const noexcept { return label; }

private:
    Label label;
    bool emphasised;
};

} // namespace Work
