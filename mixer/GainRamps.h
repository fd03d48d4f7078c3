#pragma once

/** The inner loops of the channel processors: add or multiply with a constant gain, or with
    a gain ramping linearly across the block. A ramp gives sample k the gain start + k * step,
    so the target is reached at the first sample of the next block. [audio] */
namespace Work::GainRamps
{

inline void addConstant (const float* input, float* output, int n, float gain) noexcept
{
    for (int k = 0; k < n; ++k)
        output[k] += gain * input[k];
}

inline void addRamp (const float* input, float* output, int n, float start, float step) noexcept
{
    for (int k = 0; k < n; ++k)
        output[k] += (start + static_cast<float> (k) * step) * input[k];
}

inline void multiplyConstant (float* buffer, int n, float gain) noexcept
{
    for (int k = 0; k < n; ++k)
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
