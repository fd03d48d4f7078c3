// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace Work
{

/** Reads the plain XML that session documents are written in: an optional declaration, then
    elements with attributes and child elements, nothing else (no text, comments, CDATA or
    declarations of types), attribute values with the five named entities. One pass, linear in
    the text, with a bound on the depth, so that whatever a damaged file holds it is answered at
    once. The framework's own reader is not used on files from outside: on some broken input it
    reads past the end of the text or never returns. */
namespace PlainXmlReader
{
    static constexpr int maxDepth = 16;

    /** The document's root element, or null with the reason in error. */
    [[nodiscard]] std::unique_ptr<juce::XmlElement> parse (const juce::String& text, juce::String& error);
} // namespace PlainXmlReader

} // namespace Work
