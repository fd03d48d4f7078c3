// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/LooperView.h"
#include "gui/controls/FadeLabelComponent.h"
#include "gui/controls/OnOffLightComponent.h"

#include <memory>

namespace Work
{

/** The loop's progress as a ring filling clockwise from 12 o'clock, with the kind of the next
    loop written inside when it is not a whole cycle. It repaints only the quarter (or half) of
    the ring in which the progress moved. [message] */
class LoopCursorComponent final
    : public juce::Component
    , public GuiTimerClient
{
public:
    LoopCursorComponent();

    /** Progress in radians, 0 to 2 pi; drawn on the next tick. */
    void setAngle (float radians) noexcept { angle = juce::jlimit (0.0f, juce::MathConstants<float>::twoPi, radians); }

    /** The kind of the next loop and the multiplier the cycle kinds name. */
    void setMode (LoopKind kind, int multiplier);

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void paint (juce::Graphics& g) override;
    void resized() override;

    /** The text drawn inside the ring for a loop kind; empty for a whole cycle. */
    [[nodiscard]] static juce::String modeText (LoopKind kind, int multiplier);

    /** The region a step of the progress from one angle to another repaints. */
    [[nodiscard]] static juce::Rectangle<int> regionToRepaint (float from, float to, int width, int height) noexcept;

private:
    float angle = 0.0f, shownAngle = 0.0f;
    LoopKind mode = LoopKind::wholeCycle;
    int number = 1;
    static constexpr float innerRatio = 0.5f;
};

/** The loop panel: the progress ring, the cycle number and the multiplier in fading labels, and
    the running light. [message] */
class LoopInfoComponent final : public juce::Component
{
public:
    LoopInfoComponent();

    void layoutForUnit (int unit);

    /** The ring and both labels refresh on the GUI tick. */
    void connectTimerClients (std::function<void (GuiTimerClient&)> connect);

    /** [message] Once per GUI tick: the ring's progress and the next loop's kind, the cycle
        number and the multiplier (lit when they change), the running light. */
    void show (const LooperView& view);

    /** The cycle number and the multiplier, shown (and lit) when they change. */
    void setCounterA (int cycle);
    void setCounterB (int multiplier);
    void setRunning (bool running) { light.setOn (running); }

    [[nodiscard]] LoopCursorComponent& getCursor() noexcept { return cursor; }
    [[nodiscard]] FadeLabelComponent& getCounterA() noexcept { return *counterA; }
    [[nodiscard]] FadeLabelComponent& getCounterB() noexcept { return *counterB; }
    [[nodiscard]] bool isRunningShown() const noexcept { return light.isOn(); }

private:
    LoopCursorComponent cursor;
    std::unique_ptr<FadeLabelComponent> counterA, counterB;
    OnOffLightComponent light;
    int shownA = -1, shownB = -1;
};

} // namespace Work
