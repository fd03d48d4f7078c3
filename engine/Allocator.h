// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstddef>

namespace Work::MemorySystem
{

/** The engine's allocation interface.

    Two implementations exist: SystemAllocator over the C heap, for long-lived
    engine objects and queue storage built on the message thread, and DataMemory,
    the pre-reserved sample pool that the audio thread carves recordings from.
*/
class Allocator
{
public:
    virtual ~Allocator() = default;

    /** Returns size bytes, or null when exhausted. Never throws. */
    [[nodiscard]] virtual void* allocate (std::size_t size) noexcept = 0;

    /** Gives memory back; null is ignored. */
    virtual void release (void* pointer) noexcept = 0;

    /** Called once just before the allocator object goes away. */
    virtual void shutdown() noexcept {}
};

/** The C heap. Thread-safe, but never to be called from the audio thread. */
class SystemAllocator final : public Allocator
{
public:
    [[nodiscard]] void* allocate (std::size_t size) noexcept override;
    void release (void* pointer) noexcept override;
};

} // namespace Work::MemorySystem
