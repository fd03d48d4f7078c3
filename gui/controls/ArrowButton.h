// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandButtons.h"

namespace Work
{

/** An on/off button with an arrow picture: undo and redo light while the engine can undo or
    redo; the direction button's U-turn shows which way the loops play. The state comes from the
    looper's status, never from the press; what the button posts is data. [message] */
class ArrowButton final : public ToggleImageButton
{
public:
    enum class Arrow
    {
        undo,
        redo,
        uTurn
    };

    ArrowButton (const juce::String& commandName, LooperCommand action, ModeField modeField, bool followsControllerValue,
                 FlashMode flashMode, Arrow arrow);

    void createImages() override;

    /** The arrow in the square of side size, fitted as its pictures draw it. */
    [[nodiscard]] static juce::Path arrowPath (Arrow arrow, bool on, float size);

private:
    Arrow arrow;
};

} // namespace Work
