// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** Shows the logo: its top 0.88 scaled into the component, which sizes itself to the logo's
    width and that height. [message] */
class LogoComponent final : public juce::Component
{
public:
    LogoComponent();
    void paint (juce::Graphics& g) override;
};

} // namespace Work
