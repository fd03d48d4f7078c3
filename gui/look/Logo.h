// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_graphics/juce_graphics.h>

namespace Work
{

/** The program's logo, drawn in code: a ring of eight arcs in the loop channels' colours with
    a play mark and a recording dot inside, the product's name below. The full picture is
    293 x 423 with a transparent background; its top 0.88 holds everything but a margin, so the
    logo component shows that part. The desktop icon is the ring alone. [message] */
namespace Logo
{

    constexpr int width = 293, height = 423;

    /** The logo at its own size, drawn once and then kept. */
    const juce::Image& image();

    /** The logo on the program's background, for windows that cannot show transparency. */
    juce::Image onBackground();

    /** The ring alone, square, of the given side: the desktop icon. */
    juce::Image icon (int size);

} // namespace Logo

} // namespace Work
