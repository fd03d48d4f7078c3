// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "gui/controls/ArrowButton.h"
#include "gui/controls/LabelledButton.h"

#include <memory>

namespace Work
{

/** Starts or stops the transport (1003): a green play triangle, bright while the looper runs. */
class StartStopButton final : public SimpleImageButton
{
public:
    StartStopButton();

    /** [message] The looper's running flag; redraws when it changes. */
    void setRunning (bool shouldShowRunning);
    [[nodiscard]] bool isRunning() const noexcept { return running; }

    void createImages() override;
    void resetToDefault() override;

private:
    bool running = false;
};

/** The transport's other buttons, each a looper command and a label or an arrow: what they post
    and how they look, as data. The names given are the commands' names in MIDI mappings. */
namespace TransportButtons
{
    /** Starts from stopped, or restarts the cycle while playing (1004). */
    [[nodiscard]] std::unique_ptr<LabelledButton> playResync();

    /** Asks to reset every loop (1015); the confirmation window holds an emphasised one. */
    [[nodiscard]] std::unique_ptr<LabelledButton> resetLoops (const juce::String& commandName, bool emphasised);

    /** Asks to show the play list (1019), on the confirmation window. */
    [[nodiscard]] std::unique_ptr<LabelledButton> showPlayList (const juce::String& commandName, bool emphasised);

    /** Mute, solo and bus routing back to their defaults (1031). */
    [[nodiscard]] std::unique_ptr<LabelledButton> resetMix();

    /** Erases the loop channel under a record cursor (1029). */
    [[nodiscard]] std::unique_ptr<LabelledButton> eraseChannel (int cursorIndex);

    /** Doubles the cycle (1007). */
    [[nodiscard]] std::unique_ptr<LabelledButton> multiplyDuration();

    /** Adds the add amount to the cycle (1008); its label shows the amount (addDurationLabel). */
    [[nodiscard]] std::unique_ptr<LabelledButton> addDuration();
    [[nodiscard]] LabelledButton::Label addDurationLabel (int amount);

    /** Records the next loops free of the cycle, or back locked to it (1020). */
    [[nodiscard]] std::unique_ptr<LabelledButton> freeLoops();

    /** Steps the length of the next loop through the divisions down to depth (1021). */
    [[nodiscard]] std::unique_ptr<LabelledButton> loopDivision (int depth);

    /** Taps the beat for the MIDI clock (1030); its label shows the tapped tempo (tapTempoLabel). */
    [[nodiscard]] std::unique_ptr<LabelledButton> tapTempo();
    [[nodiscard]] LabelledButton::Label tapTempoLabel (int tempoMilliBpm);

    /** Undoes the last layer (1001), redoes the last undone one (1002): lit while possible. */
    [[nodiscard]] std::unique_ptr<ArrowButton> undo();
    [[nodiscard]] std::unique_ptr<ArrowButton> redo();

    /** Plays the loops backwards or forwards (1009 with the request's mode). */
    [[nodiscard]] std::unique_ptr<ArrowButton> playbackDirection();
} // namespace TransportButtons

} // namespace Work
