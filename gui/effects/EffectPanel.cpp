// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "EffectPanel.h"

#include "gui/controls/LearnClick.h"
#include "gui/look/Drawing.h"

#include <cmath>

namespace Work
{

namespace
{
    /** A slider whose popup click asks to learn MIDI for it instead of moving it. */
    struct LearnableSlider final : juce::Slider
    {
        LearnableSlider()
            : juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::TextBoxRight)
        {
        }

        void mouseDown (const juce::MouseEvent& e) override
        {
            if (LearnClick::isPopupClick (e))
            {
                if (onLearn)
                    onLearn();
                return;
            }
            juce::Slider::mouseDown (e);
        }

        std::function<void()> onLearn;
    };
} // namespace

EffectPanel::EffectPanel (Lv2Effect& effectToShow)
    : effect (effectToShow)
{
    bypass.setName ("Bypass");
    bypass.setToggleState (effect.isBypassed(), juce::dontSendNotification);
    bypass.onClick = [this] {
        effect.setBypassed (bypass.getToggleState());
        if (onChange)
            onChange();
    };
    addAndMakeVisible (bypass);

    latency.setName ("Latency");
    latency.setText (effect.getLatency() > 0 ? "Latency: " + juce::String (effect.getLatency()) + " samples"
                                             : juce::String(),
                     juce::dontSendNotification);
    addAndMakeVisible (latency);

    const auto& controls = effect.getInfo().controls;
    for (int c = 0; c < int (controls.size()); ++c)
    {
        const auto& port = controls[std::size_t (c)];
        const auto name = juce::String::fromUTF8 (port.name.c_str());
        Row row;
        row.label = std::make_unique<juce::Label> (name + " label", name);

        if (port.toggled)
        {
            auto toggle = std::make_unique<juce::ToggleButton> (name);
            toggle->setToggleState (effect.getControl (c) > 0.0f, juce::dontSendNotification);
            toggle->onClick = [this, c, t = toggle.get()] { changed (c, t->getToggleState() ? 1.0f : 0.0f); };
            row.editor = std::move (toggle);
        }
        else if (! port.scalePoints.empty() && port.integer)
        {
            auto list = std::make_unique<juce::ComboBox> (name);
            for (std::size_t p = 0; p < port.scalePoints.size(); ++p)
                list->addItem (juce::String::fromUTF8 (port.scalePoints[p].second.c_str()), int (p) + 1);
            for (std::size_t p = 0; p < port.scalePoints.size(); ++p)
                if (port.scalePoints[p].first == effect.getControl (c))
                    list->setSelectedId (int (p) + 1, juce::dontSendNotification);
            list->onChange = [this, c, l = list.get(), points = port.scalePoints] {
                if (const auto id = l->getSelectedId(); id > 0)
                    changed (c, points[std::size_t (id - 1)].first);
            };
            row.editor = std::move (list);
        }
        else
        {
            auto slider = std::make_unique<LearnableSlider>();
            slider->onLearn = [this, c] {
                if (onLearn)
                    onLearn (c);
            };
            row.slider = slider.get();
            slider->setName (name);
            slider->setRange (port.minimum, port.maximum, port.integer ? 1.0 : 0.0);
            if (port.logarithmic && port.minimum > 0.0f)
                slider->setSkewFactorFromMidPoint (std::sqrt (double (port.minimum) * double (port.maximum)));
            slider->setNumDecimalPlacesToDisplay (port.integer ? 0 : 2);
            slider->setTextValueSuffix (port.unit.empty() ? juce::String()
                                                          : " " + juce::String::fromUTF8 (port.unit.c_str()));
            slider->setValue (effect.getControl (c), juce::dontSendNotification);
            slider->onValueChange = [this, c, s = slider.get()] { changed (c, float (s->getValue())); };
            row.editor = std::move (slider);
        }

        addAndMakeVisible (*row.label);
        addAndMakeVisible (*row.editor);
        rows.push_back (std::move (row));
    }

    setSize (520, rowHeight * (int (rows.size()) + 2) + 16);
    startTimer (100);
}

void EffectPanel::timerCallback()
{
    for (int c = 0; c < int (rows.size()); ++c)
        if (auto* slider = rows[std::size_t (c)].slider; slider != nullptr && ! slider->isMouseButtonDown())
            if (const auto value = double (effect.getControl (c)); std::abs (slider->getValue() - value) > 1.0e-6)
                slider->setValue (value, juce::dontSendNotification);
}

void EffectPanel::changed (int control, float value)
{
    effect.setControl (control, value);
    if (onControlMoved)
        onControlMoved (control, value);
    if (onChange)
        onChange();
}

void EffectPanel::resized()
{
    auto area = getLocalBounds().reduced (8);
    auto top = area.removeFromTop (rowHeight);
    bypass.setBounds (top.removeFromLeft (160));
    latency.setBounds (top);
    area.removeFromTop (rowHeight / 2);

    for (auto& row : rows)
    {
        auto line = area.removeFromTop (rowHeight);
        row.label->setBounds (line.removeFromLeft (180));
        row.editor->setBounds (line.reduced (0, 3));
    }
}

void EffectPanel::paint (juce::Graphics& g)
{
    // Framed, so that on the same dark background it never melts into the screen behind it.
    const auto& palette = Drawing::palette();
    g.fillAll (palette.background);
    g.setColour (palette.foreground);
    g.drawRect (getLocalBounds(), 2);
}

} // namespace Work
