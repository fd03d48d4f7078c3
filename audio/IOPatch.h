// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BufferPatch.h"

#include <vector>

namespace Work
{

/** Between the device and the engine: a silent buffer for every engine input the device lacks,
    a scratch buffer for every engine output it lacks, so the engine always sees its own
    channel counts.

    Prepared before the device starts and released after it stops, on the message thread; the
    audio thread only reads the pointers and clears the scratch buffers. */
class IOPatch
{
public:
    /** [message] Buffers for numInputs engine inputs and numOutputs engine outputs. */
    void prepare (int numInputs, int numOutputs);
    void release();

    [[nodiscard]] int getNumInputs() const noexcept { return int (inputPointers.size()); }
    [[nodiscard]] int getNumOutputs() const noexcept { return int (outputPointers.size()); }

    /** [audio] Engine input i: device input i when the device has it, else silence. */
    const float* const* mapInputs (const float* const* deviceInputs, int numDeviceInputs) noexcept;

    /** [audio] Engine output i: device output i when the device has it, else a scratch buffer
        cleared for this block. */
    float* const* mapOutputs (float* const* deviceOutputs, int numDeviceOutputs, int numSamples) noexcept;

private:
    std::vector<std::vector<float>> silentInputs, scratchOutputs;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
};

} // namespace Work
