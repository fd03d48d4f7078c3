// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ArrowButtons.h"
#include "CommandWiring.h"
#include "TransportButtons.h"
#include "settings/MainSettings.h"

#include <memory>
#include <vector>

namespace Work
{

/** The row of buttons that drive the looper as a whole. Which buttons exist is read from the
    settings once, when the row is built (a changed option rebuilds the whole screen); the
    start/stop, reset-loops, undo, redo and direction buttons always exist.

    The row is laid out for a button size chosen by the main component: square buttons side by
    side with small gaps, the tap button in the first of three reserved places (the other two
    kept empty), half a button of room at the end.
    It shows the engine's state as the looper's GUI pass reports it. [message] */
class TransportComponent final : public juce::Component
{
public:
    /** With a tempo source, the first reserved place holds the tap button. */
    TransportComponent (const MainSettings& settings, VarnoloLooper& looper, TapTempo* tempo = nullptr);
    ~TransportComponent() override;

    [[nodiscard]] static int gapFor (int buttonSize) noexcept { return std::min (int (0.1f * float (buttonSize)), 2); }
    [[nodiscard]] int widthForButtonSize (int size) const noexcept;
    [[nodiscard]] int heightForButtonSize (int size) const noexcept { return size + 2 * gapFor (size); }
    void layoutForButtonSize (int size);

    /** Connects every button's command (the confirmation window's buttons come with them). */
    void connectCommands (CommandWiring& wiring);

    // What the looper's GUI pass shows here; each is applied only when it changed.
    void setRunning (bool running);
    void setReversed (bool reversed);
    void setUndoPossible (bool possible);
    void setRedoPossible (bool possible);
    void setAddAmount (int amount);

    [[nodiscard]] int getButtonCount() const noexcept { return buttonCount; }

    /** The buttons in row order, for tests and the screen's geometry. */
    [[nodiscard]] std::vector<juce::Component*> getButtonsInRowOrder() const;

    StartStopButton& getStartStopButton() noexcept { return *startStop; }
    ResetLoopsButton& getResetLoopsButton() noexcept { return *resetLoops; }
    UndoButton& getUndoButton() noexcept { return *undo; }
    RedoButton& getRedoButton() noexcept { return *redo; }
    ChangePlaybackDirectionButton& getDirectionButton() noexcept { return *changePlaybackDirection; }
    AddDurationButton* getAddDurationButton() noexcept { return addDuration.get(); }
    TapTempoButton* getTapTempoButton() noexcept { return tapTempo.get(); }

private:
    template <typename Button, typename... Args>
    std::unique_ptr<Button> make (bool wanted, Args&&... args);

    std::unique_ptr<AddDurationButton> addDuration;
    std::unique_ptr<EraseChannelButton> eraseChannel;
    std::unique_ptr<TapTempoButton> tapTempo; // the first reserved place
    std::unique_ptr<LoopDivision1234Button> loopDivision;
    std::unique_ptr<MultiplyDurationButton> multiplyDuration;
    std::unique_ptr<ResetLoopsButton> resetLoops;
    std::unique_ptr<ResetMixButton> resetMix;
    std::unique_ptr<StartStopButton> startStop;
    std::unique_ptr<UndoButton> undo;
    std::unique_ptr<RedoButton> redo;
    std::unique_ptr<ChangePlaybackDirectionButton> changePlaybackDirection;
    std::unique_ptr<SimpleImageButton> extraButton2, extraButton3; // reserved, empty
    std::unique_ptr<NonRhythmicalLoopsButton> nonRhythmicalLoops;
    std::unique_ptr<PlayResyncButton> playResync;
    int buttonCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransportComponent)
};

} // namespace Work
