// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "PunchButton.h"

namespace Work
{

std::unique_ptr<LampButton> makePunchButton (int inputBus, int channelCount, int cursorIndex)
{
    return std::make_unique<LampButton> (
        LampButton::Definition { "Punch In Out " + juce::String (cursorIndex + 1) + " " + juce::String (inputBus + 1),
                                 { CommandCode::punch, inputBus, channelCount, cursorIndex },
                                 LampButton::ModeField::none,
                                 false,
                                 false,
                                 LampButton::FlashMode::always,
                                 { juce::Colour (0xffff0000), 0.3f, 0.5f, 0.0f, 0.0f, true, 0.26f },
                                 "Rec" });
}

} // namespace Work
