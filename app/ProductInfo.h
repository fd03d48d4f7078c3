// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

namespace Work::ProductInfo
{

constexpr int majorVersion = 2;
constexpr int minorVersion = 1;

/** "Varnolo 2.1": the product name followed by its version, used as window title,
    application name and version. */
inline juce::String getNameWithVersion()
{
    return juce::String ("Varnolo") + " " + juce::String (majorVersion) + "." + juce::String (minorVersion);
}

} // namespace Work::ProductInfo
