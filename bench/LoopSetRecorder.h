// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/Part.h"

#include <random>
#include <vector>

namespace Work::Bench
{

constexpr int numLoopChannels = 8;
constexpr std::uint32_t mainLength = 48000;

/** Records loopsPerChannel loops of noise onto every loop channel of part, in 64-sample blocks
    as a performance would: a main loop on channel 0, then layer after layer of whole-cycle
    loops recorded on all channels at once. [message, before audio] */
inline void recordLoopSet (Part& part, int loopsPerChannel)
{
    constexpr std::uint32_t recordBlock = 64;
    std::mt19937 random (1);
    std::uniform_real_distribution<float> noise (-0.1f, 0.1f);
    std::vector<float> input (recordBlock);
    std::vector<std::vector<float>> scratch (numLoopChannels, std::vector<float> (recordBlock));
    std::vector<float*> outputs;
    for (auto& c : scratch)
        outputs.push_back (c.data());

    auto run = [&] (std::uint32_t samples) {
        for (std::uint32_t t = 0; t < samples; t += recordBlock)
        {
            for (auto& x : input)
                x = noise (random);
            const float* in[] = { input.data(), input.data() };
            part.process (in, outputs.data(), recordBlock, Direction::forwards);
        }
    };

    (void)part.startMainLoop (0, 0, 1, 0);
    run (mainLength - 50 - 2);
    part.stopMainLoop (0);
    run (recordBlock * 4);

    for (int layer = 0; layer < loopsPerChannel; ++layer)
    {
        for (int c = 0; c < numLoopChannels; ++c)
            if (layer > 0 || c > 0) // the main loop is channel 0's first loop
                (void)part.addLoop (0, c, 1, 0, LoopKind::wholeCycle, Direction::forwards);
        run (mainLength);
        for (int c = 0; c < numLoopChannels; ++c)
            part.stopLoop (0, c, 0);
        run (recordBlock * 4);
    }
}

/** The floor: streams summed from plain arrays into their channels, one block. */
[[gnu::noinline]] inline void addStreams (std::vector<std::vector<float>>& outputs,
                                          const std::vector<std::vector<float>>& streams, int perChannel,
                                          std::uint32_t position, std::uint32_t n)
{
    for (int c = 0; c < numLoopChannels; ++c)
    {
        float* out = outputs[std::size_t (c)].data();
        for (int l = 0; l < perChannel; ++l)
        {
            const float* src = streams[std::size_t (c * perChannel + l)].data() + position;
            for (std::uint32_t j = 0; j < n; ++j)
                out[j] += src[j];
        }
    }
}

/** The honest floor: the arithmetic a block of the whole callback cannot avoid, as plain loops
    over contiguous arrays. Every stream summed into its channel, the two overdubs' read, add and
    write back into their streams, and each channel's gain and pan onto the stereo bus. */
[[gnu::noinline]] inline void honestBlock (std::vector<std::vector<float>>& channels,
                                           std::vector<std::vector<float>>& streams, int perChannel, const float* input,
                                           std::uint32_t position, std::uint32_t n, float* left, float* right)
{
    for (auto& c : channels)
        std::fill (c.begin(), c.begin() + n, 0.0f);

    addStreams (channels, streams, perChannel, position, n);

    for (const auto overdub : { std::size_t (2), std::size_t (5 * perChannel + 1) })
    {
        float* stream = streams[overdub].data() + position;
        for (std::uint32_t j = 0; j < n; ++j)
            stream[j] += input[j];
    }

    for (int c = 0; c < numLoopChannels; ++c)
    {
        const float* in = channels[std::size_t (c)].data();
        const float gainLeft = 0.7f + 0.01f * float (c), gainRight = 0.7f - 0.01f * float (c);
        for (std::uint32_t j = 0; j < n; ++j)
        {
            left[j] += in[j] * gainLeft;
            right[j] += in[j] * gainRight;
        }
    }
}

} // namespace Work::Bench
