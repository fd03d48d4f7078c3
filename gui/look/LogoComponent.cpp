// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LogoComponent.h"

#include "Logo.h"

namespace Work
{

LogoComponent::LogoComponent()
{
    setSize (Logo::width, int (0.88f * float (Logo::height)));
}

void LogoComponent::paint (juce::Graphics& g)
{
    const auto& logo = Logo::image();
    g.drawImage (logo, 0, 0, getWidth(), getHeight(), 0, 0, logo.getWidth(), int (0.88f * float (logo.getHeight())));
}

} // namespace Work
