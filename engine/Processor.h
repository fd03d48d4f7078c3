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

    /** The block's first frame on the device's frame clock (a JACK server's), which presses that
        came in with the blocks are stamped on; 0 where the device has none. */
    std::uint32_t frame = 0;

    /** How many samples later than a press that came in at a frame the input delivers the audio
        of the same moment: the audio inputs' capture latency less the MIDI input's. */
    std::int32_t frameLatency = 0;

    /** The block's first frame on the device's own clock, in microseconds (JACK's estimate of
        its cycle's start, the same for every program on that server), and a reader of that
        clock; 0 and null where the device has no clock of its own. */
    std::int64_t deviceMicros = 0;
    std::int64_t (*readDeviceClock)() noexcept = nullptr;

    /** How long a frame lasts, in microseconds: as the device's own clock estimates it (JACK's
        cycle times), or else at the nominal rate; 0 offline. */
    double microsPerFrame = 0.0;
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
