// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "RenderSessions.h"

#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "session/SessionFolder.h"

namespace Work::RenderSessions
{

juce::String open (MainAudio& engine, const juce::File& folder, int sampleRate)
{
    auto* memory = MemorySystem::getDataMemory();
    juce::String error;
    auto loaded = SessionFolder::open (folder, sampleRate, memory != nullptr ? memory->getCapacity() : 0, error);
    if (! loaded.has_value())
        return error;
    return SessionFolder::restore (*loaded, *engine.getLooper(), engine.getLoopMixerSet(), engine.getBusMixerSet(),
                                   SessionFolder::Transport::asSaved);
}

juce::String save (MainAudio& engine, const juce::File& folder, int sampleRate)
{
    LoopSetImage image;
    image.reserve();
    if (! engine.getLooper()->captureImage (image))
        return "a loop is still being recorded: nothing was saved";

    const auto mix = MixImage::capture (engine.getLoopMixerSet(), engine.getBusMixerSet());
    return SessionFolder::save (folder, SessionDocument::of (image, mix, sampleRate));
}

} // namespace Work::RenderSessions
