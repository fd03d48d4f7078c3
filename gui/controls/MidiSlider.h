// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiCommands.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A slider (0 to 127 in whole steps) that is also a continuous MIDI command: a loop channel's
    or a bus's volume (a vertical slider) or a loop channel's pan (a rotary knob). The mouse and a
    controller both write the command's latest value, the audio thread writes a changed value into
    the mixer's holder it is given (setTarget), and the GUI tick moves the slider to a value MIDI
    set. A double click returns it to its default. While a learn request is pending the mouse
    cannot move it. [message] */
class MidiSlider final
    : public juce::Slider
    , public MidiCommands::ControlChangeListener
    , private juce::Slider::Listener
{
public:
    enum class Kind
    {
        volume,      // full volume by default
        panOrBalance // centred by default
    };

    MidiSlider (const juce::String& commandName, Kind kind);
    ~MidiSlider() override;

    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;

protected:
    [[nodiscard]] int shownValue() const override { return int (getValue()); }
    void showValue (int value) override { setValue (value, juce::sendNotificationSync); }

private:
    void sliderValueChanged (juce::Slider* slider) override;

    bool dragSuppressed = false;
};

} // namespace Work
