// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OfflineRenderer.h"

#include "audio/MainAudio.h"

namespace Work
{

namespace
{
    constexpr int ticksPerSecond = 1000; // one tick per sample: a time stamp is a sample number
} // namespace

RenderResult renderPerformance (const juce::AudioBuffer<float>& input, const std::vector<ScriptCommand>& script,
                                int blockSize, int totalSamples, bool keepStems)
{
    RenderResult result;
    blockSize = juce::jlimit (1, maxBlockSize, blockSize);
    totalSamples = juce::jmax (0, totalSamples);
    result.output.setSize (2, totalSamples);
    result.output.clear();

    MainAudio engine (nullptr);
    if (! engine.setupEngine (2, false, 8, 1))
        return result;

    auto* looper = engine.getLooper();
    looper->setDevice (ticksPerSecond, 0, 0);
    CursorWord cursors (8, 1);
    looper->setCursorWord (&cursors);

    if (keepStems)
        result.stems.assign (std::size_t (engine.getBufferPatch().getNumChannels()),
                             std::vector<float> (std::size_t (totalSamples)));

    const auto size = std::size_t (blockSize);
    std::vector<float> left (size), right (size), inLeft (size), inRight (size);
    auto next = script.begin();

    for (int start = 0; start < totalSamples; start += blockSize)
    {
        const auto n = juce::jmin (blockSize, totalSamples - start);

        for (; next != script.end() && next->sample < start + n; ++next)
            looper->post (next->command);

        auto fill = [&] (std::vector<float>& into, int channel) {
            std::fill (into.begin(), into.end(), 0.0f);
            if (channel < input.getNumChannels())
                for (int i = 0; i < n && start + i < input.getNumSamples(); ++i)
                    into[std::size_t (i)] = input.getSample (channel, start + i);
        };
        fill (inLeft, 0);
        fill (inRight, 1);
        std::fill (left.begin(), left.end(), 0.0f);
        std::fill (right.begin(), right.end(), 0.0f);

        const float* inputs[] = { inLeft.data(), inRight.data() };
        float* outputs[] = { left.data(), right.data() };
        const BlockInfo info { nullptr, start, float (ticksPerSecond) };
        engine.audioCallback (inputs, outputs, n, info);
        looper->runRequestedWork (nullptr); // a reset asked for twice runs between blocks, as on the message thread

        result.output.copyFrom (0, start, left.data(), n);
        result.output.copyFrom (1, start, right.data(), n);

        for (std::size_t c = 0; c < result.stems.size(); ++c)
            std::copy (engine.getBufferPatch().getPointers()[c], engine.getBufferPatch().getPointers()[c] + n,
                       result.stems[c].begin() + start);
    }

    engine.teardownEngine();
    return result;
}

} // namespace Work
