// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "gui/controls/LampButton.h"

#include <memory>

namespace Work
{

/** The punch button of an input strip: starts or stops a recording from input bus inputBus
    (channelCount channels) onto the loop channel under record cursor cursorIndex (1000, at the
    press's time). A round red lamp, lit while that input records. In MIDI mappings it is
    "Punch In Out <cursor> <input>", counted from 1. */
[[nodiscard]] std::unique_ptr<LampButton> makePunchButton (int inputBus, int channelCount, int cursorIndex);

} // namespace Work
