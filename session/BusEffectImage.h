// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Work
{

class Lv2Effect;

/** The output bus's effect as a performance keeps it: the plug-in's URI, its bypass and the
    value of each control by symbol. The same element holds it in the settings file and in a
    session document. */
struct BusEffectImage
{
    std::string uri;
    bool bypassed = false;
    std::vector<std::pair<std::string, float>> values; // control symbol, value

    static constexpr const char* tagName = "BUS_EFFECT";

    /** [message] Reads a running effect. */
    static BusEffectImage capture (const Lv2Effect& effect);

    /** [message] Sets a fresh effect's bypass and the controls it has; symbols it lacks are
        left out (a newer version of the plug-in may have dropped one). */
    void applyTo (Lv2Effect& effect) const;

    [[nodiscard]] std::unique_ptr<juce::XmlElement> toXml() const;

    /** The image an element holds, or nothing with the reason in error. Trusts nothing: the URI
        is printable text of sensible length, symbols are LV2 symbols, values finite numbers. */
    static std::optional<BusEffectImage> fromXml (const juce::XmlElement& e, juce::String& error);

    bool operator== (const BusEffectImage&) const = default;
};

} // namespace Work
