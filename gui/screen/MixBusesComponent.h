// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "LoopChannelsComponent.h"
#include "engine/LooperView.h"
#include "gui/controls/LampButton.h"
#include "gui/controls/MidiSlider.h"
#include "gui/controls/VumeterComponent.h"

#include <functional>
#include <memory>
#include <vector>

namespace Work
{

/** Shows what effects a bus runs: a fixed text while it has none, the effect's name for one,
    the count for several. [message] */
class EffectButton final : public juce::Component
{
public:
    explicit EffectButton (int busIndex);

    /** The names of the effects the bus runs, in order; none: the fixed text. */
    void showEffects (const juce::StringArray& names);

    /** The text shown for an effect name: names longer than 12 characters end after 10, with "..". */
    [[nodiscard]] static juce::String shortened (const juce::String& name);

    [[nodiscard]] const juce::String& getText() const noexcept { return text; }
    void paint (juce::Graphics& g) override;
    void resized() override;
    void mouseUp (const juce::MouseEvent& event) override;

    /** A click: the effects of the bus are to be chosen. */
    std::function<void()> onClick;

private:
    juce::String text;
    bool hasEffects = false;
    int busIndex;
};

/** One output bus: its two meters, its volume, its effects and, for every bus but the main one,
    the switch that folds it into the main bus. [message] */
class MixBusComponent final : public juce::Component
{
public:
    MixBusComponent (const MeterImages& images, int busIndex, bool showName);

    /** Laid out like loop strip 0, so the bus lines up with the loop strips. */
    void layoutLike (const LoopChannelComponent& strip, int unit, int loopViewHeight);
    void connectCommands (CommandWiring& wiring);
    void linkMixerChannel (MixerChannel* channel);
    void paint (juce::Graphics& g) override;

    [[nodiscard]] MidiSlider& getVolumeSlider() noexcept { return *volume; }
    [[nodiscard]] EffectButton& getEffectButton() noexcept { return *effect; }
    [[nodiscard]] LampButton* getToMainButton() noexcept { return toMain.get(); }
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const { return { left.get(), right.get() }; }

private:
    const MeterImages& images;
    std::unique_ptr<MidiSlider> volume;
    std::unique_ptr<EffectButton> effect;
    std::unique_ptr<LampButton> toMain;
    std::unique_ptr<VumeterComponent> left, right;
    int windowWidth = 0, windowHeight = 0;
    int busIndex;
    bool showName;
};

/** The output buses beside the loop strips: buses 1 and up first, the main bus 0 last, a little
    apart. [message] */
class MixBusesComponent final : public juce::Component
{
public:
    MixBusesComponent (const MeterImages& images, int count);

    void layoutLike (const LoopChannelComponent& strip, int unit, int loopViewHeight);

    /** The view's width with strips stripWidth wide beside a loop view loopViewHeight high. */
    [[nodiscard]] int widthFor (int stripWidth, int loopViewHeight) const noexcept;

    void connectCommands (CommandWiring& wiring);
    void linkMixerChannels (MixerChannelSet* busChannels);

    /** Every bus volume back to full, as an incoming controller would set it. */
    void resetVolumes();

    /** Each bus's effect names, in bus order. */
    void showEffects (const std::vector<juce::StringArray>& namesPerBus);

    /** Asks for bus's to-main switch to turn off, by the usual command road. */
    void requestToMainOff (int bus);

    /** [message] Once per GUI tick: each bus's switch to the main bus as the engine has it. */
    void show (const LooperView& view, std::int64_t nowMs);

    [[nodiscard]] int getNumBuses() const noexcept { return int (buses.size()); }
    [[nodiscard]] MixBusComponent& getBus (int i) noexcept { return *buses[std::size_t (i)]; }

    /** Every meter, two per bus in bus order, for the engine's output meter list. */
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const;

private:
    std::vector<std::unique_ptr<MixBusComponent>> buses;
};

} // namespace Work
