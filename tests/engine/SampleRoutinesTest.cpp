// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/SampleRoutines.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace SR = Work::SampleRoutines;

TEST (SampleRoutines, FadesReachTheirEndpointsForAnyLength)
{
    for (int n : { 1, 2, 3, 4, 5, 7, 64, 67, 1001 })
    {
        SCOPED_TRACE (n);
        std::vector<float> in (std::size_t (n), 1.0f), out (std::size_t (n), 1.0f);
        SR::fadeIn (in.data(), n);
        SR::fadeOut (out.data(), n);

        EXPECT_EQ (in.front(), 0.0f);
        EXPECT_FLOAT_EQ (in.back(), float (n - 1) / float (n));
        EXPECT_EQ (out.front(), 1.0f);
        EXPECT_FLOAT_EQ (out.back(), 1.0f / float (n));

        for (int i = 0; i < n; ++i)
        {
            ASSERT_EQ (in[std::size_t (i)], float (i) / float (n)) << i;
            ASSERT_EQ (out[std::size_t (i)], float (n - i) / float (n)) << i;
        }
    }
}

TEST (SampleRoutines, FadeInAndOutOfTheSameBlockSumToTheSignal)
{
    // A crossfade made of the two must not dip or bump.
    constexpr int n = 37;
    std::array<float, n> a {}, b {};
    a.fill (0.5f);
    b.fill (0.5f);
    SR::fadeIn (a.data(), n);
    SR::fadeOut (b.data(), n);

    for (int i = 0; i < n; ++i)
        EXPECT_NEAR (a[std::size_t (i)] + b[std::size_t (i)], 0.5f, 1e-6f);
}

TEST (SampleRoutines, ChannelFadesTouchEveryChannelAndNothingBeyond)
{
    std::vector<float> left (7, 1.0f), right (7, 1.0f), guard (2, 9.0f);
    float* channels[] = { left.data(), right.data() };
    SR::fadeOutChannels (channels, 2, 6);

    EXPECT_FLOAT_EQ (left[5], 1.0f / 6.0f);
    EXPECT_FLOAT_EQ (right[5], 1.0f / 6.0f);
    EXPECT_EQ (left[6], 1.0f);
    EXPECT_EQ (right[6], 1.0f);

    SR::fadeInChannels (channels, 2, 6);
    EXPECT_EQ (left[0], 0.0f);
    EXPECT_EQ (right[0], 0.0f);
}

TEST (SampleRoutines, ZeroAndCopyCoverOddLengthsAndOffsetsExactly)
{
    for (std::size_t offset : { 0u, 1u, 2u, 3u, 4u })
        for (std::size_t bytes : { 0u, 1u, 3u, 5u, 6u, 13u, 31u })
        {
            std::array<unsigned char, 64> destination {}, source {};
            for (std::size_t i = 0; i < source.size(); ++i)
                source[i] = static_cast<unsigned char> (i + 1);
            destination.fill (0xee);

            SR::copy (destination.data() + offset, source.data() + offset, bytes);
            for (std::size_t i = 0; i < destination.size(); ++i)
                ASSERT_EQ (destination[i], i >= offset && i < offset + bytes ? source[i] : 0xee) << offset << " " << bytes;

            SR::zero (destination.data() + offset, bytes);
            for (std::size_t i = 0; i < destination.size(); ++i)
                ASSERT_EQ (destination[i], i >= offset && i < offset + bytes ? 0 : 0xee) << offset << " " << bytes;
        }
}

TEST (SampleRoutines, LevelsAndText)
{
    EXPECT_EQ (SR::toDecibels (0.0f), -100000.0f);
    EXPECT_EQ (SR::toDecibels (0.0000009f), -100000.0f);
    EXPECT_NEAR (SR::toDecibels (1.0f), 0.0f, 1e-6f);
    EXPECT_NEAR (SR::toDecibels (0.5f), -6.0206f, 1e-3f);

    const float square[] = { 1.0f, -1.0f, 1.0f, -1.0f, 1.0f };
    EXPECT_FLOAT_EQ (SR::rms (square, 5), 1.0f);
    const float mixed[] = { 3.0f, 4.0f };
    EXPECT_FLOAT_EQ (SR::rms (mixed, 2), std::sqrt (12.5f));
    EXPECT_EQ (SR::rms (mixed, 0), 0.0f);

    char text[8];
    std::memset (text, 'x', sizeof (text));
    SR::copyText (text, sizeof (text), "abc");
    EXPECT_STREQ (text, "abc");
    EXPECT_EQ (text[7], 0);

    SR::copyText (text, sizeof (text), "far too long for it");
    EXPECT_STREQ (text, "far too");
}
