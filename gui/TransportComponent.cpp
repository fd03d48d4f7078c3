// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "TransportComponent.h"

namespace Work
{

template <typename Button, typename... Args>
std::unique_ptr<Button> TransportComponent::make (bool wanted, Args&&... args)
{
    if (! wanted)
        return nullptr;

    auto button = std::make_unique<Button> (std::forward<Args> (args)...);
    addAndMakeVisible (*button);
    ++buttonCount;
    return button;
}

TransportComponent::TransportComponent (const MainSettings& settings, VarnoloLooper& looper, TapTempo* tempo)
{
    const auto durations = settings.durationButtonsMode.getIndex();
    const auto division = settings.loopDivisionMode.getIndex();

    resetLoops = make<ResetLoopsButton> (true, "Reset Loops", looper, false);
    resetMix = make<ResetMixButton> (settings.showResetMixButton.isOn(), looper);
    startStop = make<StartStopButton> (true, looper);
    multiplyDuration = make<MultiplyDurationButton> (durations % 2 == 0, looper);
    addDuration = make<AddDurationButton> (durations >= 1, looper);
    undo = make<UndoButton> (true, looper);
    redo = make<RedoButton> (true, looper);
    changePlaybackDirection = make<ChangePlaybackDirectionButton> (true, looper);
    nonRhythmicalLoops = make<NonRhythmicalLoopsButton> (settings.showNonRhythmicalLoopsButton.isOn(), looper);
    playResync = make<PlayResyncButton> (settings.showPlayResyncButton.isOn(), looper);
    loopDivision = make<LoopDivision1234Button> (division != 0, looper, division);
    eraseChannel = make<EraseChannelButton> (settings.showEraseChannelButton.isOn(), looper, 0);

    if (tempo != nullptr)
        tapTempo = make<TapTempoButton> (true, looper, *tempo);
}

TransportComponent::~TransportComponent() = default;

int TransportComponent::widthForButtonSize (int size) const noexcept
{
    return size * buttonCount + gapFor (size) * (buttonCount + 1) + size / 2;
}

std::vector<juce::Component*> TransportComponent::getButtonsInRowOrder() const
{
    std::vector<juce::Component*> row;
    for (juce::Component* button : std::initializer_list<juce::Component*> {
             startStop.get(), playResync.get(), resetLoops.get(), resetMix.get(), redo.get(), undo.get(), eraseChannel.get(),
             tapTempo.get(), multiplyDuration.get(), addDuration.get(), changePlaybackDirection.get(),
             nonRhythmicalLoops.get(), loopDivision.get(), extraButton2.get(), extraButton3.get() })
        if (button != nullptr)
            row.push_back (button);
    return row;
}

void TransportComponent::layoutForButtonSize (int size)
{
    const auto gap = gapFor (size);
    setSize (widthForButtonSize (size), heightForButtonSize (size));

    int k = 0;
    auto place = [&] (auto* button, int extraX) {
        if (button == nullptr)
            return;
        button->setSizeAndCreateImages (size, size);
        button->setTopLeftPosition (gap + k * (size + gap) + extraX, gap);
        ++k;
    };

    place (startStop.get(), 0);
    place (playResync.get(), 0);
    place (resetLoops.get(), 0);
    place (resetMix.get(), 0);
    place (redo.get(), 0);
    place (undo.get(), 0);
    place (eraseChannel.get(), 0);
    place (tapTempo.get(), 0);
    place (multiplyDuration.get(), 0);
    place (addDuration.get(), 0);
    place (changePlaybackDirection.get(), 0);
    place (nonRhythmicalLoops.get(), 0);
    place (loopDivision.get(), 0);
    place (extraButton2.get(), size / 2);
    place (extraButton3.get(), size / 2);
}

void TransportComponent::connectCommands (CommandWiring& wiring)
{
    auto connect = [&wiring] (auto* button) {
        if (button != nullptr)
            wiring.connect (*button);
    };

    connect (resetLoops.get());
    connect (resetMix.get());
    connect (startStop.get());
    connect (multiplyDuration.get());
    connect (addDuration.get());
    connect (undo.get());
    connect (redo.get());
    connect (changePlaybackDirection.get());
    connect (nonRhythmicalLoops.get());
    connect (playResync.get());
    connect (loopDivision.get());
    connect (eraseChannel.get());
    connect (tapTempo.get());
}

void TransportComponent::setRunning (bool running)
{
    startStop->setRunning (running);
}

void TransportComponent::setReversed (bool reversed)
{
    changePlaybackDirection->state = reversed;
}

void TransportComponent::setUndoPossible (bool possible)
{
    undo->state = possible;
}

void TransportComponent::setRedoPossible (bool possible)
{
    redo->state = possible;
}

void TransportComponent::setAddAmount (int amount)
{
    if (addDuration != nullptr)
        addDuration->setAmount (amount);
}

} // namespace Work
