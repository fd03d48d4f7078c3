// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiCommands.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** A square button of the performance screen, drawn from pictures made in code, that is also a
    MIDI command: what every image button shares, whatever its command.

    Its pictures are drawn for its size just before it first paints at that size, so a layout that
    tries several sizes draws only the last. It has two states (a momentary button stays in the
    off one) and three faces per state: at rest, under the mouse, and flashing. It never shows a
    press, only what the engine did: a flash of flashMs when a momentary command ran or a state
    changed, except in the state the flash mode exempts. A left press queues the command at once,
    as a MIDI message would; a popup click arms MIDI learn or explains it (LearnClick).
    [message] */
class ImageButtonBase : public juce::ImageButton
{
public:
    static constexpr int flashMs = 180;

    enum class FlashMode
    {
        always = 0,      // flash in both states
        notWhileOff = 1, // no flash when turning off
        notWhileOn = 2   // no flash when turning on
    };

    ImageButtonBase (const juce::String& commandName, FlashMode flashMode);

    /** Queues the button's command exactly as a left click does. */
    virtual void trigger() = 0;

    /** The MIDI command the button is. */
    [[nodiscard]] virtual MidiCommands::MidiGuiListener& getCommand() noexcept = 0;

    /** Sizes the button; its pictures are drawn for that size before it next paints. */
    void setSizeAndCreateImages (int width, int height);

    /** Draws the pictures at the button's size and installs them with setFaces. */
    virtual void createImages() = 0;

    void mouseDown (const juce::MouseEvent& e) override;
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override;

    [[nodiscard]] bool isFlashing() const noexcept { return flashing; }

    /** The picture shown at rest, for tests: 0 off, 1 off lit, 2 on, 3 on lit. */
    [[nodiscard]] int getShownPicture() const noexcept { return shownPicture; }

protected:
    /** The pictures of one state. */
    struct Faces
    {
        juce::Image rest, hover, flash;
    };

    /** Installs the pictures of both states and shows the current one. */
    void setFaces (Faces off, Faces on);

    /** [message] Shows state on, flashing from nowMs unless the flash mode exempts that state;
        a flash already running starts afresh. */
    void showFlashing (bool on, std::int64_t nowMs);

    /** [message] Ends a flash that has lasted longer than flashMs; called on every GUI tick. */
    void endFlashIfDue (std::int64_t nowMs);

private:
    void install();

    bool picturesStale = true; // nothing drawn yet
    Faces offFaces, onFaces;
    FlashMode flashMode;
    std::int64_t flashStart = 0;
    bool flashing = false, on = false;
    int shownPicture = 0;
};

/** Installs pictures on an image button: opacity 1, no overlay, every pixel hits. */
void installButtonImages (juce::ImageButton& button, const juce::Image& normal, const juce::Image& over,
                          const juce::Image& down);

} // namespace Work
