// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OfflineRenderer.h"

#include "audio/MainAudio.h"

namespace Work
{

RenderResult renderPerformance (const juce::AudioBuffer<float>& input, const std::vector<ScriptCommand>& script,
                                const RenderSettings& settings)
{
    RenderResult result;
    const auto blockSize = juce::jlimit (1, maxBlockSize, settings.blockSize);
    const auto totalSamples = juce::jmax (0, settings.totalSamples);
    const auto rate = settings.sampleRate;
    result.output.setSize (2, totalSamples);
    result.output.clear();

    MainAudio engine (nullptr);
    const auto cursorCount = juce::jlimit (1, 2, settings.cursors);
    if (! engine.setupEngine (2, false, 8, 1))
        return result;

    auto* looper = engine.getLooper();
    looper->setDevice (int (rate), settings.inputLatency, settings.outputLatency);
    looper->setLatencyOffsetMs (settings.latencyOffsetMs);
    CursorWord cursors (8, cursorCount);
    looper->setCursorWord (&cursors);
    LooperView view;

    if (settings.keepStems)
        result.stems.assign (std::size_t (engine.getBufferPatch().getNumChannels()),
                             std::vector<float> (std::size_t (totalSamples)));

    const auto size = std::size_t (blockSize);
    std::vector<float> left (size), right (size), inLeft (size), inRight (size);
    auto next = script.begin();

    if (settings.atStart)
        if (result.error = settings.atStart (engine); result.error.isNotEmpty())
        {
            engine.teardownEngine();
            return result;
        }

    const auto millisecondsAt = [rate] (std::int64_t sample) { return std::int64_t (double (sample) * 1000.0 / rate); };

    for (int start = 0; start < totalSamples; start += blockSize)
    {
        const auto n = juce::jmin (blockSize, totalSamples - start);

        for (; next != script.end() && next->sample < start + n; ++next)
        {
            auto command = next->command;
            command.time = millisecondsAt (next->sample);
            command.frame = std::uint32_t (next->sample);
            command.atFrame = true;
            looper->post (command);
        }

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
        const BlockInfo info { nullptr, millisecondsAt (start), float (rate), std::uint32_t (start), settings.inputLatency };
        engine.audioCallback (inputs, outputs, n, info);
        looper->runRequestedWork (nullptr); // a reset asked for twice runs between blocks, as on the message thread

        if (settings.onStatus)
        {
            looper->pollQueues (view);
            settings.onStatus (start, view.state);
            view.clearNews();
        }

        result.output.copyFrom (0, start, left.data(), n);
        result.output.copyFrom (1, start, right.data(), n);

        for (std::size_t c = 0; c < result.stems.size(); ++c)
            std::copy (engine.getBufferPatch().getPointers()[c], engine.getBufferPatch().getPointers()[c] + n,
                       result.stems[c].begin() + start);
    }

    if (settings.atEnd)
        result.error = settings.atEnd (engine);

    engine.teardownEngine();
    return result;
}

} // namespace Work
