// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OnOffLightComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

OnOffLightComponent::OnOffLightComponent()
{
    setInterceptsMouseClicks (false, false);
}

void OnOffLightComponent::setBoundsAndCreateImages (int x, int y, int width, int height)
{
    setBounds (x, y, width, height);

    const auto w = float (width), h = float (height);
    const auto corner = std::min (w, h) / 3.0f;

    auto picture = [&] (bool lit) {
        auto image = Drawing::backgroundImage (width, height);
        juce::Graphics g (image);
        g.setGradientFill (Drawing::runningGradient (w, h, lit));
        g.fillRoundedRectangle (0.0f, 0.0f, w, h, corner);
        return image;
    };

    onImage = picture (true);
    offImage = picture (false);
    repaint();
}

void OnOffLightComponent::setOn (bool shouldBeOn)
{
    if (on == shouldBeOn)
        return;

    on = shouldBeOn;
    repaint();
}

void OnOffLightComponent::paint (juce::Graphics& g)
{
    const auto& image = on ? onImage : offImage;
    if (image.isValid())
        g.drawImageAt (image, 0, 0);
}

} // namespace Work
