// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "BufferPatch.h"

#include <algorithm>

namespace Work
{

void BufferPatch::allocate (int n)
{
    release();
    buffers.assign (std::size_t (std::max (0, n)), std::vector<float> (maxBlockSize, 0.0f));
    for (auto& b : buffers)
        pointers.push_back (b.data());
}

void BufferPatch::release()
{
    buffers.clear();
    pointers.clear();
}

void BufferPatch::clear (int n) noexcept
{
    for (auto* p : pointers)
        std::fill (p, p + n, 0.0f);
}

} // namespace Work
