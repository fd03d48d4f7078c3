// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Allocator.h"
#include "DataMemory.h"

#include <cstdint>
#include <functional>

/** The engine's two process-wide allocators and their lifetime.

    Start-up order: startEngineRuntime (the C-heap allocator), then startSampleMemory
    (the sample pool). Shut-down runs the reverse. Every engine object uses these same
    two instances; everything carved from the pool is released before it stops.
*/
namespace Work::MemorySystem
{

/** [message] Creates the SystemAllocator singleton. */
void startEngineRuntime();

/** [message] Shuts down and deletes the SystemAllocator singleton. */
void stopEngineRuntime() noexcept;

/** [any] The C-heap allocator, or null before startEngineRuntime / after stopEngineRuntime. */
[[nodiscard]] Allocator* getSystemAllocator() noexcept;

/** [any] The C heap for queue storage: always there, from before startEngineRuntime until the
    process ends, so a queue built at any time gets its storage and can give it back at any time. */
[[nodiscard]] Allocator& getQueueMemory() noexcept;

/** [any] The sample pool, or null while sample memory is stopped. */
[[nodiscard]] DataMemory* getDataMemory() noexcept;

/** Pool sizes in megabytes: the first choice, then the fallback ladder. */
struct PoolSizing
{
    static constexpr std::uint32_t largestMb = 1536;
    static constexpr std::uint32_t unknownMemoryMb = 1024;
    static constexpr std::uint32_t firstFallbackMb = 1024;
    static constexpr std::uint32_t fallbackStepMb = 128;
    static constexpr std::uint32_t smallestMb = 256;

    /** One third of the installed memory, at most 1536 MB; 1024 MB when the size is unknown (0). */
    [[nodiscard]] static std::uint32_t firstChoiceMb (std::uint64_t physicalMemoryMb) noexcept;

    /** Tries the first choice, then 1024, 896, ... 256 MB, and returns the first size that
        tryReserve accepted, or 0 when none was. */
    [[nodiscard]] static std::uint32_t reserve (std::uint64_t physicalMemoryMb,
                                                const std::function<bool (std::uint32_t megabytes)>& tryReserve);
};

/** [message] Creates the DataMemory singleton and reserves its pool with the fallback ladder.
    Returns the pool size in megabytes, or 0 when no pool could be had (the DataMemory
    object then exists without a pool). */
std::uint32_t startSampleMemory (std::uint64_t physicalMemoryMb);

/** [message] The same with a pool of exactly megabytes, no fallback: for tools and tests that
    run the engine on a given amount of sample memory. Returns megabytes, or 0. */
std::uint32_t startSampleMemoryOf (std::uint32_t megabytes);

/** [message] Releases the pool and deletes the DataMemory singleton. */
void stopSampleMemory() noexcept;

} // namespace Work::MemorySystem
