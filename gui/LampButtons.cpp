// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LampButtons.h"

#include "ColourPalette.h"
#include "Drawing.h"

namespace Work
{

namespace
{
    const juce::Colour orange (0xffffa500), green (0xff008000), red (0xffff0000), yellow (0xffffff00);
} // namespace

LampButton::LampButton (const juce::String& commandName, VarnoloLooper& looperToUse, bool shareable, bool follows,
                        FlashMode flashMode, Lamp lampToDraw, juce::String labelText)
    : ToggleImageButton (commandName, shareable, follows, flashMode)
    , looper (looperToUse)
    , lamp (lampToDraw)
    , label (std::move (labelText))
{
}

void LampButton::createImages()
{
    const auto& palette = Drawing::palette();
    const auto w = float (getWidth()), h = float (getHeight());

    auto picture = [&] (bool on, bool highlighted) {
        auto image = Drawing::backgroundImage (getWidth(), getHeight());
        juce::Graphics g (image);

        juce::ColourGradient fill;
        if (! on)
            fill = Drawing::litGradient (w, h, lamp.colour.interpolatedWith (palette.background, lamp.offCentre),
                                         lamp.colour.interpolatedWith (palette.background, lamp.offEdge));
        else if (lamp.round)
        {
            fill = Drawing::litGradient (w, h, juce::Colours::white, red);
            fill.addColour (0.1, yellow);
        }
        else
            fill = Drawing::litGradient (w, h, lamp.colour.interpolatedWith (yellow, lamp.onCentre), lamp.colour,
                                         lamp.colour.interpolatedWith (yellow, lamp.onMiddle));

        g.setGradientFill (fill);
        if (lamp.round)
            g.fillRoundedRectangle (0.1f * w, 0.1f * w, 0.8f * w, 0.8f * w, 0.4f * w);
        else
            g.fillRoundedRectangle (0.1f * w, 0.1f * h, 0.8f * w, 0.8f * h, 0.15f * w);

        Drawing::drawButtonFrame (g, getWidth(), getHeight(), highlighted ? palette.highlight : palette.foreground);

        g.setColour (palette.background);
        g.setFont (juce::Font (Drawing::textHeight (lamp.labelHeight, w), juce::Font::bold));
        g.drawFittedText (label, 0, 0, getWidth(), getHeight(), juce::Justification::centred, 1, 0.01f);
        return image;
    };

    setPictures (picture (false, false), picture (false, true), picture (true, false), picture (true, true));
}

void LampButton::resized()
{
    Drawing::noteTextHeight (*this, Drawing::textHeight (lamp.labelHeight, float (getWidth())));
}

MuteButton::MuteButton (VarnoloLooper& l, int channelIndex)
    : LampButton ("Mute " + juce::String (channelIndex + 1), l, true, true, FlashMode::always,
                  { orange, 0.5f, 0.6f, 0.8f, 0.2f }, "M")
    , channel (channelIndex)
{
}

void MuteButton::execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept
{
    looper.post ({ CommandCode::mute, channel, std::int32_t (mode), 0, timeMs });
}

SoloButton::SoloButton (VarnoloLooper& l, int channelIndex)
    : LampButton ("Solo " + juce::String (channelIndex + 1), l, true, true, FlashMode::always,
                  { green, 0.4f, 0.6f, 1.0f, 0.4f }, "S")
    , channel (channelIndex)
{
}

void SoloButton::execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept
{
    looper.post ({ CommandCode::solo, channel, std::int32_t (mode), 0, timeMs });
}

MixBusSelectorButton::MixBusSelectorButton (VarnoloLooper& l, const juce::String& busName, int channelIndex, int busIndex)
    : LampButton ("Loop " + juce::String (channelIndex + 1) + " To Bus " + busName, l, true, false, FlashMode::notWhileOff,
                  { Drawing::palette().backgroundLight, 0.4f, 0.6f, 1.0f, 0.4f }, busName)
    , channel (channelIndex)
    , bus (busIndex)
{
}

void MixBusSelectorButton::execute (MidiCommands::ToggleMode, std::int64_t timeMs) noexcept
{
    looper.post ({ CommandCode::mixBus, channel, bus, 0, timeMs });
}

ToMainButton::ToMainButton (VarnoloLooper& l, int busIndex)
    : LampButton ("Bus " + juce::String (2 * busIndex - 1) + "-" + juce::String (2 * busIndex) + " To Main", l, false, true,
                  FlashMode::always, { orange, 0.5f, 0.6f, 0.8f, 0.2f }, "Main")
    , bus (busIndex - 1)
{
}

void ToMainButton::requestOff()
{
    guiSetState (juce::Time::currentTimeMillis(), false);
}

void ToMainButton::execute (MidiCommands::ToggleMode mode, std::int64_t timeMs) noexcept
{
    looper.post ({ CommandCode::toMain, bus, std::int32_t (mode), 0, timeMs });
}

PunchInOutButton::PunchInOutButton (VarnoloLooper& l, int inputBusToUse, int channels, int cursorIndex)
    : LampButton ("Punch In Out " + juce::String (cursorIndex + 1) + " " + juce::String (inputBusToUse + 1), l, false, false,
                  FlashMode::always, { red, 0.3f, 0.5f, 0.0f, 0.0f, true, 0.26f }, "Rec")
    , inputBus (inputBusToUse)
    , channelCount (channels)
    , cursor (cursorIndex)
{
}

void PunchInOutButton::execute (MidiCommands::ToggleMode, std::int64_t timeMs) noexcept
{
    looper.post ({ CommandCode::punch, inputBus, channelCount, cursor, timeMs });
}

void PunchInOutButton::shownStateChanged (bool on)
{
    if (onRecordingShown)
        onRecordingShown (on);
}

} // namespace Work
