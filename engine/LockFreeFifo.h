// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MemorySystem.h"

#include <atomic>
#include <type_traits>

namespace Work
{

/** A single-producer, single-consumer ring of fixed-size records.

    How it works: the producer writes at writeIndex, the consumer reads at readIndex,
    and count, the only shared variable, says how many records are stored. One slot
    always stays empty, so a record handed out by pop() stays intact until the
    consumer's next pop(): the consumer may use it in place, without copying.

    Memory ordering: push publishes the record with a release increment of count and
    pop reads count with acquire, so the consumer sees the whole record; pop's release
    decrement, read with acquire by push, keeps the producer from reusing a slot the
    consumer is still reading. That is all the ordering the ring needs.

    The storage comes from the C heap (the queue memory, there for the whole process) when the
    queue is built, so a queue works whenever it was made; push and pop never allocate. Only a
    failed allocation leaves a queue without storage: it then holds nothing and refuses every
    push.
*/
template <typename T>
class LockFreeFifo
{
    static_assert (std::is_trivially_copyable_v<T>, "records are copied as plain bytes");
    static_assert (std::atomic<int>::is_always_lock_free);

public:
    /** [message] Takes capacity slots from allocator; capacity - 1 records fit at once. */
    explicit LockFreeFifo (int capacityToUse, MemorySystem::Allocator& allocatorToUse = MemorySystem::getQueueMemory())
        : allocator (allocatorToUse)
    {
        if (capacityToUse > 1)
            buffer = static_cast<T*> (allocator.allocate (sizeof (T) * static_cast<std::size_t> (capacityToUse)));

        capacity = buffer != nullptr ? capacityToUse : 0;
    }

    ~LockFreeFifo() { allocator.release (buffer); }

    LockFreeFifo (const LockFreeFifo&) = delete;
    LockFreeFifo& operator= (const LockFreeFifo&) = delete;

    /** [producer] Copies element in; returns false (dropping it) when the queue is full. */
    bool push (const T& element) noexcept
    {
        if (count.load (std::memory_order_acquire) >= capacity - 1)
            return false;

        buffer[writeIndex] = element;
        writeIndex = writeIndex + 1 == capacity ? 0 : writeIndex + 1;
        count.fetch_add (1, std::memory_order_release);
        return true;
    }

    /** [consumer] The oldest record, valid until the next pop; null when empty. */
    T* pop() noexcept
    {
        if (count.load (std::memory_order_acquire) == 0)
            return nullptr;

        auto* element = buffer + readIndex;
        readIndex = readIndex + 1 == capacity ? 0 : readIndex + 1;
        count.fetch_sub (1, std::memory_order_release);
        return element;
    }

    /** [any] Records stored at this moment. */
    [[nodiscard]] int peekCount() const noexcept { return count.load (std::memory_order_acquire); }

    /** [any] Number of slots; one fewer records fit. */
    [[nodiscard]] int getCapacity() const noexcept { return capacity; }

private:
    MemorySystem::Allocator& allocator;
    T* buffer = nullptr;
    int readIndex = 0;
    int writeIndex = 0;
    std::atomic<int> count { 0 };
    int capacity = 0;
};

} // namespace Work
