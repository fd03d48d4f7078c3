// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace Work
{

/** Which loops of a set are recording: one slot (input, output, channel count) per loop. At most
    one loop records per output channel, so 32 slots cover the 32 channels a mask can hold. */
class RecordingSlotList
{
public:
    struct Slot
    {
        int input = 0, output = 0, channels = 1;
        bool operator== (const Slot&) const = default;
    };

    static constexpr int capacity = 32;

    /** Appends; a full list ignores the slot. */
    void add (Slot slot) noexcept
    {
        if (count < capacity)
            slots[std::size_t (count++)] = slot;
    }

    /** Removes the first equal slot, moving the last one into its place. */
    void remove (Slot slot) noexcept
    {
        for (int i = 0; i < count; ++i)
            if (slots[std::size_t (i)] == slot)
            {
                slots[std::size_t (i)] = slots[std::size_t (--count)];
                return;
            }
    }

    void clear() noexcept { count = 0; }
    [[nodiscard]] bool isEmpty() const noexcept { return count == 0; }
    [[nodiscard]] int size() const noexcept { return count; }
    [[nodiscard]] Slot get (int i) const noexcept { return slots[std::size_t (i)]; }

    [[nodiscard]] bool contains (Slot slot) const noexcept
    {
        for (int i = 0; i < count; ++i)
            if (slots[std::size_t (i)] == slot)
                return true;
        return false;
    }

    [[nodiscard]] bool containsInput (int input) const noexcept
    {
        for (int i = 0; i < count; ++i)
            if (slots[std::size_t (i)].input == input)
                return true;
        return false;
    }

    /** The slot whose output is output, when one exists. */
    [[nodiscard]] std::optional<Slot> findOutput (int output) const noexcept
    {
        for (int i = 0; i < count; ++i)
            if (slots[std::size_t (i)].output == output)
                return slots[std::size_t (i)];
        return std::nullopt;
    }

    [[nodiscard]] std::uint32_t inputMask() const noexcept { return maskOf (&Slot::input); }
    [[nodiscard]] std::uint32_t outputMask() const noexcept { return maskOf (&Slot::output); }

private:
    std::uint32_t maskOf (int Slot::*field) const noexcept
    {
        std::uint32_t mask = 0;
        for (int i = 0; i < count; ++i)
            if (const auto channel = slots[std::size_t (i)].*field; channel >= 0 && channel < 32)
                mask |= std::uint32_t (1) << channel;
        return mask;
    }

    std::array<Slot, capacity> slots {};
    int count = 0;
};

} // namespace Work
