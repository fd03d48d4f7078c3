// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "LampButtons.h"
#include "VumeterComponent.h"

#include <memory>
#include <vector>

namespace Work
{

/** One live input: its meter and the punch button that records it onto the loop channel under
    a cursor. The strip is drawn in the input's colour, red while the input records. [message] */
class InputChannelComponent final : public juce::Component
{
public:
    InputChannelComponent (VarnoloLooper& looper, const MeterImages& images, juce::Colour colour, bool mono, int inputBus,
                           int cursorIndex);

    /** Sizes the strip width wide for the screen's unit. */
    void layoutFor (int width, int unit);
    void paint (juce::Graphics& g) override;

    [[nodiscard]] PunchInOutButton& getPunchButton() noexcept { return *punch; }
    [[nodiscard]] const std::vector<std::unique_ptr<VumeterComponent>>& getMeters() const noexcept { return meters; }
    [[nodiscard]] bool isRecording() const noexcept { return recording; }

private:
    const MeterImages& images;
    juce::Colour colour;
    std::vector<std::unique_ptr<VumeterComponent>> meters;
    std::unique_ptr<PunchInOutButton> punch;
    int windowWidth = 0, windowHeight = 0;
    bool recording = false;
};

/** The live inputs side by side, each with its punch button. [message] */
class InputChannelsComponent final : public juce::Component
{
public:
    InputChannelsComponent (VarnoloLooper& looper, MeterImages& images, int count, bool mono, int cursorIndex, int firstBus,
                            bool framed);

    /** Lays the strips out stripWidth wide for the screen's unit; the meter pictures follow the
        unit. */
    void layoutFor (int unit, int stripWidth);
    void connectCommands (CommandWiring& wiring);
    void paint (juce::Graphics& g) override;

    /** [message] The inputs the looper records, one bit per input bus. */
    void setRecordingInputs (std::uint32_t mask);

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
