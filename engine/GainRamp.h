// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cmath>

namespace Work
{

/** A linear gain fade of 50 samples (0.02 per sample), used on every read and write of a loop.

    The gain moves by step per sample and stops at 0 or 1. Applying a ramp to a stretch of
    samples advances it sample by sample in single precision, so a fade gives the same gains
    however the stretch is split between audio blocks or sample blocks.
*/
struct GainRamp
{
    static constexpr int fadeLength = 50;
    static constexpr float fadeStep = 1.0f / fadeLength;

    float step = 0.0f;
    float gain = 0.0f;

    void reset() noexcept { step = gain = 0.0f; }

    void setGain (float g) noexcept
    {
        step = 0.0f;
        gain = g;
    }

    /** Fades in from where the gain is; from above half way it jumps to unity. */
    void startFadeIn() noexcept
    {
        if (gain < 0.5f)
            step = fadeStep;
        else
            setGain (1.0f);
    }

    /** Fades out from where the gain is; from below half way it jumps to silence. */
    void startFadeOut() noexcept
    {
        if (gain > 0.5f)
            step = -fadeStep;
        else
            setGain (0.0f);
    }

    [[nodiscard]] bool isMoving() const noexcept { return step != 0.0f; }
    [[nodiscard]] bool isFadingOut() const noexcept { return step < 0.0f; }
    [[nodiscard]] bool isSilent() const noexcept { return step == 0.0f && gain < 0.000001f; }

    /** Samples until a moving ramp ends, else -1. Rounded rather than truncated: the gain
        carries float error from its sample-by-sample steps, and a fade must last exactly as
        many samples as its start promised, wherever block boundaries fall. */
    [[nodiscard]] int samplesLeft() const noexcept
    {
        return isMoving() ? static_cast<int> (std::lround (std::abs (gain / step))) : -1;
    }

    /** Stores the state reached after applying the ramp to some samples. */
    void store (float g, float s) noexcept
    {
        gain = g;
        step = s;
    }

    /** One sample's progress. The ramp stops at 0 or 1, and already within half a step of
        either: the steps carry float error, and a fade must end after exactly its number of
        samples rather than one later. */
    static void advance (float& g, float& s) noexcept
    {
        g += s;
        const auto halfStep = 0.5f * std::abs (s);

        if (g > 1.0f - halfStep)
        {
            g = 1.0f;
            s = 0.0f;
        }
        else if (g < halfStep)
        {
            g = 0.0f;
            s = 0.0f;
        }
    }

    /** Advances over n samples of time in which nothing was read or written. */
    void skip (unsigned n) noexcept
    {
        for (unsigned i = 0; i < n && step != 0.0f; ++i)
            advance (gain, step);
    }
};

} // namespace Work
