// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "midi/MidiKey.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Work;

namespace
{
MidiKey keyOf (std::vector<std::uint8_t> bytes, std::uint32_t mask = 0xffff)
{
    return packMidiKey (bytes.data(), bytes.size(), mask);
}
} // namespace

TEST (MidiKey, NotesControllersAndProgramsBecomeKeysOnAnyChannel)
{
    EXPECT_EQ (keyOf ({ 0xb0, 7, 100 }), 0xb00764u);
    EXPECT_EQ (keyOf ({ 0xb5, 7, 100 }), 0xb00764u) << "the channel is dropped";
    EXPECT_EQ (keyOf ({ 0x90, 60, 99 }), 0x903c00u) << "the velocity is not part of a note's key";
    EXPECT_EQ (keyOf ({ 0x9f, 60, 1 }), 0x903c00u);
    EXPECT_EQ (keyOf ({ 0xc3, 5 }), 0xc00500u);
    EXPECT_EQ (keyOf ({ 0xb0, 0, 0 }), 0xb00000u) << "controller 0 at value 0 is still a key";
}

TEST (MidiKey, EverythingElseHasNoKey)
{
    const std::vector<std::vector<std::uint8_t>> others {
        { 0x90, 60, 0 },  // note on, velocity 0
        { 0x80, 60, 64 }, // note off
        { 0xe0, 0, 64 },  // pitch bend
        { 0xa0, 60, 10 }, // aftertouch
        { 0xd0, 10 },     // channel pressure
        { 0xf8 },         // clock
        { 0xfa },
        { 0xfe },                   // start, active sensing
        { 0xf0, 0x7e, 0x7f, 0xf7 }, // system exclusive
        { 0x3c, 0x40 },             // data bytes without status (running status is resolved upstream)
        { 0x90, 60 },               // cut short
        { 0xb0, 7 },
        { 0xc0 },
        {},
        { 0xb0, 0x87, 1 }, // a data byte with the top bit set
        { 0xb0, 7, 0x80 },
    };

    for (const auto& bytes : others)
    {
        EXPECT_EQ (keyOf (bytes), 0u) << int (bytes.empty() ? 0 : bytes[0]);
        EXPECT_FALSE (isAcceptedMessage (bytes.data(), bytes.size(), 0xffff));
    }
    EXPECT_EQ (packMidiKey (nullptr, 3, 0xffff), 0u);
}

TEST (MidiKey, TheChannelMaskFiltersAndMatchingIgnoresTheValue)
{
    EXPECT_EQ (keyOf ({ 0xb3, 7, 1 }, 0b0111), 0u);
    EXPECT_EQ (keyOf ({ 0xb2, 7, 1 }, 0b0111), 0xb00701u);
    EXPECT_EQ (midiChannelMask.load(), 0xffffu);

    EXPECT_TRUE (keysMatch (0xb00764, 0xb00700));
    EXPECT_FALSE (keysMatch (0xb00764, 0xb00864));
    EXPECT_FALSE (keysMatch (0x903c00, 0xb03c00));
}

TEST (MidiKey, DescriptionsNameTypeNumberAndValue)
{
    EXPECT_EQ (describeMidiKey (0x903c00, true), "Note 60");
    EXPECT_EQ (describeMidiKey (0xb00764, true), "Controller 7 = 100");
    EXPECT_EQ (describeMidiKey (0xb00764, false), "Controller 7");
    EXPECT_EQ (describeMidiKey (0xc00500, false), "Program 5");
    EXPECT_EQ (describeMidiKey (0, true), "No message");
}
