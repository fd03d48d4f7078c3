// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "GuiTimer.h"
#include "engine/MeterFeed.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <atomic>

namespace Work
{

/** The meter pictures every meter copies rows from, drawn once per size: lit (red at the top
    through orange, yellow and green) and unlit, for mono and for stereo meters. The size follows
    the screen's layout unit. [message] */
class MeterImages
{
public:
    static constexpr float floorDb = -72.0f;

    /** Redraws the pictures when unit differs from the current meter height. */
    void setUnit (int unit);

    /** Rows lit for a level: 0 at or below the floor, the full height above 0 dB. */
    [[nodiscard]] int pixelsFor (float db) const noexcept;

    [[nodiscard]] int getMonoWidth() const noexcept { return monoWidth; }
    [[nodiscard]] int getStereoWidth() const noexcept { return stereoWidth; }
    [[nodiscard]] int getHeight() const noexcept { return height; }
    [[nodiscard]] const juce::Image& lit (bool stereo) const noexcept { return stereo ? stereoLit : monoLit; }
    [[nodiscard]] const juce::Image& unlit (bool stereo) const noexcept { return stereo ? stereoUnlit : monoUnlit; }

private:
    int monoWidth = 0, stereoWidth = 0, height = 0;
    juce::Image monoLit, monoUnlit, stereoLit, stereoUnlit;
};

/** A level meter. The engine feeds it one block at a time on the audio thread, where the
    ballistics run: a 40 ms moving average of block RMS values in dB and a peak held for 500 ms.
    The GUI reads the two results on one tick in eight, staggered in pairs across meters, and
    repaints only the rows that changed. No heap, no lock and no text on the audio side.
    [message], except feed() [audio] */
class VumeterComponent final
    : public juce::Component
    , public GuiTimerClient
    , public MeterFeed
{
public:
    VumeterComponent (const MeterImages& images, bool stereo);

    // MeterFeed [audio]
    void feed (int sampleRate, int numSamples, const float* samples, float gain) noexcept override;

    /** [message] The meter refreshes on one tick in the timer's divider while a timer is set;
        without one, on every tick. */
    void setGuiTimer (const GuiTimer* timer) noexcept { guiTimer = timer; }

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void paint (juce::Graphics& g) override;

    // [any] The ballistics' results, in dB.
    [[nodiscard]] float getLevelDb() const noexcept { return toDb (level.load (std::memory_order_relaxed)); }
    [[nodiscard]] float getPeakDb() const noexcept { return toDb (peak.load (std::memory_order_relaxed)); }
    [[nodiscard]] int getWindowBlocks() const noexcept { return windowBlocks; }
    [[nodiscard]] int getHoldBlocks() const noexcept { return holdBlocks; }

    /** The level the last paint showed, in dB. */
    [[nodiscard]] float getShownLevelDb() const noexcept { return shownLevelDb; }

    /** Without a block for this long (the device stopped) the meter shows silence, not the last
        level it was fed. */
    static constexpr std::int64_t staleAfterMs = 250;

    static constexpr float silenceDb = -100000.0f;

    /** 20 log10 of a linear level; silenceDb at or below 0.000001. */
    [[nodiscard]] static float toDb (float linear) noexcept;

private:
    void prepare (int sampleRate, int blockSize) noexcept;

    const MeterImages& images;
    const bool stereo;
    const int instanceIndex;
    const GuiTimer* guiTimer = nullptr;

    // Audio thread only. The window's sum runs along with the ring and is summed afresh at
    // every turn of the ring, so rounding never builds up.
    int blockSize = 0, sampleRate = 0;
    std::array<float, 64> ring {};
    float windowSum = 0.0f;
    int ringIndex = 0, windowBlocks = 1, holdBlocks = 1, holdCounter = 0;

    // Written by the audio thread, read by the GUI: single words, kept linear so the audio thread
    // takes no logarithm (the comparisons of the ballistics hold alike in dB and linear).
    static constexpr float restLevel = 0.00001f; // -100 dB
    std::atomic<float> level { restLevel }, peak { restLevel };
    std::atomic<std::uint32_t> blocksFed { 0 };
    static_assert (std::atomic<float>::is_always_lock_free);

    // Message thread only.
    float drawnLevelDb = -100.0f, drawnPeakDb = -100.0f;
    float shownLevelDb = -100.0f, shownPeakDb = -100.0f;
    bool paintedSinceRequest = false;
    std::uint32_t blocksSeen = 0;
    std::int64_t lastBlockSeenMs = 0;
};

} // namespace Work
