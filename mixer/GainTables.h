// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <array>

namespace Work
{

/** Decibels to a linear gain, in single precision. */
[[nodiscard]] float dbToGain (float decibels) noexcept;

/** The three 128-step gain tables every channel processor reads.

    Every mixer parameter is an integer step 0..127, the range of a MIDI controller, and is
    turned into a gain only through these tables:
    - volume: a fader law from silence (step 0) to unity (step 127);
    - pan: a constant-power law for mono sources; steps 63 and 64 both sit at the centre;
    - balance: for stereo sources, each side attenuated along the volume law while the
      other stays at unity.

    Built once on the message thread before audio starts and read-only afterwards, so the
    audio thread reads them without any synchronisation.
*/
class GainTables
{
public:
    GainTables() noexcept;

    static constexpr int numSteps = 128;
    static constexpr int centre = 64;

    [[nodiscard]] float volume (int step) const noexcept { return volumeTable[clampStep (step)]; }
    [[nodiscard]] float panLeft (int step) const noexcept { return panTable[clampStep (step)]; }
    [[nodiscard]] float panRight (int step) const noexcept { return panTable[numSteps + clampStep (step)]; }
    [[nodiscard]] float balanceLeft (int step) const noexcept { return balanceTable[clampStep (step)]; }
    [[nodiscard]] float balanceRight (int step) const noexcept { return balanceTable[numSteps + clampStep (step)]; }

    /** Steps outside 0..127 never index a table. */
    [[nodiscard]] static constexpr int clampStep (int step) noexcept
    {
        return step < 0 ? 0 : (step >= numSteps ? numSteps - 1 : step);
    }

private:
    std::array<float, numSteps> volumeTable;
    std::array<float, 2 * numSteps> panTable;     // 128 left gains, then 128 right gains
    std::array<float, 2 * numSteps> balanceTable; // likewise
};

} // namespace Work
