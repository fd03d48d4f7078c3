// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "DataMemory.h"

namespace Work::MemorySystem
{

namespace
{
    constexpr std::uint64_t pageSize = 4096;

    // Offsets and sizes are 32-bit; keep every end address clear of the "none" marker.
    constexpr std::uint64_t largestPool = 0xfff00000ull;
} // namespace

DataMemory::DataMemory (Allocator& backingAllocator) noexcept
    : backing (backingAllocator)
{
}

DataMemory::~DataMemory()
{
    releasePool();
}

bool DataMemory::reservePool (std::uint64_t size) noexcept
{
    releasePool();

    if (size < headerSize || size > largestPool)
        return false;

    rawPool = backing.allocate (static_cast<std::size_t> (size + headerSize));

    if (rawPool == nullptr)
        return false;

    auto address = reinterpret_cast<std::uintptr_t> (rawPool);
    base = reinterpret_cast<std::uint8_t*> ((address + 15) & ~std::uintptr_t (15));

    // Commit every page now, on the message thread, instead of on the audio thread's first touch.
    auto* volatile touch = base;
    for (std::uint64_t i = 0; i < size; i += pageSize)
        touch[i] = 0;

    capacity = static_cast<std::uint32_t> (size - headerSize);
    usedBytes = 0;
    freeBytes = capacity;
    freeList = 0;
    header (0) = { none, none, capacity, freeTag };
    return true;
}

void DataMemory::releasePool() noexcept
{
    if (rawPool != nullptr)
        backing.release (rawPool);

    rawPool = nullptr;
    base = nullptr;
    freeList = none;
    capacity = 0;
    usedBytes = 0;
    freeBytes = 0;
}

void DataMemory::linkInPlaceOf (std::uint32_t oldOffset, std::uint32_t newOffset) noexcept
{
    auto& old = header (oldOffset);
    auto& replacement = header (newOffset);
    replacement.prev = old.prev;
    replacement.next = old.next;

    if (old.prev == none)
        freeList = newOffset;
    else
        header (old.prev).next = newOffset;

    if (old.next != none)
        header (old.next).prev = newOffset;
}

void DataMemory::unlink (std::uint32_t offset) noexcept
{
    auto& block = header (offset);

    if (block.prev == none)
        freeList = block.next;
    else
        header (block.prev).next = block.next;

    if (block.next != none)
        header (block.next).prev = block.prev;
}

void* DataMemory::allocate (std::size_t size) noexcept
{
    if (size > capacity)
        return nullptr;

    const auto request = static_cast<std::uint32_t> (size);
    auto offset = freeList;

    while (offset != none && header (offset).size < request)
        offset = header (offset).next;

    if (offset == none)
        return nullptr;

    auto& block = header (offset);
    auto need = static_cast<std::uint32_t> ((std::uint64_t (request) + 15) & ~std::uint64_t (15));

    if (block.size - need < 17)
    {
        unlink (offset);
        need = block.size;
        freeBytes -= need;
    }
    else
    {
        const auto restOffset = offset + headerSize + need;
        header (restOffset) = { none, none, block.size - need - headerSize, freeTag };
        linkInPlaceOf (offset, restOffset);
        freeBytes -= need + headerSize;
    }

    block = { none, none, need, usedTag };
    usedBytes += need + headerSize;
    return base + offset + headerSize;
}

std::uint32_t DataMemory::offsetOf (const void* payload) const noexcept
{
    return static_cast<std::uint32_t> (static_cast<const std::uint8_t*> (payload) - base) - headerSize;
}

void DataMemory::absorbNext (std::uint32_t offset) noexcept
{
    auto& block = header (offset);
    const auto nextOffset = block.next;
    auto& next = header (nextOffset);
    block.size += next.size + headerSize;
    block.next = next.next;
    freeBytes += headerSize; // the absorbed header becomes payload

    if (next.next != none)
        header (next.next).prev = offset;

    next.tag = freeTag;
}

void DataMemory::release (void* pointer) noexcept
{
    if (pointer == nullptr || base == nullptr)
        return;

    // A pointer that this pool did not hand out, or one released twice, would corrupt the
    // free list. Refuse it: losing a block is recoverable, a broken list is not.
    const auto address = reinterpret_cast<std::uintptr_t> (pointer);
    const auto start = reinterpret_cast<std::uintptr_t> (base);

    if (address < start + headerSize || address > start + headerSize + capacity || (address - start) % 16 != 0)
        return;

    const auto offset = static_cast<std::uint32_t> (address - start) - headerSize;
    auto& block = header (offset);

    if (block.tag != usedTag)
        return;

    block.tag = freeTag;
    usedBytes -= block.size + headerSize;
    freeBytes += block.size;

    // Insert in address order: the free list stays sorted, so merging only looks at neighbours.
    auto prev = none;
    auto next = freeList;

    while (next != none && next < offset)
    {
        prev = next;
        next = header (next).next;
    }

    block.prev = prev;
    block.next = next;

    if (prev == none)
        freeList = offset;
    else
        header (prev).next = offset;

    if (next != none)
        header (next).prev = offset;

    if (next != none && offset + headerSize + block.size == next)
        absorbNext (offset);

    if (prev != none && prev + headerSize + header (prev).size == offset)
        absorbNext (prev);
}

} // namespace Work::MemorySystem
