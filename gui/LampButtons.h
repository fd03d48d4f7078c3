// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "ToggleImageButton.h"
#include "engine/VarnoloLooper.h"

namespace Work
{

/** The small lamp-style toggles of the strips: a coloured lamp with a short label, dull while
    off, glowing towards yellow while on. They show the state the looper reports. */
class LampButton : public ToggleImageButton
{
public:
    /** How the lamp is lit: its colour and how far it is mixed towards the background (off) or
        yellow (on), at the centre and the edge. */
    struct Lamp
    {
        juce::Colour colour;
        float offCentre, offEdge, onCentre, onMiddle;
        bool round = false;       // a round lamp (the punch button) instead of a rounded square
        float labelHeight = 0.5f; // of the button's width
    };

    LampButton (const juce::String& commandName, VarnoloLooper& looper, bool shareable, bool followsControllerValue,
                FlashMode flashMode, Lamp lamp, juce::String label);

    void createImages() override;
    void resized() override;

protected:
    VarnoloLooper& looper;

private:
    Lamp lamp;
    juce::String label;
};

/** Mutes a loop channel (1012 with the request's mode). */
class MuteButton final : public LampButton
{
public:
    MuteButton (VarnoloLooper& looper, int channelIndex);

private:
    void execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept override;
    int channel;
};

/** Solos a loop channel (1013 with the request's mode). */
class SoloButton final : public LampButton
{
public:
    SoloButton (VarnoloLooper& looper, int channelIndex);

private:
    void execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept override;
    int channel;
};

/** Routes a loop channel onto a mix bus (1014). */
class MixBusSelectorButton final : public LampButton
{
public:
    MixBusSelectorButton (VarnoloLooper& looper, const juce::String& busName, int channelIndex, int busIndex);

private:
    void execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept override;
    int channel, bus;
};

/** Folds a mix bus into the main bus (1025 with the request's mode). */
class ToMainButton final : public LampButton
{
public:
    ToMainButton (VarnoloLooper& looper, int busIndex);

    /** [message] Queues a switch-off, as a click would, so the engine turns it off by the usual road. */
    void requestOff();

private:
    void execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept override;
    int bus;
};

/** Starts or stops a recording from an input onto the loop channel under a cursor (1000 with
    the press time); lit while that input records. */
class PunchInOutButton final : public LampButton
{
public:
    PunchInOutButton (VarnoloLooper& looper, int inputBus, int channelCount, int cursorIndex);

    /** Told when the shown recording state changes (the input strip turns red). */
    std::function<void (bool recording)> onRecordingShown;

private:
    void execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept override;
    void shownStateChanged (bool on) override;
    int inputBus, channelCount, cursor;
};

} // namespace Work
