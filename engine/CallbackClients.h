#pragma once

#include "Processor.h"

namespace Work
{

/** Runs at the start of every block, before the engine: MIDI commands hand their queued
    presses to the looper here. [audio] */
class PreAudioCallbackClient
{
public:
    virtual ~PreAudioCallbackClient() = default;
    virtual void preAudioCallback() noexcept = 0;
};

/** The engine's side of the device callback, with fixed channel counts. [audio] */
class AudioCallbackClient
{
public:
    virtual ~AudioCallbackClient() = default;
    virtual void audioCallback (const float* const* inputs, float* const* outputs, int numSamples,
                                const BlockInfo& info) noexcept = 0;
};

/** A level meter fed by the engine: the samples of one channel and the gain they will get. [audio] */
class MeterFeed
{
public:
    virtual ~MeterFeed() = default;
    virtual void feed (int sampleRate, int numSamples, const float* samples, float gain) noexcept = 0;
};

} // namespace Work
