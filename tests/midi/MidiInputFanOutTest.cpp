// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "midi/MidiInputCallbackManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace Work;

namespace
{
using Bytes = std::vector<std::uint8_t>;

std::vector<Bytes> split (std::initializer_list<Bytes> events)
{
    MidiStreamParser parser;
    std::vector<Bytes> messages;
    for (const auto& event : events)
        parser.parse (event.data(), event.size(),
                      [&] (const std::uint8_t* bytes, int size) { messages.emplace_back (bytes, bytes + size); });
    return messages;
}

/** A receiver that keeps what it hears and the thread it hears it on. */
struct Receiver final : MidiInputCallbackManager::MidiInputCallbackItem
{
    using MidiInputCallbackItem::MidiInputCallbackItem;

    void midiArrived (const std::uint8_t* bytes, int size, std::int64_t timeMs, MidiDelivery) noexcept override
    {
        const std::lock_guard<std::mutex> lock (mutex);
        heard.emplace_back (bytes, bytes + size);
        times.push_back (timeMs);
        threads.push_back (std::this_thread::get_id());
        if (slow)
            std::this_thread::sleep_for (std::chrono::milliseconds (50));
        ++count;
    }

    bool waitFor (int n)
    {
        for (int i = 0; i < 400 && count.load() < n; ++i)
            std::this_thread::sleep_for (std::chrono::milliseconds (5));
        return count.load() >= n;
    }

    std::mutex mutex;
    std::vector<Bytes> heard;
    std::vector<std::int64_t> times;
    std::vector<std::thread::id> threads;
    std::atomic<int> count { 0 };
    std::atomic<bool> slow { false };
};
} // namespace

TEST (MidiStream, BadlyFormedEventsBecomeWholeMessagesOrNothing)
{
    // Running status carries over, also into the next event.
    EXPECT_EQ (split ({ { 0x90, 60, 100, 62, 90 }, { 64, 80 } }),
               (std::vector<Bytes> { { 0x90, 60, 100 }, { 0x90, 62, 90 }, { 0x90, 64, 80 } }));
    // A clock byte in the middle of a controller is handed on first; the controller goes on.
    EXPECT_EQ (split ({ { 0xb3, 0xf8, 20, 127 } }), (std::vector<Bytes> { { 0xf8 }, { 0xb3, 20, 127 } }));
    // Exclusives of any length, closed or cut off, become the single byte 0xF0.
    EXPECT_EQ (split ({ { 0xf0, 1, 2, 3, 4, 5, 6, 7, 0xf7 }, { 0xf0, 9, 9 }, { 0xc0, 5 } }),
               (std::vector<Bytes> { { 0xf0 }, { 0xf0 }, { 0xc0, 5 } }));
    // Data without a status, cut-short messages and undefined statuses give nothing.
    EXPECT_EQ (split ({ { 0x10, 0x20 }, { 0x90, 60 }, { 0xf4, 1, 2 }, { 0xf6 } }), (std::vector<Bytes> { { 0xf6 } }));
}

TEST (MidiInputFanOut, EverySourceReachesTheReceiversOnOneThreadUntilWithdrawn)
{
    MidiInputCallbackManager fanOut;
    Receiver receiver (fanOut);
    MidiInputCallbackManager::Source first (fanOut), second (fanOut);

    std::thread a ([&] {
        const std::uint8_t note[] = { 0x90, 60, 100 };
        first.push (note, 3, 1000);
        first.wake();
    });
    std::thread b ([&] {
        const std::uint8_t controller[] = { 0xb0, 7, 64, 0xf8 };
        second.push (controller, 4, 2000);
        second.wake();
    });
    a.join();
    b.join();
    ASSERT_TRUE (receiver.waitFor (3));
    {
        const std::lock_guard<std::mutex> lock (receiver.mutex);
        EXPECT_EQ (receiver.heard.size(), 3u);
        EXPECT_EQ (receiver.threads[0], receiver.threads[2]) << "one MIDI thread for every source";
        EXPECT_NE (receiver.threads[0], std::this_thread::get_id());
    }

    // Withdrawing waits for a delivery in progress; messages meanwhile are dropped.
    receiver.slow = true;
    const std::uint8_t program[] = { 0xc0, 5 };
    first.push (program, 2, 3000);
    first.wake();
    std::this_thread::sleep_for (std::chrono::milliseconds (10));
    {
        const MidiInputCallbackManager::ScopedDisable withdrawn (fanOut);
        EXPECT_EQ (receiver.count.load(), 4) << "the delivery in progress finished before disable returned";
        first.push (program, 2, 4000);
        first.wake();
        std::this_thread::sleep_for (std::chrono::milliseconds (60));
        EXPECT_EQ (receiver.count.load(), 4);
    }
    receiver.slow = false;
    first.push (program, 2, 5000);
    first.wake();
    ASSERT_TRUE (receiver.waitFor (5));
    const std::lock_guard<std::mutex> lock (receiver.mutex);
    EXPECT_EQ (receiver.times.back(), 5000) << "each message keeps the time it arrived";
}
