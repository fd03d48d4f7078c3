// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "LampButtons.h"
#include "LoopChannelsComponent.h"
#include "MidiSliders.h"
#include "VumeterComponent.h"
#include "audio/MainAudio.h"

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

    /** Re-reads the bus's effect chain. */
    void refresh (const MainAudio& audio);

    /** The text shown for an effect name: names longer than 12 characters end after 10, with "..". */
    [[nodiscard]] static juce::String shortened (const juce::String& name);

    [[nodiscard]] const juce::String& getText() const noexcept { return text; }
    void paint (juce::Graphics& g) override;
    void resized() override;

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
    MixBusComponent (VarnoloLooper& looper, const MeterImages& images, int busIndex, bool showName);

    /** Laid out like loop strip 0, so the bus lines up with the loop strips. */
    void layoutLike (const LoopChannelComponent& strip, int unit, int loopViewHeight);
    void connectCommands (CommandWiring& wiring);
    void linkMixerChannel (MixerChannel* channel);
    void paint (juce::Graphics& g) override;

    [[nodiscard]] VolumeSlider& getVolumeSlider() noexcept { return *volume; }
    [[nodiscard]] EffectButton& getEffectButton() noexcept { return *effect; }
    [[nodiscard]] ToMainButton* getToMainButton() noexcept { return toMain.get(); }
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const { return { left.get(), right.get() }; }

private:
    const MeterImages& images;
    std::unique_ptr<VolumeSlider> volume;
    std::unique_ptr<EffectButton> effect;
    std::unique_ptr<ToMainButton> toMain;
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
    MixBusesComponent (VarnoloLooper& looper, const MeterImages& images, int count);

    void layoutLike (const LoopChannelComponent& strip, int unit, int loopViewHeight);

    /** The view's width with strips stripWidth wide beside a loop view loopViewHeight high. */
    [[nodiscard]] int widthFor (int stripWidth, int loopViewHeight) const noexcept;

    void connectCommands (CommandWiring& wiring);
    void linkMixerChannels (MixerChannelSet* busChannels);

    /** Every bus volume back to full, as an incoming controller would set it. */
    void resetVolumes();

    /** Every effect display re-reads its chain. */
    void refreshEffects (const MainAudio& audio);

    /** Asks for bus's to-main switch to turn off, by the usual command road. */
    void requestToMainOff (int bus);

    /** Shows bus's to-main switch on or off. */
    void setToMainShown (int bus, bool on);

    [[nodiscard]] int getNumBuses() const noexcept { return int (buses.size()); }
    [[nodiscard]] MixBusComponent& getBus (int i) noexcept { return *buses[std::size_t (i)]; }

    /** Every meter, two per bus in bus order, for the engine's output meter list. */
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const;

private:
    std::vector<std::unique_ptr<MixBusComponent>> buses;
};

} // namespace Work
