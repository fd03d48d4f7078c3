// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

/** The inner loops of the channel processors: add or multiply with a constant gain, or with
    a gain ramping linearly across the block. A ramp gives sample k the gain start + k * step,
    so the target is reached at the first sample of the next block.

    The adding loops work on a left and a right output at once, reading each input sample a
    single time. Inputs may be the same buffer (a mono source feeds both sides); outputs never
    overlap inputs or each other, which __restrict tells the compiler so that it vectorises
    without run-time overlap checks. The constant-gain loops, which run on every channel in
    every block, take eight samples at a time and then the rest one by one: a fixed-width body
    leaves no remainder handling to set up for each call. [audio] */
namespace Work::GainRamps
{

template <int n>
inline void addConstantPairFixed (const float* __restrict inLeft, const float* __restrict inRight, float* __restrict outLeft,
                                  float* __restrict outRight, float gainLeft, float gainRight) noexcept
{
    for (int k = 0; k < n; ++k)
    {
        outLeft[k] += gainLeft * inLeft[k];
        outRight[k] += gainRight * inRight[k];
    }
}

inline void addConstantPair (const float* __restrict inLeft, const float* __restrict inRight, float* __restrict outLeft,
                             float* __restrict outRight, int n, float gainLeft, float gainRight) noexcept
{
    switch (n)
    {
        case 32: addConstantPairFixed<32> (inLeft, inRight, outLeft, outRight, gainLeft, gainRight); return;
        case 64: addConstantPairFixed<64> (inLeft, inRight, outLeft, outRight, gainLeft, gainRight); return;
        default: break;
    }

    int k = 0;
    for (; k + 8 <= n; k += 8)
        for (int i = k; i < k + 8; ++i)
        {
            outLeft[i] += gainLeft * inLeft[i];
            outRight[i] += gainRight * inRight[i];
        }
    for (; k < n; ++k)
    {
        outLeft[k] += gainLeft * inLeft[k];
        outRight[k] += gainRight * inRight[k];
    }
}

inline void addRampPair (const float* __restrict inLeft, const float* __restrict inRight, float* __restrict outLeft,
                         float* __restrict outRight, int n, float startLeft, float stepLeft, float startRight,
                         float stepRight) noexcept
{
    for (int k = 0; k < n; ++k)
    {
        const auto position = static_cast<float> (k);
        outLeft[k] += (startLeft + position * stepLeft) * inLeft[k];
        outRight[k] += (startRight + position * stepRight) * inRight[k];
    }
}

inline void addConstant (const float* __restrict input, float* __restrict output, int n, float gain) noexcept
{
    int k = 0;
    for (; k + 8 <= n; k += 8)
        for (int i = k; i < k + 8; ++i)
            output[i] += gain * input[i];
    for (; k < n; ++k)
        output[k] += gain * input[k];
}

inline void addRamp (const float* __restrict input, float* __restrict output, int n, float start, float step) noexcept
{
    for (int k = 0; k < n; ++k)
        output[k] += (start + static_cast<float> (k) * step) * input[k];
}

inline void multiplyConstant (float* buffer, int n, float gain) noexcept
{
    int k = 0;
    for (; k + 8 <= n; k += 8)
        for (int i = k; i < k + 8; ++i)
            buffer[i] *= gain;
    for (; k < n; ++k)
        buffer[k] *= gain;
}

inline void multiplyRamp (float* buffer, int n, float start, float step) noexcept
{
    for (int k = 0; k < n; ++k)
        buffer[k] *= start + static_cast<float> (k) * step;
}

inline void clear (float* buffer, int n) noexcept
{
    for (int k = 0; k < n; ++k)
        buffer[k] = 0.0f;
}

/** Per-sample step of a ramp from start to target over n samples. */
inline float stepFor (float start, float target, int n) noexcept
{
    return n > 0 ? (target - start) / static_cast<float> (n) : 0.0f;
}

} // namespace Work::GainRamps
