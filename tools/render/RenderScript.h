// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/LooperMessages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Work
{

/** A performance as text: one looper command per line, at a sample time.

    Format: `<sample> <command> [fields...]`, fields being whole numbers; `#` starts a comment;
    blank lines are skipped. Times never go backwards. Commands by name (or by code):

        punch <input bus> <channels> <cursor>    1000   undo 1001      redo 1002
        startstop 1003   resync 1004   multiply 1007   add 1008
        direction <mode> 1009      cursor <cursor> <forward> 1010   strip <channel> 1011
        mute <bus> <mode> 1012     solo <bus> <mode> 1013           mixbus <channel> <bus> 1014
        reset 1015   playlist 1019   freeloops 1020   division 1021
        tomain <bus> <mode> 1025   clockoff 1028                     erase <cursor> 1029
*/
struct ScriptCommand
{
    std::int64_t sample = 0;
    LooperCommand command;
    int line = 0;
};

struct ParsedScript
{
    std::vector<ScriptCommand> commands;
    std::string error; // "<line>: <what>", empty when the script is good
};

/** Reads a whole script; on the first bad line the commands are dropped and error says why. */
[[nodiscard]] ParsedScript parseRenderScript (const std::string& text);

} // namespace Work
