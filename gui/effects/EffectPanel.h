// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "effects/Lv2Effect.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace Work
{

/** The controls of a bus effect, made from what the plug-in says of them: a slider for a value
    (logarithmic when the plug-in says so, in whole steps for whole numbers), a switch for an
    on/off control, a list for a control whose values all have names; the bypass switch and the
    latency above them. A change goes straight into the effect's control words (which the audio
    thread reads at the start of its next block), then to onChange. [message] */
class EffectPanel final
    : public juce::Component
    , private juce::Timer
{
public:
    /** The effect must outlive the panel. */
    explicit EffectPanel (Lv2Effect& effect);

    /** Told after every change, to keep it. */
    std::function<void()> onChange;

    /** Told a control the performer moved, with its new value. */
    std::function<void (int control, float value)> onControlMoved;

    /** A popup click (right button, or Ctrl) on a control's slider: learn a MIDI controller for
        that control. */
    std::function<void (int control)> onLearn;

    void resized() override;
    void paint (juce::Graphics& g) override;

    static constexpr int rowHeight = 32;

private:
    struct Row
    {
        std::unique_ptr<juce::Label> label;
        std::unique_ptr<juce::Component> editor;
        juce::Slider* slider = nullptr; // when the editor is one
    };

    void changed (int control, float value);

    /** Shows values that changed elsewhere (MIDI, OSC). */
    void timerCallback() override;

    Lv2Effect& effect;
    juce::ToggleButton bypass { "Bypass" };
    juce::Label latency;
    std::vector<Row> rows;
};

} // namespace Work
