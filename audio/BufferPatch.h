// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <vector>

namespace Work
{

/** The longest block the engine accepts; longer blocks are output as silence. */
constexpr int maxBlockSize = 4096;

/** One private buffer per looper output channel: the loop channels, before the mixer.

    Built and released on the message thread while no block runs; the audio thread only reads
    the pointers and writes into the buffers, so it never allocates. */
class BufferPatch
{
public:
    /** [message] n zeroed buffers of maxBlockSize samples. */
    void allocate (int n);
    void release();

    [[nodiscard]] int getNumChannels() const noexcept { return int (pointers.size()); }
    [[nodiscard]] float* const* getPointers() noexcept { return pointers.data(); }

    /** [audio] Zeroes the first n samples of every buffer. */
    void clear (int n) noexcept;

private:
    std::vector<std::vector<float>> buffers;
    std::vector<float*> pointers;
};

} // namespace Work
