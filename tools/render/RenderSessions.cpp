// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "RenderSessions.h"

#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "session/SessionFolder.h"

#include "effects/Lv2Effect.h"

namespace Work::RenderSessions
{

namespace
{
    /** The session's effect on the bus in place of the engine's; a session of the format that did
        not keep effects leaves the bus as it is. */
    juce::String useBusEffect (MainAudio& engine, const SessionDocument& document, int sampleRate)
    {
        if (! document.keepsBusEffect)
            return {};

        engine.busEffects = nullptr;
        if (! document.busEffect.has_value())
            return {};

        std::string error;
        auto effect = Lv2Effect::create (document.busEffect->uri, sampleRate, maxBlockSize, error);
        if (effect == nullptr)
            return "the session's bus effect cannot be made: " + juce::String::fromUTF8 (error.c_str());
        document.busEffect->applyTo (*effect);
        engine.busEffects = BusEffectChain::holding (std::move (effect));
        return {};
    }
} // namespace

juce::String open (MainAudio& engine, const juce::File& folder, int sampleRate)
{
    auto* memory = MemorySystem::getDataMemory();
    juce::String error;
    auto loaded = SessionFolder::open (folder, sampleRate, memory != nullptr ? memory->getCapacity() : 0, error);
    if (! loaded.has_value())
        return error;
    if (auto why = useBusEffect (engine, loaded->document, sampleRate); why.isNotEmpty())
        return why;
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
    auto document = SessionDocument::of (image, mix, sampleRate);
    if (const auto* effect = BusEffectChain::firstOf (engine.busEffects.get()))
        document.busEffect = BusEffectImage::capture (*effect);
    return SessionFolder::save (folder, std::move (document));
}

} // namespace Work::RenderSessions
