// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "effects/Lv2Effect.h"
#include "midi/MidiCommands.h"

#include <atomic>

namespace Work
{

/** A bus effect's control as a MIDI command, so a controller learnt for it moves it: named
    "Bus Effect " and the control's symbol (so a learnt controller stays with the control across
    runs and across plug-ins that share the symbol). A controller value 0 to 127 spans the
    control's range (along its logarithmic scale when it has one; on from 64 for an on/off
    control) and reaches the effect at the start of the next block. Moves on the panel go to the
    effect directly; the command follows them (followPanel). [midi, audio, message as its base] */
class EffectControlCommand final : public MidiCommands::ControlChangeListener
{
public:
    EffectControlCommand (Lv2Effect& effect, int control);

    /** [audio] Hands a changed controller value to the effect. */
    void preAudioCallback() noexcept override;

    /** [message] The panel set the control to value: at the next block the command takes the
        controller value nearest it as its own without handing it on, so the next controller value
        that differs from it moves the control, and the panel's finer value stays. */
    void followPanel (float value) noexcept;

    void guiFeedback (std::int64_t) override {}

    /** The control's value for a controller value, and the controller value nearest a value. */
    [[nodiscard]] static float valueFor (const Lv2ControlPort& port, int controllerValue) noexcept;
    [[nodiscard]] static int controllerValueFor (const Lv2ControlPort& port, float value) noexcept;

protected:
    [[nodiscard]] int shownValue() const override { return getLatestValue(); }
    void showValue (int) override {}

private:
    Lv2Effect& effect;
    int control;
    static constexpr int noneFromPanel = -1;
    int applied;                                  // [audio] the controller value the effect last had
    std::atomic<int> fromPanel { noneFromPanel }; // nearest the panel's last move, until a block takes it
};

} // namespace Work
