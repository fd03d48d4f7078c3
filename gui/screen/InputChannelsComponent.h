// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "PunchButton.h"
#include "engine/LooperView.h"
#include "gui/controls/VumeterComponent.h"

#include <memory>
#include <vector>

namespace Work
{

/** One live input: its meter and the punch button that records it onto the loop channel under
    a cursor. The strip is drawn in the input's colour, red while the input records. [message] */
class InputChannelComponent final : public juce::Component
{
public:
    InputChannelComponent (const MeterImages& images, juce::Colour colour, bool mono, int inputBus, int cursorIndex);

    /** Sizes the strip width wide for the screen's unit. */
    void layoutFor (int width, int unit);
    void paint (juce::Graphics& g) override;

    [[nodiscard]] LampButton& getPunchButton() noexcept { return *punch; }
    [[nodiscard]] const std::vector<std::unique_ptr<VumeterComponent>>& getMeters() const noexcept { return meters; }
    [[nodiscard]] bool isRecording() const noexcept { return recording; }

private:
    const MeterImages& images;
    juce::Colour colour;
    std::vector<std::unique_ptr<VumeterComponent>> meters;
    std::unique_ptr<LampButton> punch;
    int windowWidth = 0, windowHeight = 0;
    bool recording = false;
};

/** The live inputs side by side, each with its punch button. [message] */
class InputChannelsComponent final : public juce::Component
{
public:
    InputChannelsComponent (MeterImages& images, int count, bool mono, int cursorIndex, int firstBus, bool framed);

    /** Lays the strips out stripWidth wide for the screen's unit; the meter pictures follow the
        unit. */
    void layoutFor (int unit, int stripWidth);
    void connectCommands (CommandWiring& wiring);
    void paint (juce::Graphics& g) override;

    /** [message] Once per GUI tick: each punch button lit while its input records. */
    void show (const LooperView& view, std::int64_t nowMs);

    [[nodiscard]] int getNumInputs() const noexcept { return int (inputs.size()); }
    [[nodiscard]] InputChannelComponent& getInput (int i) noexcept { return *inputs[std::size_t (i)]; }

    /** Every meter, in input order, for the engine's input meter list. */
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const;

private:
    MeterImages& images;
    std::vector<std::unique_ptr<InputChannelComponent>> inputs;
    int firstBus;
    bool framed;
};

} // namespace Work
