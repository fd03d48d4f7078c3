// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LabelledButton.h"

#include "gui/look/Drawing.h"

namespace Work
{

LabelledButton::LabelledButton (const juce::String& commandName, LooperCommand action, Label labelToShow, bool isEmphasised)
    : SimpleImageButton (commandName, action)
    , label (std::move (labelToShow))
    , emphasised (isEmphasised)
{
}

void LabelledButton::setLabel (Label newLabel)
{
    if (newLabel.first == label.first && newLabel.second == label.second)
        return;

    label = std::move (newLabel);
    if (getWidth() > 0)
    {
        createImages();
        repaint();
    }
}

void LabelledButton::createImages()
{
    using Drawing::Look;
    const auto size = getWidth();

    auto picture = [&] (Look look) {
        return label.second.isEmpty() ? Drawing::oneLinePicture (size, label.first, look, emphasised)
                                      : Drawing::twoLinePicture (size, label.first, label.second, look, emphasised);
    };

    setPictures (picture (Look::normal), picture (Look::highlighted), picture (Look::pressed));
}

void LabelledButton::resized()
{
    Drawing::noteTextHeight (*this, (label.second.isEmpty() ? 0.7f : 0.4f) * float (getWidth()));
}

} // namespace Work
