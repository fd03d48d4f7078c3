// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiCommands.h"
#include "mixer/ParameterHolders.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A slider (0 to 127 in whole steps) that is also a continuous MIDI command: the mouse and a
    controller both write the command's latest value, the audio thread applies a changed value
    before the next block, and the GUI tick moves the slider to a value MIDI set. A double click
    returns it to its default. While a learn request is pending the mouse cannot move it.
    [message], except applyValue() [audio] */
class MidiSlider
    : public juce::Slider
    , public MidiCommands::ControlChangeListener
    , private juce::Slider::Listener
{
public:
    MidiSlider (const juce::String& commandName, bool shareable, int initialValue);
    ~MidiSlider() override;

    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;

protected:
    void applyValue (int) noexcept override {}
    [[nodiscard]] int shownValue() const override { return int (getValue()); }
    void showValue (int value) override { setValue (value, juce::sendNotificationSync); }

private:
    void sliderValueChanged (juce::Slider* slider) override;

    bool dragSuppressed = false;
};

/** A loop channel's or bus's volume: a vertical slider writing the mixer's volume holder. */
class VolumeSlider final : public MidiSlider
{
public:
    explicit VolumeSlider (const juce::String& commandName);

    /** [message, no block running] The mixer's holder, or null. */
    void setEngineTarget (ControlChangeVolumeListener* holder) noexcept { target = holder; }

private:
    void applyValue (int value) noexcept override
    {
        if (target != nullptr)
            target->setVolume (value);
    }

    ControlChangeVolumeListener* target = nullptr;
};

/** A loop channel's pan (a mono source) or balance (stereo): a rotary knob writing the mixer's
    pan holder. */
class PanOrBalanceSlider final : public MidiSlider
{
public:
    explicit PanOrBalanceSlider (const juce::String& commandName);

    /** [message, no block running] The mixer's holder, or null. */
    void setEngineTarget (ControlChangePanOrBalanceListener* holder) noexcept { target = holder; }

private:
    void applyValue (int value) noexcept override
    {
        if (target != nullptr)
            target->setPanOrBalance (value);
    }

    ControlChangePanOrBalanceListener* target = nullptr;
};

} // namespace Work
