// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiCommands.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A square button for a momentary command, drawn from three pictures made in code.

    A left press queues the command at once (on the press, not the release), as a MIDI message
    would; the audio thread runs it before the next block, and the next GUI tick flashes the
    pressed picture for flashMs. A popup click arms MIDI learn or explains it (LearnClick).
    Subclasses draw their pictures in createImages() and run their looper command in execute().
    [message], except execute() [audio] */
class SimpleImageButton
    : public juce::ImageButton
    , public MidiCommands::SimpleCommand
{
public:
    static constexpr int flashMs = 180;

    explicit SimpleImageButton (const juce::String& commandName, bool shareable = false);

    /** Queues the command exactly as a left click does. */
    virtual void trigger();

    /** Sizes the button; its pictures are drawn for that size before it next paints, so a
        layout that tries several sizes draws only the last. */
    virtual void setSizeAndCreateImages (int width, int height);

    /** Draws the pictures at the button's size and installs them with setPictures. */
    virtual void createImages() = 0;

    void mouseDown (const juce::MouseEvent& e) override;
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override;
    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void guiFeedback (std::int64_t nowMs) override;

    [[nodiscard]] bool isFlashing() const noexcept { return flashing; }

protected:
    void setPictures (juce::Image normal, juce::Image highlighted, juce::Image pressed);

private:
    void install (const juce::Image& normal, const juce::Image& over, const juce::Image& down);

    bool picturesStale = true; // nothing drawn yet
    juce::Image normalImage, highlightedImage, pressedImage;
    std::int64_t flashStart = 0;
    bool flashing = false;
};

/** Installs pictures on an image button: opacity 1, no overlay, every pixel hits. */
void installButtonImages (juce::ImageButton& button, const juce::Image& normal, const juce::Image& over,
                          const juce::Image& down);

} // namespace Work
