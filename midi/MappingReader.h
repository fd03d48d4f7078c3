// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace Work
{

/** Reads a MIDI mapping document from text (a mapping file a performer imports, or the settings
    file's copy): null unless it is the root element rootTag holding only empty elements with
    attributes, which is what the program writes. A strict reader of that one shape, linear in
    the text, so no file can hang or exhaust it. */
[[nodiscard]] std::unique_ptr<juce::XmlElement> parseMappingDocument (const juce::String& text, const juce::String& rootTag);

} // namespace Work
