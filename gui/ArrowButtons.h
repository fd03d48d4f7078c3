// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ToggleImageButton.h"
#include "engine/VarnoloLooper.h"

namespace Work
{

/** The transport's on/off buttons with arrow pictures: undo and redo light while the engine can
    undo or redo; the direction button shows which way the loops play. Their state comes from
    the looper's status, never from the press. */

/** A toggle whose command posts one looper command; the mode of the request goes in first
    when the command takes one. */
class ArrowButton : public ToggleImageButton
{
public:
    enum class Arrow
    {
        undo,
        redo,
        uTurn
    };

    ArrowButton (const juce::String& commandName, VarnoloLooper& looper, std::int32_t commandCode, bool sendsMode,
                 bool followsControllerValue, FlashMode flashMode, Arrow arrow);

    void createImages() override;

    /** The arrow in the square of side size, fitted as its pictures draw it. */
    [[nodiscard]] static juce::Path arrowPath (Arrow arrow, bool on, float size);

private:
    void execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept override;

    VarnoloLooper& looper;
    std::int32_t commandCode;
    bool sendsMode;
    Arrow arrow;
};

/** Undoes the last layer (1001); lit while undo is possible. */
class UndoButton final : public ArrowButton
{
public:
    explicit UndoButton (VarnoloLooper& looper);
};

/** Redoes the last undone layer (1002); lit while redo is possible. */
class RedoButton final : public ArrowButton
{
public:
    explicit RedoButton (VarnoloLooper& looper);
};

/** Plays the loops backwards or forwards (1009 with the request's mode). */
class ChangePlaybackDirectionButton final : public ArrowButton
{
public:
    explicit ChangePlaybackDirectionButton (VarnoloLooper& looper);
};

} // namespace Work
