// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SampleRoutines.h"

#include <cmath>
#include <cstring>

namespace Work::SampleRoutines
{

void zero (void* destination, std::size_t bytes) noexcept
{
    if (bytes > 0)
        std::memset (destination, 0, bytes);
}

void copy (void* destination, const void* source, std::size_t bytes) noexcept
{
    if (bytes > 0)
        std::memcpy (destination, source, bytes);
}

namespace
{
    // The gain of sample i is formed as float (i) / float (n) for every sample rather than
    // accumulated, so it is exact for each position and a fade does not depend on how a
    // run of samples was split. The loop is unrolled by four; the tail takes the rest.
    template <typename GainOf>
    void applyGain (float* samples, int n, GainOf gainOf) noexcept
    {
        int i = 0;

        for (; i + 4 <= n; i += 4)
        {
            samples[i] *= gainOf (i);
            samples[i + 1] *= gainOf (i + 1);
            samples[i + 2] *= gainOf (i + 2);
            samples[i + 3] *= gainOf (i + 3);
        }

        for (; i < n; ++i)
            samples[i] *= gainOf (i);
    }
} // namespace

void fadeIn (float* samples, int n) noexcept
{
    const auto length = static_cast<float> (n);
    applyGain (samples, n, [length] (int i) { return static_cast<float> (i) / length; });
}

void fadeOut (float* samples, int n) noexcept
{
    const auto length = static_cast<float> (n);
    applyGain (samples, n, [length, n] (int i) { return static_cast<float> (n - i) / length; });
}

void fadeInChannels (float* const* channels, int numChannels, int n) noexcept
{
    for (int c = 0; c < numChannels; ++c)
        fadeIn (channels[c], n);
}

void fadeOutChannels (float* const* channels, int numChannels, int n) noexcept
{
    for (int c = 0; c < numChannels; ++c)
        fadeOut (channels[c], n);
}

float toDecibels (float x) noexcept
{
    if (x < 0.000001f)
        return -100000.0f;

    return 20.0f * std::log (x) / 2.3025851f;
}

float rms (const float* samples, int n) noexcept
{
    if (n <= 0)
        return 0.0f;

    float sum = 0.0f;

    for (int i = 0; i < n; ++i)
        sum += samples[i] * samples[i];

    return std::sqrt (sum / static_cast<float> (n));
}

void copyText (char* destination, std::size_t size, const char* text) noexcept
{
    if (size == 0)
        return;

    std::memset (destination, 0, size);

    if (text != nullptr)
        std::strncpy (destination, text, size - 1);
}

} // namespace Work::SampleRoutines
