// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/LooperView.h"

#include <gtest/gtest.h>

using namespace Work;

TEST (LooperView, EveryStatusFieldSurvivesPackingAndOutOfRangeValuesAreClamped)
{
    // Each field a value no other field has, so a field packed into another's place shows.
    LooperState state;
    for (std::size_t b = 0; b < state.sources.size(); ++b)
        state.sources[b] = std::uint32_t (0x01010101u * (b + 1));
    state.cycleAngle = 201;
    state.cycleNumber = 7;
    state.multiplier = 12;
    state.addAmount = 255;
    state.recordingInputs = 0x3;
    state.recordingOutputs = 0x30;
    state.muted = 0x81;
    state.soloed = 0x42;
    state.toMain = 0x6;
    state.playing = true;
    state.reversed = false;
    state.canUndo = true;
    state.canRedo = false;
    state.hasMainLoop = true;
    state.megabytesUsed = 1536;
    state.megabytesFree = 0xfffe;
    state.nextLoop = LoopKind::thirdCycle;
    state.cycleLength = 4000000;
    state.cyclePosition = 3999999;
    EXPECT_EQ (LooperState::unpack (state.pack()), state);

    // The flags one by one, the other way round.
    for (const auto flag : { &LooperState::playing, &LooperState::reversed, &LooperState::canUndo, &LooperState::canRedo,
                             &LooperState::hasMainLoop })
    {
        LooperState one;
        one.*flag = true;
        EXPECT_EQ (LooperState::unpack (one.pack()), one);
    }

    // What a word cannot hold is clamped, never spilled into its neighbour.
    LooperState big;
    big.cycleAngle = 300;
    big.cycleNumber = -4;
    big.megabytesUsed = 70000;
    big.megabytesFree = 70000;
    const auto back = LooperState::unpack (big.pack());
    EXPECT_EQ (back.cycleAngle, 255);
    EXPECT_EQ (back.cycleNumber, 0);
    EXPECT_EQ (back.multiplier, 0);
    EXPECT_EQ (back.megabytesUsed, 0xffffu);
    EXPECT_EQ (back.megabytesFree, 0xffffu);

    LooperStatus unknownKind;
    unknownKind.words[LooperStatus::loopKind] = 99;
    EXPECT_EQ (LooperState::unpack (unknownKind).nextLoop, LoopKind::quarterCycle) << "a kind out of range stays a kind";
}
