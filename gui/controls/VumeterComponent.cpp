// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "VumeterComponent.h"

#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

#include <cmath>

namespace Work
{

namespace
{
    std::atomic<int> meterCount { 0 };

    juce::Image meterPicture (int width, int height, bool lit)
    {
        auto image = Drawing::backgroundImage (width, height);
        if (width <= 0 || height <= 0)
            return image;

        juce::Graphics g (image);
        const auto w = float (width), h = float (height);

        if (lit)
        {
            // Stops at -3, -9 and -15 dB of the 72 dB scale, and green from 0.8 of the way down.
            juce::ColourGradient gradient (juce::Colour (0xffff0000), 0.0f, 0.0f, juce::Colour (0xff006400), 0.0f, h, false);
            gradient.addColour (3.0 / 72.0, juce::Colour (0xffff0000));
            gradient.addColour (9.0 / 72.0, juce::Colour (0xffffa500));
            gradient.addColour (15.0 / 72.0, juce::Colour (0xffffff00));
            gradient.addColour (0.8, juce::Colour (0xff008000));
            g.setGradientFill (gradient);
        }
        else
        {
            const auto foreground = Drawing::palette().foreground;
            g.setGradientFill (juce::ColourGradient (foreground.overlaidWith (juce::Colours::black.withAlpha (0.25f)), 0.0f,
                                                     0.0f, foreground.overlaidWith (juce::Colour (0x14000000)), w, 0.0f,
                                                     false));
        }

        g.fillRoundedRectangle (0.0f, 0.0f, w, h, w / 3.0f);
        return image;
    }
} // namespace

void MeterImages::setUnit (int unit)
{
    if (unit == height || unit <= 0)
        return;

    monoWidth = int (0.15f * float (unit));
    stereoWidth = int (0.12f * float (unit));
    height = unit;
    monoLit = meterPicture (monoWidth, height, true);
    monoUnlit = meterPicture (monoWidth, height, false);
    stereoLit = meterPicture (stereoWidth, height, true);
    stereoUnlit = meterPicture (stereoWidth, height, false);
}

int MeterImages::pixelsFor (float db) const noexcept
{
    if (db < floorDb)
        return 0;
    if (db > 0.0f)
        return height;
    return int ((db - floorDb) * float (height) / -floorDb);
}

VumeterComponent::VumeterComponent (const MeterImages& imagesToUse, bool isStereo)
    : images (imagesToUse)
    , stereo (isStereo)
    , instanceIndex (meterCount++)
{
    setInterceptsMouseClicks (false, false);
    setOpaque (true);
}

void VumeterComponent::prepare (int rate, int size) noexcept
{
    sampleRate = rate;
    blockSize = size;

    const auto blockMs = float (size) * 1000.0f / float (rate);
    auto blocksFor = [blockMs] (float ms) {
        int blocks = 1;
        for (float sum = blockMs; sum < ms; sum += blockMs)
            ++blocks;
        return blocks;
    };

    const auto window = std::min (blocksFor (40.0f), int (ring.size()));
    const auto hold = blocksFor (500.0f);

    // A measured rate that wobbles by a sample must not restart the meter every block.
    if (window == windowBlocks && hold == holdBlocks)
        return;

    windowBlocks = window;
    holdBlocks = hold;
    std::fill (ring.begin(), ring.begin() + windowBlocks, 0.0f);
    windowSum = 0.0f;
    ringIndex = 0;
    holdCounter = 0;
    level.store (restLevel, std::memory_order_relaxed);
    peak.store (restLevel, std::memory_order_relaxed);
}

float VumeterComponent::toDb (float linear) noexcept
{
    return linear > 0.000001f ? 20.0f * std::log10 (linear) : silenceDb;
}

void VumeterComponent::feed (int rate, int numSamples, const float* samples, float gain) noexcept
{
    if (numSamples <= 0 || rate <= 0 || samples == nullptr)
        return;

    blocksFed.store (blocksFed.load (std::memory_order_relaxed) + 1, std::memory_order_relaxed);

    if (rate != sampleRate || numSamples != blockSize)
        prepare (rate, numSamples);

    // Eight running sums: one long chain of additions would wait on itself at every sample.
    float partial[8] = {};
    int i = 0;
    for (; i + 8 <= numSamples; i += 8)
        for (int k = 0; k < 8; ++k)
            partial[k] += samples[i + k] * samples[i + k];
    float sumOfSquares = 0.0f;
    for (; i < numSamples; ++i)
        sumOfSquares += samples[i] * samples[i];
    for (const auto p : partial)
        sumOfSquares += p;

    auto& slot = ring[std::size_t (ringIndex)];
    const auto rms = std::sqrt (sumOfSquares / float (numSamples)) * gain;
    windowSum += rms - slot;
    slot = rms;
    ringIndex = (ringIndex + 1) % windowBlocks;

    if (ringIndex == 0)
    {
        windowSum = 0.0f;
        for (int i = 0; i < windowBlocks; ++i)
            windowSum += ring[std::size_t (i)];
    }

    const auto mean = std::max (0.0f, windowSum / float (windowBlocks));
    auto held = peak.load (std::memory_order_relaxed);

    // In dB the held peak is at or below the level when it is silent, or both sound and it is lower.
    const bool peakReached = held <= 0.000001f || (mean > 0.000001f && held <= mean);

    if (peakReached || ++holdCounter > holdBlocks)
    {
        // The peak follows the level up at once, and drops straight to it after the hold.
        held = mean;
        holdCounter = 0;
    }

    level.store (mean, std::memory_order_relaxed);
    peak.store (held, std::memory_order_relaxed);
}

void VumeterComponent::guiTimerCallback (std::int64_t nowMs, int)
{
    if (guiTimer != nullptr && ! guiTimer->isRefreshTick (instanceIndex / 2))
        return;

    if (const auto fed = blocksFed.load (std::memory_order_relaxed); fed != blocksSeen || lastBlockSeenMs == 0)
    {
        blocksSeen = fed;
        lastBlockSeenMs = nowMs;
    }

    const bool stale = nowMs - lastBlockSeenMs > staleAfterMs;
    shownLevelDb = stale ? silenceDb : getLevelDb();
    shownPeakDb = stale ? silenceDb : getPeakDb();

    const auto h = getHeight();
    bool repainted = false;

    const auto yNew = h - images.pixelsFor (shownLevelDb), yOld = h - images.pixelsFor (drawnLevelDb);
    if (yNew != yOld)
    {
        repaint (0, std::min (yNew, yOld), getWidth(), std::abs (yNew - yOld));
        drawnLevelDb = shownLevelDb;
        repainted = true;
    }

    const auto pNew = h - images.pixelsFor (shownPeakDb), pOld = h - images.pixelsFor (drawnPeakDb);
    if (pNew != pOld)
    {
        repaint (0, pOld, getWidth(), 1);
        repaint (0, pNew, getWidth(), 1);
        drawnPeakDb = shownPeakDb;
        repainted = true;
    }

    // A meter that has not painted since its last request (hidden, or newly shown) gets a whole repaint.
    if (repainted)
    {
        if (paintedSinceRequest)
            paintedSinceRequest = false;
        else
            repaint();
    }
}

void VumeterComponent::paint (juce::Graphics& g)
{
    const auto& lit = images.lit (stereo);
    const auto& unlit = images.unlit (stereo);
    paintedSinceRequest = true;

    if (! lit.isValid() || ! unlit.isValid())
        return;

    const auto height = lit.getHeight(), width = lit.getWidth();
    const auto e = images.pixelsFor (shownLevelDb), h = images.pixelsFor (shownPeakDb);

    g.drawImage (unlit, 0, 0, width, height - e, 0, 0, width, height - e);
    if (e > 0)
        g.drawImage (lit, 0, height - e, width, e, 0, height - e, width, e);
    if (height - h < height - e - 2)
        g.drawImage (lit, 0, height - h, width, 1, 0, height - h, width, 1);
}

} // namespace Work
