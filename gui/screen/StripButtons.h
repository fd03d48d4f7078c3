// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "gui/controls/LampButton.h"

#include <memory>

namespace Work
{

/** The lamps of a loop channel's strip, and the buttons that move a record cursor: what they
    post and how they look, as data. The names given are the commands' names in MIDI mappings. */
namespace StripButtons
{
    /** Mutes a loop channel (1012 with the request's mode): orange. */
    [[nodiscard]] std::unique_ptr<LampButton> mute (int channelIndex);

    /** Solos a loop channel (1013 with the request's mode): green. */
    [[nodiscard]] std::unique_ptr<LampButton> solo (int channelIndex);

    /** Routes a loop channel onto a mix bus (1014). */
    [[nodiscard]] std::unique_ptr<LampButton> busSelector (const juce::String& busName, int channelIndex, int busIndex);

    /** Folds mix bus busIndex (from 1) into the main bus (1025 with the request's mode). */
    [[nodiscard]] std::unique_ptr<LampButton> toMain (int busIndex);
} // namespace StripButtons

/** Moves a record cursor one loop channel back or forward (1010): a block arrow. */
class DirectionCursorButton final : public SimpleImageButton
{
public:
    DirectionCursorButton (int cursorIndex, bool forward);
    void createImages() override;

private:
    bool forward;
};

} // namespace Work
