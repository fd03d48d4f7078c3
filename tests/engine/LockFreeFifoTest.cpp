// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/LockFreeFifo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using Work::LockFreeFifo;
namespace MemorySystem = Work::MemorySystem;

namespace
{
struct Record
{
    std::uint32_t sequence;
    std::uint32_t check; // ~sequence: a torn or stale record shows as a mismatch
    double payload[6];
};
} // namespace

TEST (LockFreeFifo, HoldsOneFewerThanItsCapacityInOrder)
{
    LockFreeFifo<int> fifo (512);
    ASSERT_EQ (fifo.getCapacity(), 512);

    for (int i = 0; i < 511; ++i)
        ASSERT_TRUE (fifo.push (i)) << i;

    EXPECT_FALSE (fifo.push (511));
    EXPECT_EQ (fifo.peekCount(), 511);

    for (int i = 0; i < 511; ++i)
    {
        auto* value = fifo.pop();
        ASSERT_NE (value, nullptr);
        EXPECT_EQ (*value, i);
    }

    EXPECT_EQ (fifo.pop(), nullptr);
}

TEST (LockFreeFifo, PoppedRecordStaysIntactUntilTheNextPop)
{
    // The producer fills every slot it may while the consumer still holds its record.
    LockFreeFifo<int> fifo (4);
    ASSERT_TRUE (fifo.push (10));
    ASSERT_TRUE (fifo.push (11));
    auto* held = fifo.pop();
    ASSERT_TRUE (fifo.push (12));
    ASSERT_TRUE (fifo.push (13));
    EXPECT_FALSE (fifo.push (14));
    EXPECT_EQ (*held, 10);
}

TEST (LockFreeFifo, WorksWhenMadeBeforeTheEngineRuntimeAndRefusesOnlyWithoutRoom)
{
    // Controls embed queues and may be built before the runtime starts or outlive it.
    MemorySystem::stopEngineRuntime();
    {
        LockFreeFifo<int> early (16);
        MemorySystem::startEngineRuntime();
        ASSERT_TRUE (early.push (1));
        EXPECT_EQ (*early.pop(), 1);
        MemorySystem::stopEngineRuntime();
    }
    MemorySystem::startEngineRuntime();

    LockFreeFifo<int> tooSmall (1);
    EXPECT_FALSE (tooSmall.push (1));
    EXPECT_EQ (tooSmall.pop(), nullptr);
}

TEST (LockFreeFifo, TwoThreadsPassEveryRecordOnceInOrder)
{
    // A small ring forces constant wrap-around and full/empty races; run under ThreadSanitizer too.
    constexpr std::uint32_t total = 200000;
    LockFreeFifo<Record> fifo (8);

    std::thread producer ([&] {
        for (std::uint32_t i = 0; i < total;)
        {
            Record r { i, ~i, {} };
            for (auto& x : r.payload)
                x = i * 0.5;
            if (fifo.push (r))
                ++i;
            else
                std::this_thread::yield();
        }
    });

    std::uint32_t expected = 0;
    bool intact = true;

    while (expected < total)
    {
        if (auto* r = fifo.pop())
        {
            intact = intact && r->sequence == expected && r->check == ~expected && r->payload[5] == expected * 0.5;
            ++expected;
        }
        else
        {
            std::this_thread::yield();
        }
    }

    producer.join();
    EXPECT_TRUE (intact);
    EXPECT_EQ (fifo.peekCount(), 0);
}
