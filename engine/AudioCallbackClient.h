// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Processor.h"

namespace Work
{

/** The engine's side of the device callback: a block with the engine's fixed channel counts. */
class AudioCallbackClient
{
public:
    virtual ~AudioCallbackClient() = default;

    /** [audio] Never allocates, locks or waits. */
    virtual void audioCallback (const float* const* inputs, float* const* outputs, int numSamples,
                                const BlockInfo& info) noexcept = 0;
};

} // namespace Work
