// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace Work::Testing
{

/** Channel buffers for running an engine stage block by block, as a device would: input and
    output channels of one block each, the pointer arrays a stage takes, and every block's
    outputs appended to one stream per channel. */
class BlockBuffers
{
public:
    BlockBuffers (int numInputs, int numOutputs, int blockSize, float inputValue = 0.0f)
        : in (std::size_t (numInputs), std::vector<float> (std::size_t (blockSize), inputValue))
        , out (std::size_t (numOutputs), std::vector<float> (std::size_t (blockSize)))
        , rendered (std::size_t (numOutputs))
    {
        for (auto& c : in)
            inPointers.push_back (c.data());
        for (auto& c : out)
            outPointers.push_back (c.data());
    }

    BlockBuffers (const BlockBuffers&) = delete;
    BlockBuffers& operator= (const BlockBuffers&) = delete;
    BlockBuffers (BlockBuffers&&) = default; // the channels' storage moves with them

    /** Input channel c, sample i of the block starting at start, becomes sample (c, start + i). */
    template <typename Signal>
    void fillInputs (std::int64_t start, int n, Signal&& sample)
    {
        for (std::size_t c = 0; c < in.size(); ++c)
            for (int i = 0; i < n; ++i)
                in[c][std::size_t (i)] = sample (int (c), start + i);
    }

    void fillOutputs (float value)
    {
        for (auto& c : out)
            std::fill (c.begin(), c.end(), value);
    }

    /** Appends the first n samples of every output channel to its stream. */
    void appendOutputs (int n)
    {
        for (std::size_t c = 0; c < out.size(); ++c)
            rendered[c].insert (rendered[c].end(), out[c].begin(), out[c].begin() + n);
    }

    [[nodiscard]] const float* const* inputs() const noexcept { return inPointers.data(); }
    [[nodiscard]] float* const* outputs() noexcept { return outPointers.data(); }

    std::vector<std::vector<float>> in, out, rendered;

private:
    std::vector<const float*> inPointers;
    std::vector<float*> outPointers;
};

/** Where two sample streams first differ, as a message for a failed comparison; empty when they
    agree over their common length. */
inline std::string firstDifference (const std::vector<float>& a, const std::vector<float>& b)
{
    for (std::size_t k = 0; k < std::min (a.size(), b.size()); ++k)
        if (a[k] != b[k])
            return " first differs at " + std::to_string (k) + ": " + std::to_string (a[k]) + " vs " + std::to_string (b[k]);
    return {};
}

} // namespace Work::Testing
