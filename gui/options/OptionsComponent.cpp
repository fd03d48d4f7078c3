// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OptionsComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    /** A choice box bound to an option's Value: it offers the option's texts and stores the
        chosen text, which is what the settings file keeps. */
    juce::PropertyComponent* choiceFor (Setting& option)
    {
        // An option without choices is a number typed in.
        if (option.getChoices().isEmpty())
        {
            auto* field = new juce::TextPropertyComponent (option.getValue(), option.getLabel(), 9, false);
            field->setName (option.getLabel());
            return field;
        }

        juce::Array<juce::var> texts;
        for (const auto& text : option.getChoices())
            texts.add (text);

        auto* box = new juce::ChoicePropertyComponent (option.getValue(), option.getLabel(), option.getChoices(), texts);
        box->setName (option.getLabel());
        return box;
    }

    juce::Array<juce::PropertyComponent*> choicesFor (std::initializer_list<Setting*> options)
    {
        juce::Array<juce::PropertyComponent*> boxes;
        for (auto* option : options)
            boxes.add (choiceFor (*option));
        return boxes;
    }
} // namespace

MainSettingsPropertyPanel::MainSettingsPropertyPanel (MainSettings& s)
{
    addSection ("Recording and the cursor", choicesFor ({ &s.advanceCursorAfterRecording, &s.cursorFollowsUndoRedo,
                                                          &s.inputMonitoring, &s.handOverRecordingOnMove }));
    addSection ("Transport buttons",
                choicesFor ({ &s.showEraseChannelButton, &s.showResetMixButton, &s.showPlayResyncButton,
                              &s.durationButtonsMode, &s.showNonRhythmicalLoopsButton, &s.loopDivisionMode }));
    addSection ("MIDI controllers", choicesFor ({ &s.controllersFlipToggles }));
    addSection ("Memory for recording", choicesFor ({ &s.sampleMemoryMb }));
    addSection ("Remote control (OSC)", choicesFor ({ &s.oscServer, &s.oscPort, &s.oscAddress }));
    addSection ("Link (tempo shared on the network)",
                choicesFor ({ &s.linkSession, &s.linkQuantiseMainLoop, &s.linkStartStopSync }));
}

AudioSettingsPropertyPanel::AudioSettingsPropertyPanel (MainSettings& s)
{
    addSection ("MIDI", choicesFor ({ &s.midiRepeatFilterMs }));
    addSection ("Timing", choicesFor ({ &s.latencyOffsetMs }));
}

AudioSelectorComponent::AudioSelectorComponent (juce::AudioDeviceManager& devices, int numInputs, int numOutputs,
                                                std::unique_ptr<AudioSettingsPropertyPanel> panelToUse)
    : panel (std::move (panelToUse))
{
    // Every MIDI input is opened with the device, so there is no list of them to tick; the MIDI
    // output choice is where the MIDI clock goes.
    selector = std::make_unique<juce::AudioDeviceSelectorComponent> (devices, 0, numInputs, 0, numOutputs, false, true,
                                                                     false, false);
    addAndMakeVisible (*selector);

    if (panel != nullptr)
        addAndMakeVisible (*panel);

    setSize (600, 400);
}

AudioSelectorComponent::~AudioSelectorComponent()
{
    selector = nullptr;
    panel = nullptr;
}

void AudioSelectorComponent::resized()
{
    const auto w = getWidth(), h = getHeight();

    if (panel != nullptr)
    {
        selector->setBounds (8, 8, w - 16, h - 116);
        panel->setBounds (8, h - 108, w - 16, 100);
    }
    else
    {
        selector->setBounds (8, 8, w - 16, h - 16);
    }
}

void AudioSelectorComponent::paint (juce::Graphics& g)
{
    g.fillAll (Drawing::palette().background);
}

OptionsComponent::OptionsComponent (MainSettings& settingsToUse, juce::AudioDeviceManager& devices, int numInputs,
                                    int numOutputs)
    : juce::TabbedComponent (juce::TabbedButtonBar::TabsAtTop)
    , settings (settingsToUse)
{
    general = std::make_unique<MainSettingsPropertyPanel> (settings);
    addTab (generalTabName, juce::Colour (255, 165, 0), general.get(), false);

    audio = std::make_unique<AudioSelectorComponent> (devices, numInputs, numOutputs,
                                                      std::make_unique<AudioSettingsPropertyPanel> (settings));
    addTab (audioTabName, juce::Colour (245, 245, 220), audio.get(), false);

    // Dark names on the light tabs.
    getTabbedButtonBar().setColour (juce::TabbedButtonBar::tabTextColourId, juce::Colours::black.withAlpha (0.6f));
    getTabbedButtonBar().setColour (juce::TabbedButtonBar::frontTextColourId, juce::Colours::black);
    setSize (700, 670);

    // From here on every change of an option rebuilds the main window's content.
    settings.setOptionsDialogOpen (true);
}

OptionsComponent::~OptionsComponent()
{
    settings.storeAll();
    settings.setOptionsDialogOpen (false);
    clearTabs();

    if (onClosed)
        onClosed();
    audio = nullptr;
    general = nullptr;
}

} // namespace Work
