// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

namespace Work
{

/** A level meter fed by the engine: the samples of one channel and the gain they will get. */
class MeterFeed
{
public:
    virtual ~MeterFeed() = default;

    /** [audio] Never allocates, locks or waits. */
    virtual void feed (int sampleRate, int numSamples, const float* samples, float gain) noexcept = 0;
};

} // namespace Work
