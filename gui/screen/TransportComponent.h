// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "TransportButtons.h"
#include "engine/LooperView.h"
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
    It shows the engine's state as the screen's view of the engine holds it. [message] */
class TransportComponent final : public juce::Component
{
public:
    /** With a tempo source, the first reserved place holds the tap button. */
    TransportComponent (const MainSettings& settings, bool withTapTempo);
    ~TransportComponent() override;

    [[nodiscard]] static int gapFor (int buttonSize) noexcept { return std::min (int (0.1f * float (buttonSize)), 2); }
    [[nodiscard]] int widthForButtonSize (int size) const noexcept;
    [[nodiscard]] int heightForButtonSize (int size) const noexcept { return size + 2 * gapFor (size); }
    void layoutForButtonSize (int size);

    /** Connects every button's command (the confirmation window's buttons come with them). */
    void connectCommands (CommandWiring& wiring);

    /** [message] Once per GUI tick: running, direction, undo and redo, the add amount and the
        tapped tempo, each redrawn only when it changed. */
    void show (const LooperView& view, std::int64_t nowMs);

    [[nodiscard]] int getButtonCount() const noexcept { return buttonCount; }

    /** The buttons in row order, for tests and the screen's geometry. */
    [[nodiscard]] std::vector<juce::Component*> getButtonsInRowOrder() const;

    StartStopButton& getStartStopButton() noexcept { return *startStop; }
    LabelledButton& getResetLoopsButton() noexcept { return *resetLoops; }
    ArrowButton& getUndoButton() noexcept { return *undo; }
    ArrowButton& getRedoButton() noexcept { return *redo; }
    ArrowButton& getDirectionButton() noexcept { return *changePlaybackDirection; }
    LabelledButton* getAddDurationButton() noexcept { return addDuration.get(); }
    LabelledButton* getTapTempoButton() noexcept { return tapTempo.get(); }

private:
    template <typename Button>
    std::unique_ptr<Button> shown (bool wanted, std::unique_ptr<Button> button);

    std::unique_ptr<LabelledButton> addDuration;
    std::unique_ptr<LabelledButton> eraseChannel;
    std::unique_ptr<LabelledButton> tapTempo; // the first reserved place
    std::unique_ptr<LabelledButton> loopDivision;
    std::unique_ptr<LabelledButton> multiplyDuration;
    std::unique_ptr<LabelledButton> resetLoops;
    std::unique_ptr<LabelledButton> resetMix;
    std::unique_ptr<StartStopButton> startStop;
    std::unique_ptr<ArrowButton> undo;
    std::unique_ptr<ArrowButton> redo;
    std::unique_ptr<ArrowButton> changePlaybackDirection;
    std::unique_ptr<SimpleImageButton> extraButton2, extraButton3; // reserved, empty
    std::unique_ptr<LabelledButton> nonRhythmicalLoops;
    std::unique_ptr<LabelledButton> playResync;
    int buttonCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransportComponent)
};

} // namespace Work
