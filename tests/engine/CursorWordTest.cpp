// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/CursorWord.h"

#include <gtest/gtest.h>

using Work::CursorWord;

namespace
{
struct Word
{
    int cursor0, cursor1, split, end;
};

Word read (const CursorWord& w)
{
    return { w.cursor (0), w.cursor (1), w.splitIndex(), w.endIndex() };
}

void expectWord (const CursorWord& w, Word expected)
{
    const auto actual = read (w);
    EXPECT_EQ (actual.cursor0, expected.cursor0);
    EXPECT_EQ (actual.cursor1, expected.cursor1);
    EXPECT_EQ (actual.split, expected.split);
    EXPECT_EQ (actual.end, expected.end);
}
} // namespace

TEST (CursorWord, InitialWordsForOneAndTwoCursors)
{
    expectWord (CursorWord (8, 1), { 0, 0, 8, 0 });
    expectWord (CursorWord (8, 2), { 0, 4, 4, 8 });
    CursorWord none (8, 3);
    EXPECT_EQ (none.get(), 0u);
}

TEST (CursorWord, StepsWrapWithinTheGroup)
{
    CursorWord w (8, 1);
    w.moveCursor (0, true, false, true);
    EXPECT_EQ (w.cursor (0), 7) << "backward from channel 0 goes to the group's last channel";
    w.moveCursor (0, true, true, true);
    EXPECT_EQ (w.cursor (0), 0) << "forward from the last wraps when asked";
    w.setCursor (0, 7);
    w.moveCursor (0, true, true, false);
    EXPECT_EQ (w.cursor (0), 7) << "and stays on the last channel when not";

    CursorWord two (8, 2);
    two.moveCursor (1, true, false, true);
    EXPECT_EQ (two.cursor (1), 7) << "group 1 is [4, 8)";
    two.setCursor (1, -5);
    EXPECT_EQ (two.cursor (1), CursorWord::none);
}

TEST (CursorWord, ShrinkAndGrowMoveTheSplitUntilAGroupIsEmpty)
{
    CursorWord w (8, 2);
    w.setCursor (0, 3);
    for (int i = 0; i < 3; ++i)
        w.moveCursor (1, false, false, true); // shrink: group 1 gains
    expectWord (w, { 0, 1, 1, 8 });
    w.moveCursor (1, false, false, true);
    expectWord (w, { CursorWord::none, 0, 0, 8 });
    w.moveCursor (1, false, false, true);
    expectWord (w, { CursorWord::none, 0, 0, 8 }); // nothing left to shrink

    for (int i = 0; i < 7; ++i)
        w.moveCursor (1, false, true, true); // grow: group 1 gives channels back
    expectWord (w, { 0, 7, 7, 8 });
    w.moveCursor (1, false, true, true);
    expectWord (w, { 0, CursorWord::none, 8, 8 });
    w.moveCursor (1, false, true, true);
    expectWord (w, { 0, CursorWord::none, 8, 8 });
}

TEST (CursorWord, PlaceAfterAdvancesWithinTheGroupAndResetReturnsHome)
{
    CursorWord w (8, 2);
    w.placeCursorAfter (0, 2, true);
    EXPECT_EQ (w.cursor (0), 3);
    w.placeCursorAfter (0, 3, true);
    EXPECT_EQ (w.cursor (0), 3) << "the group's last channel holds";
    w.placeCursorAfter (1, 5, false);
    EXPECT_EQ (w.cursor (1), 5);

    w.resetCursors();
    EXPECT_EQ (w.cursor (0), 0);
    EXPECT_EQ (w.cursor (1), 4);
    EXPECT_EQ (CursorWord::byteOf (w.getShown(), 0), CursorWord::none) << "the view re-places its buttons";
}
