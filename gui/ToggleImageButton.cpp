// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ToggleImageButton.h"

#include "LearnClick.h"
#include "SimpleImageButton.h"

namespace Work
{

ToggleImageButton::ToggleImageButton (const juce::String& commandName, bool shareable, bool followsControllerValue,
                                      FlashMode mode)
    : juce::ImageButton (commandName)
    , MidiCommands::ToggleCommand (commandName.toStdString(), shareable, followsControllerValue)
    , flashMode (mode)
{
    ownerComponent = this;
}

void ToggleImageButton::trigger()
{
    guiToggled (juce::Time::currentTimeMillis());
}

void ToggleImageButton::setSizeAndCreateImages (int width, int height)
{
    if (width != getWidth() || height != getHeight())
    {
        picturesStale = true;
        setSize (width, height);
        repaint();
    }
}

void ToggleImageButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    if (picturesStale && getWidth() > 0 && getHeight() > 0)
    {
        picturesStale = false;
        createImages();
    }

    juce::ImageButton::paintButton (g, highlighted, down);
}

void ToggleImageButton::mouseDown (const juce::MouseEvent& e)
{
    if (LearnClick::handle (*this, e))
        return;

    trigger();
    juce::ImageButton::mouseDown (e);
}

void ToggleImageButton::setPictures (juce::Image off, juce::Image offHighlighted, juce::Image on, juce::Image onHighlighted)
{
    offImage = std::move (off);
    offHighlightedImage = std::move (offHighlighted);
    onImage = std::move (on);
    onHighlightedImage = std::move (onHighlighted);
    showState (flashing);
}

void ToggleImageButton::showState (bool flash)
{
    const bool on = getShownState();
    const bool exempt = on ? flashMode == FlashMode::notWhileOn : flashMode == FlashMode::notWhileOff;
    const bool lit = flash && ! exempt;
    const auto& normal = on ? (lit ? onHighlightedImage : onImage) : (lit ? offHighlightedImage : offImage);
    const auto& over = on ? onHighlightedImage : offHighlightedImage;

    shownPicture = (on ? 2 : 0) + (lit ? 1 : 0);
    installButtonImages (*this, normal, over, over);
}

void ToggleImageButton::guiTimerCallback (std::int64_t nowMs, int elapsedMs)
{
    if (flashing && nowMs - flashStart > flashMs)
    {
        flashing = false;
        showState (false);
    }

    MidiCommands::ToggleCommand::guiTimerCallback (nowMs, elapsedMs);
}

void ToggleImageButton::guiFeedback (std::int64_t nowMs)
{
    // The pictures always follow the new state at once, also when a flash was still running.
    shownStateChanged (getShownState());
    flashStart = nowMs;
    flashing = true;
    showState (true);
}

} // namespace Work
