// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "app/MainAppWindow.h"

#include <gtest/gtest.h>

using Work::MainAppWindow;

TEST (MainAppWindow, InitialSizeIsMostOfTheDisplayButNeverBelowTheMinimum)
{
    struct Case
    {
        int w, h, expectedW, expectedH;
    };

    for (auto c : { Case { 1024, 768, 981, 736 }, Case { 700, 500, 800, 600 }, Case { 1920, 1080, 1840, 1035 },
                    Case { 820, 500, 800, 600 }, Case { 900, 700, 862, 670 } })
    {
        const auto size = MainAppWindow::initialSizeFor ({ 0, 0, c.w, c.h });
        EXPECT_EQ (size.x, c.expectedW) << c.w << "x" << c.h;
        EXPECT_EQ (size.y, c.expectedH) << c.w << "x" << c.h;
    }
}
