// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/GuiTimerClient.h"
#include "engine/LockFreeFifo.h"
#include "engine/LooperView.h"
#include "gui/controls/LampButton.h"
#include "midi/MidiGuiManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <functional>
#include <memory>

namespace Work
{

/** A small lamp for MIDI traffic. As an activity light it jumps to its lit colour at every
    burst of messages and fades to rest within fadeMs; as a state light it stays lit while its
    state is on and fades out after. Pulses arrive on the MIDI thread through a lock-free queue;
    everything else runs on the GUI tick. [message], except pulse() [midi] and setState() [any] */
class MidiLight final : public juce::Component
{
public:
    enum class Mode
    {
        activity,
        state
    };

    static constexpr int fadeMs = 600;

    MidiLight (Mode mode, juce::Colour lit, juce::Colour rest);

    /** [midi] One more message; a full queue drops it, the light still flashes. */
    void pulse() noexcept { pulses.push (0); }

    /** [any] The state a state light shows. */
    void setState (bool on) noexcept { requestedState.store (on, std::memory_order_relaxed); }

    /** [message] Follows the pulses or the state; called on every GUI tick. */
    void update (std::int64_t nowMs);

    [[nodiscard]] juce::Colour getCurrentColour() const noexcept { return current; }
    void paint (juce::Graphics& g) override;

private:
    void show (juce::Colour colour);

    LockFreeFifo<int> pulses { 64 };
    std::atomic<bool> requestedState { false };
    juce::Colour current, lit, rest;
    std::int64_t lastPulse;
    Mode mode;
    bool fading = false, shownState = false;
};

/** The MIDI panel of the main screen: the input light, which flashes on every message that is
    not filtered; the output light, lit while the MIDI clock output is switched on (a click
    switches it off or on); the clock's tempo and its beats per bar (a click chooses them); the
    Link lamp (a command like any other, learnable by MIDI), lit while the program is in a Link
    session, with the other programs it counts there. Joined, the tempo shown is the session's.
    Tooltips say what each part shows. [message], except midiMessageArrived() [midi] */
class MidiComponent final
    : public juce::Component
    , public GuiTimerClient
    , public MidiGuiManager::MidiInputCallbackNotificationClient
    , public juce::TooltipClient
{
public:
    MidiComponent();

    /** [midi] */
    void midiMessageArrived() noexcept override { input.pulse(); }

    /** [any] Whether the clock output is switched on, as the output light shows it. */
    void setOutputState (bool on) noexcept { output.setState (on); }

    /** The tempo, in thousandths of a beat per minute (0: none yet), and the beats per bar. */
    void showTempo (int tempoMilliBpm);
    void showBeatsPerBar (int beatsPerBar);

    /** [message] Once per GUI tick: the tempo, the beats per bar the clock took, and whether its
        output is switched on. */
    void show (const LooperView& view);

    /** A click on the output light; on the beats per bar, with the number chosen. */
    std::function<void()> onOutputClicked;
    std::function<void (int)> onBeatsPerBarChosen;

    [[nodiscard]] juce::String getTempoText() const { return tempoLabel.getText(); }
    [[nodiscard]] juce::String getBeatsPerBarText() const { return beatsLabel.getText(); }

    /** Sized from the height the screen asks for: a third of it wide. */
    void layoutForHeight (int height);

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void paint (juce::Graphics& g) override;
    void resized() override;
    void mouseDown (const juce::MouseEvent& e) override;
    juce::String getTooltip() override;

    /** The Link lamp, for the screen to connect as a command. */
    [[nodiscard]] LampButton& getLinkButton() noexcept { return *linkButton; }
    [[nodiscard]] juce::String getLinkText() const { return linkLabel.getText(); }

    [[nodiscard]] MidiLight& getInputLight() noexcept { return input; }
    [[nodiscard]] MidiLight& getOutputLight() noexcept { return output; }

private:
    void chooseBeatsPerBar();

    MidiLight input, output;
    std::unique_ptr<LampButton> linkButton;
    juce::Label title, inLabel, outLabel, tempoLabel, beatsLabel, linkLabel;
    int beatsPerBar = 4;
};

} // namespace Work
