// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "GainTables.h"

#include <cmath>

namespace Work
{

namespace
{
    // The volume law in decibels for steps 1 to 126 (step 0 is silence, step 127 unity).
    constexpr float volumeDecibels[126] = {
        -82.875f, -76.872f, -72.473f, -69.029f, -66.031f, -63.482f, -61.238f, -59.218f, // 1-8
        -57.287f, -55.578f, -54.001f, -52.502f, -51.081f, -49.753f, -48.498f, -47.369f, // 9-16
        -46.216f, -45.157f, -44.107f, -43.156f, -42.199f, -41.326f, -40.441f, -39.605f, // 17-24
        -38.797f, -38.012f, -37.264f, -36.525f, -35.834f, -35.144f, -34.469f, -33.823f, // 25-32
        -33.170f, -32.566f, -31.950f, -31.368f, -30.803f, -30.249f, -29.703f, -29.167f, // 33-40
        -28.631f, -28.118f, -27.616f, -27.115f, -26.634f, -26.166f, -25.707f, -25.243f, // 41-48
        -24.805f, -24.367f, -23.930f, -23.492f, -23.054f, -22.617f, -22.204f, -21.812f, // 49-56
        -21.419f, -21.035f, -20.642f, -20.250f, -19.858f, -19.478f, -19.124f, -18.769f, // 57-64
        -18.415f, -18.060f, -17.706f, -17.351f, -17.004f, -16.655f, -16.317f, -15.986f, // 65-72
        -15.648f, -15.317f, -14.979f, -14.648f, -14.317f, -13.982f, -13.671f, -13.359f, // 73-80
        -13.048f, -12.736f, -12.425f, -12.113f, -11.802f, -11.490f, -11.191f, -10.895f, // 81-88
        -10.598f, -10.308f, -10.011f, -9.715f,  -9.425f,  -9.128f,  -8.831f,  -8.542f,  // 89-96
        -8.257f,  -7.966f,  -7.675f,  -7.390f,  -7.101f,  -6.820f,  -6.534f,  -6.254f,  // 97-104
        -5.973f,  -5.689f,  -5.412f,  -5.135f,  -4.853f,  -4.576f,  -4.300f,  -4.026f,  // 105-112
        -3.745f,  -3.470f,  -3.190f,  -2.915f,  -2.643f,  -2.371f,  -2.098f,  -1.820f,  // 113-120
        -1.547f,  -1.276f,  -0.999f,  -0.728f,  -0.457f,  -0.186f,                      // 121-126
    };

    constexpr float pi = 3.1415927f;
} // namespace

float dbToGain (float decibels) noexcept
{
    return std::exp (static_cast<float> (double (decibels) * 2.3025851249694824 / 20.0));
}

GainTables::GainTables() noexcept
{
    volumeTable[0] = 0.0f;
    for (int i = 1; i < numSteps - 1; ++i)
        volumeTable[std::size_t (i)] = dbToGain (volumeDecibels[i - 1]);
    volumeTable[numSteps - 1] = 1.0f;

    // Constant power: left = cos, right = sin of an angle running over a quarter turn. Step 64
    // repeats step 63 so that the controller's middle value is the exact centre.
    for (int i = 0; i < numSteps - 1; ++i)
    {
        const int j = i < centre ? i : i - 1;
        const auto theta = static_cast<float> (double (j) * double (pi) / 254.0);
        panTable[std::size_t (i)] = std::cos (theta);
        panTable[std::size_t (numSteps + i)] = std::sin (theta);
    }
    panTable[numSteps - 1] = 0.0f;
    panTable[2 * numSteps - 1] = 1.0f;

    // Balance attenuates one side along every other step of the volume law.
    for (int k = 0; k <= centre; ++k)
    {
        balanceTable[std::size_t (k)] = 1.0f;
        balanceTable[std::size_t (numSteps + k)] =
            k == 0 ? 0.0f : (k == centre ? 1.0f : volumeTable[std::size_t (2 * k - 2)]);
    }
    for (int k = centre + 1; k < numSteps; ++k)
    {
        balanceTable[std::size_t (k)] = volumeTable[std::size_t (2 * (numSteps - 1 - k))];
        balanceTable[std::size_t (numSteps + k)] = 1.0f;
    }
}

} // namespace Work
