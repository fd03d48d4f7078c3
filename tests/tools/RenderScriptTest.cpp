// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "RenderScript.h"

#include <gtest/gtest.h>

using Work::parseRenderScript;

TEST (RenderScript, ReadsCommandsByNameOrCodeAndSkipsComments)
{
    const auto script = parseRenderScript ("# a performance\n"
                                           "\n"
                                           "100 punch 0 1 0   # main loop\n"
                                           "100 1003\n"
                                           "  250   mute 2 1\n"
                                           "300 direction 2\n");
    ASSERT_TRUE (script.error.empty()) << script.error;
    ASSERT_EQ (script.commands.size(), 4u);
    EXPECT_EQ (script.commands[0].command.type, Work::CommandCode::punch);
    EXPECT_EQ (script.commands[0].command.second, 1);
    EXPECT_EQ (script.commands[0].command.time, 100);
    EXPECT_EQ (script.commands[1].command.type, Work::CommandCode::startStop);
    EXPECT_EQ (script.commands[2].sample, 250);
    EXPECT_EQ (script.commands[2].command.first, 2);
    EXPECT_EQ (script.commands[2].line, 5);
}

TEST (RenderScript, ABadLineStopsEverythingAndSaysWhere)
{
    struct Case
    {
        const char* text;
        const char* error;
    };

    for (auto c :
         { Case { "10 undo\n20 bogus\n", "2: unknown command 'bogus'" },
           Case { "10 punch 0 1\n", "1: punch takes 3 fields, not 2" },
           Case { "10 undo 4\n", "1: undo takes 0 fields, not 1" },
           Case { "10 undo\n5 redo\n", "2: time 5 goes back before 10" },
           Case { "ten undo\n", "1: 'ten' is not a sample time" }, Case { "-4 undo\n", "1: '-4' is not a sample time" },
           Case { "10 mute x 1\n", "1: field 'x' is not a whole number" },
           Case { "10\n", "1: a command is missing after the time" }, Case { "10 9999\n", "1: unknown command '9999'" } })
    {
        const auto script = parseRenderScript (c.text);
        EXPECT_EQ (script.error, c.error) << c.text;
        EXPECT_TRUE (script.commands.empty());
    }
}
