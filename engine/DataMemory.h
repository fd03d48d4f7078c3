// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Allocator.h"

#include <cstdint>

namespace Work::MemorySystem
{

/** The sample pool: a first-fit allocator over one block reserved at start-up.

    How it works: every block, free or used, starts with a 16-byte header; every
    payload size is a multiple of 16 and every header starts on a 16-byte boundary,
    so payloads are 16-byte aligned. Free blocks form a doubly linked list sorted by
    address. The links are 32-bit offsets from the pool base rather than pointers,
    which keeps the header at 16 bytes on 64-bit machines.

    allocate takes the first free block that is large enough and splits it when at
    least 17 bytes would be left over; release inserts the block back in address
    order and merges it with the neighbours it touches, so the list never holds two
    adjacent free blocks.

    Threads: not locked. While audio runs only the audio thread calls allocate and
    release; the message thread may use it only while the callback is gated off.
    Nothing here makes a system call once the pool is reserved.
*/
class DataMemory final : public Allocator
{
public:
    /** The pool is reserved from backing (the C heap in the running program). */
    explicit DataMemory (Allocator& backing) noexcept;
    ~DataMemory() override;

    DataMemory (const DataMemory&) = delete;
    DataMemory& operator= (const DataMemory&) = delete;

    static constexpr std::uint32_t headerSize = 16;

    /** [message] Obtains size + 16 bytes from the backing allocator and makes them one
        free block of size - 16 payload bytes. Every page is written once so the audio
        thread never takes a first-touch page fault in the pool. Returns false (and
        leaves no pool) on failure or when size is outside what 32-bit offsets cover. */
    [[nodiscard]] bool reservePool (std::uint64_t size) noexcept;

    /** [message] Gives the pool back. Everything carved from it must be released first. */
    void releasePool() noexcept;

    [[nodiscard]] bool hasPool() const noexcept { return rawPool != nullptr; }

    // [audio]
    [[nodiscard]] void* allocate (std::size_t size) noexcept override;
    void release (void* pointer) noexcept override;

    /** Usable bytes of the pool: the reserved size less the first header. */
    [[nodiscard]] std::uint32_t getCapacity() const noexcept { return capacity; }

    /** Payload plus header bytes of every live allocation. */
    [[nodiscard]] std::uint32_t getUsedBytes() const noexcept { return usedBytes; }

    /** Sum of the payload sizes of all free blocks, kept as a running count so the audio
        thread can report it every block. */
    [[nodiscard]] std::uint64_t getFreeBytes() const noexcept { return freeBytes; }

    /** Calls visitor (offsetOfHeader, payloadSize) for each free block in list order;
        offsets count from the pool base. For diagnostics and tests. */
    template <typename Visitor>
    void visitFreeBlocks (Visitor&& visitor) const
    {
        for (auto offset = freeList; offset != none; offset = header (offset).next)
            visitor (offset, header (offset).size);
    }

    /** Offset of an allocation's header from the pool base, for diagnostics and tests. */
    [[nodiscard]] std::uint32_t offsetOf (const void* payload) const noexcept;

private:
    struct BlockHeader
    {
        std::uint32_t next;
        std::uint32_t prev;
        std::uint32_t size;
        std::uint32_t tag; // usedTag while handed out; lets release refuse strays and double frees
    };
    static_assert (sizeof (BlockHeader) == headerSize);

    static constexpr std::uint32_t none = 0xffffffffu;
    static constexpr std::uint32_t usedTag = 0x55534544u;
    static constexpr std::uint32_t freeTag = 0;

    BlockHeader& header (std::uint32_t offset) const noexcept { return *reinterpret_cast<BlockHeader*> (base + offset); }

    void linkInPlaceOf (std::uint32_t oldOffset, std::uint32_t newOffset) noexcept;
    void unlink (std::uint32_t offset) noexcept;
    void absorbNext (std::uint32_t offset) noexcept;

    Allocator& backing;
    std::uint32_t freeList = none;
    std::uint32_t capacity = 0;
    std::uint32_t usedBytes = 0;
    std::uint64_t freeBytes = 0;
    void* rawPool = nullptr;
    std::uint8_t* base = nullptr;
};

} // namespace Work::MemorySystem
