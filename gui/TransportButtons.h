// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "MultipleImageButton.h"
#include "engine/VarnoloLooper.h"
#include "midi/TapTempo.h"

namespace Work
{

/** The transport's momentary buttons. Each posts one looper command when its command runs on
    the audio thread, and draws its pictures in code: a green play triangle for start/stop, a
    label for the others. The names given are the commands' names in MIDI mappings. */

/** Starts or stops the transport (1003); bright while the looper runs. */
class StartStopButton final : public MultipleImageButton
{
public:
    explicit StartStopButton (VarnoloLooper& looper);

    /** [message] The looper's running flag; redraws when it changes. */
    void setRunning (bool shouldShowRunning);
    [[nodiscard]] bool isRunning() const noexcept { return running; }

    void createImages() override;
    void resetToDefault() override;

private:
    void execute (std::int64_t timeMs) noexcept override;

    VarnoloLooper& looper;
    bool running = false;
};

/** A momentary button with a label of one or two lines that posts one looper command. */
class LabelledCommandButton : public SimpleImageButton
{
public:
    struct Label
    {
        juce::String first, second; // second empty: one line
    };

    LabelledCommandButton (const juce::String& commandName, VarnoloLooper& looper, LooperCommand command, Label label,
                           bool emphasised = false);

    void createImages() override;
    void resized() override;

    /** A new label, drawn at once. */
    void setLabel (Label newLabel);

protected:
    /** [audio] Posts the command with the press time. */
    void execute (std::int64_t timeMs) noexcept override;

    VarnoloLooper& looper;

private:
    LooperCommand command;
    Label label;
    bool emphasised;
};

/** Starts from stopped, or restarts the cycle while playing (1004). */
class PlayResyncButton final : public LabelledCommandButton
{
public:
    explicit PlayResyncButton (VarnoloLooper& looper);
};

/** Taps the beat for the MIDI clock: the tap is given to the tempo source on the audio thread,
    with the time of the press. Shows the tapped tempo under its name. */
class TapTempoButton final : public LabelledCommandButton
{
public:
    TapTempoButton (VarnoloLooper& looper, TapTempo& tempo);

    /** [message] The tempo to show, in thousandths of a beat per minute; 0 for none yet. */
    void showTempo (int tempoMilliBpm);

private:
    void execute (std::int64_t timeMs) noexcept override;

    TapTempo& tempo;
};

/** Asks to reset every loop (1015); the confirmation window holds an emphasised one. */
class ResetLoopsButton final : public LabelledCommandButton
{
public:
    ResetLoopsButton (const juce::String& commandName, VarnoloLooper& looper, bool emphasised);
};

/** Asks to show the play list (1019), on the confirmation window. */
class ShowPlayListButton final : public LabelledCommandButton
{
public:
    ShowPlayListButton (const juce::String& commandName, VarnoloLooper& looper, bool emphasised);
};

/** Mute, solo and bus routing back to their defaults: asked of the looper on the audio thread,
    run on the next GUI tick. */
class ResetMixButton final : public LabelledCommandButton
{
public:
    explicit ResetMixButton (VarnoloLooper& looper);

private:
    void execute (std::int64_t timeMs) noexcept override;
};

/** Erases the loop channel under a record cursor (1029). */
class EraseChannelButton final : public LabelledCommandButton
{
public:
    EraseChannelButton (VarnoloLooper& looper, int cursorIndex);
};

/** Doubles the cycle (1007). */
class MultiplyDurationButton final : public LabelledCommandButton
{
public:
    explicit MultiplyDurationButton (VarnoloLooper& looper);
};

/** Adds the add amount to the cycle (1008); shows the amount. */
class AddDurationButton final : public LabelledCommandButton
{
public:
    explicit AddDurationButton (VarnoloLooper& looper);

    /** [message] The amount the looper would add; 0 is shown as 1. */
    void setAmount (int amount);
    [[nodiscard]] int getAmount() const noexcept { return amount; }

private:
    int amount = 1;
};

/** Records the next loops free of the cycle, or back locked to it (1020). */
class NonRhythmicalLoopsButton final : public LabelledCommandButton
{
public:
    explicit NonRhythmicalLoopsButton (VarnoloLooper& looper);
};

/** Steps the length of the next loop through the divisions down to depth (1021). */
class LoopDivision1234Button final : public LabelledCommandButton
{
public:
    LoopDivision1234Button (VarnoloLooper& looper, int depth);
};

} // namespace Work
