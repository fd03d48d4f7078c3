// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "SimpleImageButton.h"

namespace Work
{

/** A momentary button whose pictures change with a state of its own (the start/stop button's
    running flag): two pictures, the highlighted one doubling as the flash. A subclass redraws
    both whenever its state changes. */
class MultipleImageButton : public SimpleImageButton
{
public:
    using SimpleImageButton::SimpleImageButton;

protected:
    void setPictures (juce::Image normal, juce::Image highlighted)
    {
        auto flash = highlighted;
        SimpleImageButton::setPictures (std::move (normal), std::move (highlighted), std::move (flash));
    }
};

} // namespace Work
