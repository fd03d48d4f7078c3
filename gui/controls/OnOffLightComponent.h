// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A round-cornered lamp, lit green while on (the loop panel's running light). Its two pictures
    are drawn when it is given its bounds; painting copies one of them. [message] */
class OnOffLightComponent final : public juce::Component
{
public:
    OnOffLightComponent();

    /** Sets the bounds and draws both pictures at that size. */
    void setBoundsAndCreateImages (int x, int y, int width, int height);

    /** Lights or darkens the lamp; repaints only on a change. */
    void setOn (bool shouldBeOn);
    [[nodiscard]] bool isOn() const noexcept { return on; }

    void paint (juce::Graphics& g) override;

private:
    juce::Image onImage, offImage;
    bool on = false;
};

} // namespace Work
