// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SimpleImageButton.h"

#include "LearnClick.h"

namespace Work
{

void installButtonImages (juce::ImageButton& button, const juce::Image& normal, const juce::Image& over,
                          const juce::Image& down)
{
    const auto none = juce::Colours::transparentBlack;
    button.setImages (false, false, false, normal, 1.0f, none, over, 1.0f, none, down, 1.0f, none, 0.0f);
}

SimpleImageButton::SimpleImageButton (const juce::String& commandName, bool shareable)
    : juce::ImageButton (commandName)
    , MidiCommands::SimpleCommand (commandName.toStdString(), shareable)
{
    ownerComponent = this;
}

void SimpleImageButton::trigger()
{
    guiTriggered (juce::Time::currentTimeMillis());
}

void SimpleImageButton::setSizeAndCreateImages (int width, int height)
{
    if (width != getWidth() || height != getHeight())
    {
        picturesStale = true;
        setSize (width, height);
        repaint();
    }
}

void SimpleImageButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    if (picturesStale && getWidth() > 0 && getHeight() > 0)
    {
        picturesStale = false;
        createImages();
    }

    juce::ImageButton::paintButton (g, highlighted, down);
}

void SimpleImageButton::mouseDown (const juce::MouseEvent& e)
{
    if (LearnClick::handle (*this, e))
        return;

    trigger();
    juce::ImageButton::mouseDown (e);
}

void SimpleImageButton::setPictures (juce::Image normal, juce::Image highlighted, juce::Image pressed)
{
    normalImage = std::move (normal);
    highlightedImage = std::move (highlighted);
    pressedImage = std::move (pressed);

    if (flashing)
        install (pressedImage, pressedImage, pressedImage);
    else
        install (normalImage, highlightedImage, highlightedImage);
}

void SimpleImageButton::install (const juce::Image& normal, const juce::Image& over, const juce::Image& down)
{
    installButtonImages (*this, normal, over, down);
}

void SimpleImageButton::guiTimerCallback (std::int64_t nowMs, int elapsedMs)
{
    if (flashing && nowMs - flashStart > flashMs)
    {
        install (normalImage, highlightedImage, highlightedImage);
        flashing = false;
    }

    MidiCommands::SimpleCommand::guiTimerCallback (nowMs, elapsedMs);
}

void SimpleImageButton::guiFeedback (std::int64_t nowMs)
{
    // A flash already running is extended from the latest execution.
    flashStart = nowMs;

    if (! flashing)
    {
        install (pressedImage, pressedImage, pressedImage);
        flashing = true;
    }
}

} // namespace Work
