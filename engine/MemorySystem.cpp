// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MemorySystem.h"

#include <algorithm>
#include <new>
#include <utility>

namespace Work::MemorySystem
{

namespace
{
    // Written on the message thread before audio starts and after it stops; the audio thread
    // only reads them while the objects are alive, so plain pointers are enough.
    SystemAllocator* systemAllocator = nullptr;
    DataMemory* dataMemory = nullptr;
} // namespace

void startEngineRuntime()
{
    if (systemAllocator == nullptr)
        systemAllocator = new SystemAllocator();
}

void stopEngineRuntime() noexcept
{
    if (systemAllocator == nullptr)
        return;

    systemAllocator->shutdown();
    delete systemAllocator;
    systemAllocator = nullptr;
}

Allocator* getSystemAllocator() noexcept
{
    return systemAllocator;
}

Allocator& getQueueMemory() noexcept
{
    // Stateless and trivially destroyed last: queues owned by objects of any lifetime can use it.
    static SystemAllocator heap;
    return heap;
}

DataMemory* getDataMemory() noexcept
{
    return dataMemory;
}

std::uint32_t PoolSizing::firstChoiceMb (std::uint64_t physicalMemoryMb) noexcept
{
    if (physicalMemoryMb == 0)
        return unknownMemoryMb;

    return static_cast<std::uint32_t> (std::min<std::uint64_t> (physicalMemoryMb / 3, largestMb));
}

std::uint32_t PoolSizing::reserve (std::uint64_t physicalMemoryMb, const std::function<bool (std::uint32_t)>& tryReserve)
{
    if (const auto first = firstChoiceMb (physicalMemoryMb); first > 0 && tryReserve (first))
        return first;

    for (auto size = firstFallbackMb; size >= smallestMb; size -= fallbackStepMb)
        if (tryReserve (size))
            return size;

    return 0;
}

namespace
{
    bool makeDataMemory()
    {
        if (dataMemory != nullptr)
            return true;

        auto* allocator = getSystemAllocator();
        void* place = allocator != nullptr ? allocator->allocate (sizeof (DataMemory)) : nullptr;

        if (place == nullptr)
            return false;

        dataMemory = new (place) DataMemory (*allocator);
        return true;
    }
} // namespace

std::uint32_t startSampleMemoryOf (std::uint32_t megabytes)
{
    return makeDataMemory() && megabytes > 0 && dataMemory->reservePool (std::uint64_t (megabytes) << 20) ? megabytes : 0;
}

std::uint32_t startSampleMemory (std::uint64_t physicalMemoryMb)
{
    if (! makeDataMemory())
        return 0;

    return PoolSizing::reserve (physicalMemoryMb, [] (std::uint32_t megabytes) {
        return dataMemory->reservePool (std::uint64_t (megabytes) << 20);
    });
}

void stopSampleMemory() noexcept
{
    if (dataMemory == nullptr)
        return;

    auto* memory = std::exchange (dataMemory, nullptr);
    memory->releasePool();
    memory->shutdown();
    memory->~DataMemory();

    if (auto* allocator = getSystemAllocator())
        allocator->release (memory);
}

} // namespace Work::MemorySystem
