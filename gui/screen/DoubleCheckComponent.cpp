// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "DoubleCheckComponent.h"

namespace Work
{

DoubleCheckComponent::DoubleCheckComponent()
    : reset (TransportButtons::resetLoops ("Confirm Reset Loops", true))
    , playList (TransportButtons::showPlayList ("Confirm Play List", true))
{
    addAndMakeVisible (*reset);
    addAndMakeVisible (*playList);
}

void DoubleCheckComponent::resized()
{
    const auto w = std::max (1, getWidth()), h = std::max (1, getHeight());
    reset->setSizeAndCreateImages (w, h);
    reset->setTopLeftPosition (0, 0);
    playList->setSizeAndCreateImages (w, h);
    playList->setTopLeftPosition (2 * w, 0);
}

} // namespace Work
