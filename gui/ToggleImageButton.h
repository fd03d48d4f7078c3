// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiCommands.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A square button for an on/off command, drawn from four pictures made in code.

    A left press queues a flip, as a MIDI message would; the audio thread runs it. The button
    never shows the request, only the state the engine reports (the command's state, written on
    the message thread): when that changes, the new state's highlighted picture flashes for
    flashMs, except in the state the flash mode exempts. A popup click arms MIDI learn or
    explains it (LearnClick). [message], except execute() [audio] */
class ToggleImageButton
    : public juce::ImageButton
    , public MidiCommands::ToggleCommand
{
public:
    static constexpr int flashMs = 180;

    enum class FlashMode
    {
        always = 0,      // flash in both states
        notWhileOff = 1, // no flash when turning off
        notWhileOn = 2   // no flash when turning on
    };

    ToggleImageButton (const juce::String& commandName, bool shareable, bool followsControllerValue, FlashMode flashMode);

    /** Queues a flip exactly as a left click does. */
    virtual void trigger();

    /** Sizes the button; its pictures are drawn for that size before it next paints, so a
        layout that tries several sizes draws only the last. */
    virtual void setSizeAndCreateImages (int width, int height);

    /** Draws the four pictures at the button's size and installs them with setPictures. */
    virtual void createImages() = 0;

    void mouseDown (const juce::MouseEvent& e) override;
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override;
    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void guiFeedback (std::int64_t nowMs) override;

    [[nodiscard]] bool isFlashing() const noexcept { return flashing; }

    /** The picture shown in the normal (not hovered) look, for tests: 0 off, 1 off highlighted,
        2 on, 3 on highlighted. */
    [[nodiscard]] int getShownPicture() const noexcept { return shownPicture; }

protected:
    void setPictures (juce::Image off, juce::Image offHighlighted, juce::Image on, juce::Image onHighlighted);

    /** Installs the pictures of the shown state; flash picks the highlighted one where allowed. */
    void showState (bool flash);

    /** Called when the shown state changes, before the pictures follow. */
    virtual void shownStateChanged (bool /*on*/) {}

private:
    bool picturesStale = true; // nothing drawn yet
    juce::Image offImage, offHighlightedImage, onImage, onHighlightedImage;
    FlashMode flashMode;
    std::int64_t flashStart = 0;
    bool flashing = false;
    int shownPicture = 0;
};

} // namespace Work
