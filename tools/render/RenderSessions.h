// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

namespace Work
{

class MainAudio;

/** Sessions for renders, run between blocks on the rendering thread (nothing else runs the
    engine then): both answer an empty string, or what went wrong. */
namespace RenderSessions
{
    /** Puts the session in folder in place of the engine's performance. */
    juce::String open (MainAudio& engine, const juce::File& folder, int sampleRate);

    /** Saves the engine's performance as it stands to folder. */
    juce::String save (MainAudio& engine, const juce::File& folder, int sampleRate);
} // namespace RenderSessions

} // namespace Work
