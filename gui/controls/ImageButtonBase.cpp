// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "ImageButtonBase.h"

#include "LearnClick.h"

namespace Work
{

void installButtonImages (juce::ImageButton& button, const juce::Image& normal, const juce::Image& over,
                          const juce::Image& down)
{
    const auto none = juce::Colours::transparentBlack;
    button.setImages (false, false, false, normal, 1.0f, none, over, 1.0f, none, down, 1.0f, none, 0.0f);
}

ImageButtonBase::ImageButtonBase (const juce::String& commandName, FlashMode mode)
    : juce::ImageButton (commandName)
    , flashMode (mode)
{
}

void ImageButtonBase::setSizeAndCreateImages (int width, int height)
{
    if (width != getWidth() || height != getHeight())
    {
        picturesStale = true;
        setSize (width, height);
        repaint();
    }
}

void ImageButtonBase::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    if (picturesStale && getWidth() > 0 && getHeight() > 0)
    {
        picturesStale = false;
        createImages();
    }

    juce::ImageButton::paintButton (g, highlighted, down);
}

void ImageButtonBase::mouseDown (const juce::MouseEvent& e)
{
    if (LearnClick::handle (getCommand(), e))
        return;

    trigger();
    juce::ImageButton::mouseDown (e);
}

void ImageButtonBase::setFaces (Faces off, Faces onFacesToUse)
{
    offFaces = std::move (off);
    onFaces = std::move (onFacesToUse);
    install();
}

void ImageButtonBase::install()
{
    const bool exempt = on ? flashMode == FlashMode::notWhileOn : flashMode == FlashMode::notWhileOff;
    const bool lit = flashing && ! exempt;
    const auto& faces = on ? onFaces : offFaces;

    shownPicture = (on ? 2 : 0) + (lit ? 1 : 0);
    if (lit)
        installButtonImages (*this, faces.flash, faces.flash, faces.flash);
    else
        installButtonImages (*this, faces.rest, faces.hover, faces.hover);
}

void ImageButtonBase::showFlashing (bool shouldBeOn, std::int64_t nowMs)
{
    // The pictures follow the state at once, also when a flash was still running.
    on = shouldBeOn;
    flashStart = nowMs;
    flashing = true;
    install();
}

void ImageButtonBase::endFlashIfDue (std::int64_t nowMs)
{
    if (flashing && nowMs - flashStart > flashMs)
    {
        flashing = false;
        install();
    }
}

} // namespace Work
