// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <functional>

#include "settings/MainSettings.h"

#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace Work
{

/** The general options, one choice box per option, in three sections. */
class MainSettingsPropertyPanel final : public juce::PropertyPanel
{
public:
    explicit MainSettingsPropertyPanel (MainSettings& settings);
};

/** The two timing options (the MIDI repeat filter and the latency offset), one section each. */
class AudioSettingsPropertyPanel final : public juce::PropertyPanel
{
public:
    explicit AudioSettingsPropertyPanel (MainSettings& settings);
};

/** The framework's device selector for the engine's device, limited to the engine's channel
    counts, with the timing options below it. */
class AudioSelectorComponent final : public juce::Component
{
public:
    AudioSelectorComponent (juce::AudioDeviceManager& devices, int numInputs, int numOutputs,
                            std::unique_ptr<AudioSettingsPropertyPanel> panel);
    ~AudioSelectorComponent() override;

    void resized() override;
    void paint (juce::Graphics& g) override;

private:
    std::unique_ptr<juce::AudioDeviceSelectorComponent> selector;
    std::unique_ptr<AudioSettingsPropertyPanel> panel;
};

/** The options dialog's content: the general options in one tab, the audio device and timing
    in the other. While it exists the settings say the options dialog is open, so that every
    change rebuilds the main window's content with the new options; when it goes, every option
    and the device state are written to the settings file. [message] */
class OptionsComponent final : public juce::TabbedComponent
{
public:
    static constexpr const char* generalTabName = "Looper";
    static constexpr const char* audioTabName = "Audio and MIDI";

    /** devices: the engine's device manager, whose device the audio tab chooses. */
    OptionsComponent (MainSettings& settings, juce::AudioDeviceManager& devices, int numInputs, int numOutputs);
    ~OptionsComponent() override;

    /** Called as the dialog goes, after the options are stored: the device state is saved there. */
    std::function<void()> onClosed;

private:
    MainSettings& settings;
    std::unique_ptr<MainSettingsPropertyPanel> general;
    std::unique_ptr<AudioSelectorComponent> audio;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OptionsComponent)
};

} // namespace Work
