// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Allocator.h"

#include <cstdlib>

namespace Work::MemorySystem
{

void* SystemAllocator::allocate (std::size_t size) noexcept
{
    // malloc (0) may legally return null; the engine treats a zero-byte request as valid.
    return std::malloc (size == 0 ? 1 : size);
}

void SystemAllocator::release (void* pointer) noexcept
{
    std::free (pointer);
}

} // namespace Work::MemorySystem
