// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstdint>

namespace juce
{
class AudioIODevice;
}

namespace Work
{

/** What every real-time client is told about the block it is processing. */
struct BlockInfo
{
    /** The device that is running (null when processing offline). */
    juce::AudioIODevice* device = nullptr;

    /** Time stamp of the block in milliseconds, on the same clock as command time stamps. */
    std::int64_t timeMs = 0;

    /** Samples per second: the measured rate once the block clock has settled, else the nominal one. */
    float sampleRate = 0.0f;
};

/** A real-time stage: takes input channels, writes output channels. */
class Processor
{
public:
    virtual ~Processor() = default;

    /** [audio] Processes numSamples samples; returns numSamples unless a stage says otherwise. */
    virtual int process (const float* const* inputs, float* const* outputs, int numSamples,
                         const BlockInfo* info) noexcept = 0;
};

} // namespace Work
