// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "IOPatch.h"

#include <algorithm>

namespace Work
{

void IOPatch::prepare (int numInputs, int numOutputs)
{
    release();
    silentInputs.assign (std::size_t (std::max (0, numInputs)), std::vector<float> (maxBlockSize, 0.0f));
    scratchOutputs.assign (std::size_t (std::max (0, numOutputs)), std::vector<float> (maxBlockSize, 0.0f));
    inputPointers.assign (silentInputs.size(), nullptr);
    outputPointers.assign (scratchOutputs.size(), nullptr);
}

void IOPatch::release()
{
    silentInputs.clear();
    scratchOutputs.clear();
    inputPointers.clear();
    outputPointers.clear();
}

const float* const* IOPatch::mapInputs (const float* const* deviceInputs, int numDeviceInputs) noexcept
{
    for (std::size_t i = 0; i < inputPointers.size(); ++i)
        inputPointers[i] =
            int (i) < numDeviceInputs && deviceInputs[i] != nullptr ? deviceInputs[i] : silentInputs[i].data();
    return inputPointers.data();
}

float* const* IOPatch::mapOutputs (float* const* deviceOutputs, int numDeviceOutputs, int numSamples) noexcept
{
    for (std::size_t i = 0; i < outputPointers.size(); ++i)
    {
        if (int (i) < numDeviceOutputs && deviceOutputs[i] != nullptr)
        {
            outputPointers[i] = deviceOutputs[i];
        }
        else
        {
            std::fill (scratchOutputs[i].begin(), scratchOutputs[i].begin() + numSamples, 0.0f);
            outputPointers[i] = scratchOutputs[i].data();
        }
    }
    return outputPointers.data();
}

} // namespace Work
