// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "EffectScan.h"
#include "audio/EngineRuntime.h"
#include "gui/effects/EffectControlCommand.h"
#include "session/BusEffectImage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

namespace Work
{

/** The output bus's effect slot as the performer uses it: a click opens the chooser (the
    plug-ins the scan found sound, the blocked ones greyed with the reason, "Scan again"), a
    plug-in chosen is made and activated here, on the message thread, and put on the bus under
    the device's callback gate; its panel opens at once and again on a click on the slot. The
    effect (its URI, bypass and control values) is kept in the settings file and put back when
    the engine is built again.

    Each control of the effect is also a MIDI command (EffectControlCommand), learnt by a popup
    click on its slider, connected while the effect is on the bus.

    The first click scans, in a thread of its own that runs the probe (EffectScan), and opens the
    chooser when it is done; the screen stays live meanwhile. [message] */
class BusEffects final
{
public:
    BusEffects (EngineRuntime& engine, juce::PropertiesFile& settings);
    ~BusEffects();

    /** The engine was just built and its device opened: the kept effect goes back on the bus. */
    void restore();

    /** The engine is going: the effect's MIDI commands leave the device and the MIDI tables, and
        its panel closes. The settings keep the effect. */
    void release();

    /** A click on the slot: the panel when an effect runs, else the chooser. */
    void slotClicked (juce::Component& slot);

    /** The chooser, over slot. */
    void showChooser (juce::Component& slot);

    /** Told after the bus's effect changed (to show its name). */
    std::function<void()> onChange;

    /** Told a text for the performer (the scan, a plug-in that failed). */
    std::function<void (const juce::String&)> onNotice;

    /** A control of the panel asks to learn a MIDI controller (a popup click on it). */
    std::function<void (MidiCommands::MidiGuiListener& command, MidiCommandKind kind)> onLearn;

    /** The effect on the bus as a session keeps it, or none. */
    [[nodiscard]] std::optional<BusEffectImage> image() const;

    /** Puts the effect of an image on the bus in place of the one there (none: takes it off).
        An effect that cannot be made is said on the notice line and the bus is left as it was. */
    void useImage (const std::optional<BusEffectImage>& image);

    /** The effect on the bus, or null. */
    [[nodiscard]] Lv2Effect* current() const noexcept;

    static constexpr const char* settingsKey = "busEffect";

private:
    void use (const BusEffectImage& image);
    void remove();
    void install (std::unique_ptr<Lv2Effect> effect);
    void showPanel();
    void keep();
    void scanThenShow (juce::Component& slot, bool again);

    EngineRuntime& engine;
    juce::PropertiesFile& settings;
    std::unique_ptr<juce::DocumentWindow> panel;
    std::vector<std::unique_ptr<EffectControlCommand>> commands; // one per control of the effect
    std::shared_ptr<bool> alive = std::make_shared<bool> (true);
    bool scanning = false;
};

} // namespace Work
