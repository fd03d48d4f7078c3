// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "TransportComponent.h"

namespace Work
{

template <typename Button>
std::unique_ptr<Button> TransportComponent::shown (bool wanted, std::unique_ptr<Button> button)
{
    if (! wanted)
        return nullptr;

    addAndMakeVisible (*button);
    ++buttonCount;
    return button;
}

TransportComponent::TransportComponent (const MainSettings& settings, bool withTapTempo)
{
    namespace Make = TransportButtons;
    const auto durations = settings.durationButtonsMode.getIndex();
    const auto division = settings.loopDivisionMode.getIndex();

    resetLoops = shown (true, Make::resetLoops ("Reset Loops", false));
    resetMix = shown (settings.showResetMixButton.isOn(), Make::resetMix());
    startStop = shown (true, std::make_unique<StartStopButton>());
    multiplyDuration = shown (durations % 2 == 0, Make::multiplyDuration());
    addDuration = shown (durations >= 1, Make::addDuration());
    undo = shown (true, Make::undo());
    redo = shown (true, Make::redo());
    changePlaybackDirection = shown (true, Make::playbackDirection());
    nonRhythmicalLoops = shown (settings.showNonRhythmicalLoopsButton.isOn(), Make::freeLoops());
    playResync = shown (settings.showPlayResyncButton.isOn(), Make::playResync());
    loopDivision = shown (division != 0, Make::loopDivision (division));
    eraseChannel = shown (settings.showEraseChannelButton.isOn(), Make::eraseChannel (0));
    tapTempo = shown (withTapTempo, Make::tapTempo());
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

void TransportComponent::show (const LooperView& view, std::int64_t nowMs)
{
    startStop->setRunning (view.state.playing);
    changePlaybackDirection->showState (view.state.reversed, nowMs);
    undo->showState (view.state.canUndo, nowMs);
    redo->showState (view.state.canRedo, nowMs);

    if (addDuration != nullptr)
        addDuration->setLabel (TransportButtons::addDurationLabel (view.state.addAmount));
    if (tapTempo != nullptr)
        tapTempo->setLabel (TransportButtons::tapTempoLabel (view.tappedTempoMilliBpm));
}

} // namespace Work
