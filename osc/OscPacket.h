// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Work::Osc
{

/** An OSC time tag: seconds since 1900 and fractions of a second in 2^-32, as the wire has it. */
struct TimeTag
{
    std::uint32_t seconds = 0, fraction = 1;

    /** The tag that means "at once": also what a message outside any bundle has. */
    [[nodiscard]] bool isImmediate() const noexcept { return seconds == 0 && fraction == 1; }
};

/** Bundles nested deeper than this are refused. */
constexpr int deepestBundle = 8;

namespace Detail
{
    inline std::uint32_t readBigEndian (const std::uint8_t* p) noexcept
    {
        return (std::uint32_t (p[0]) << 24) | (std::uint32_t (p[1]) << 16) | (std::uint32_t (p[2]) << 8) | p[3];
    }
} // namespace Detail

/** Hands every message of a packet to onMessage (data, size, tag): a packet that is a message,
    with the immediate tag, or each message of a bundle and of the bundles inside it, with its own
    bundle's tag. Only the bundle frame is checked here (sizes that fit, multiples of four); the
    messages themselves are the reader's. False at the first element that does not fit, or a
    bundle nested too deep; the messages before it were handed on. */
template <typename OnMessage>
bool forEachMessage (const std::uint8_t* data, std::size_t size, OnMessage&& onMessage, TimeTag tag = {}, int depth = 0)
{
    static constexpr char bundleHead[8] = { '#', 'b', 'u', 'n', 'd', 'l', 'e', '\0' };

    if (data == nullptr || size == 0)
        return false;

    if (size < 8 || std::memcmp (data, bundleHead, 8) != 0)
    {
        onMessage (data, size, tag);
        return true;
    }

    if (depth >= deepestBundle || size < 16)
        return false;

    const TimeTag bundleTag { Detail::readBigEndian (data + 8), Detail::readBigEndian (data + 12) };
    std::size_t at = 16;

    while (at < size)
    {
        if (size - at < 4)
            return false;

        const auto length = std::size_t (Detail::readBigEndian (data + at));
        at += 4;

        if (length == 0 || length % 4 != 0 || length > size - at)
            return false;

        if (! forEachMessage (data + at, length, onMessage, bundleTag, depth + 1))
            return false;

        at += length;
    }

    return true;
}

} // namespace Work::Osc
