// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "gui/controls/FadeLabelComponent.h"
#include "gui/controls/VumeterComponent.h"
#include "gui/screen/LoopInfoComponent.h"
#include "gui/screen/TransportComponent.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <vector>

using namespace Work;

namespace
{
class PanelsTest : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI juce;
};

std::vector<juce::String> namesOf (const std::vector<juce::Component*>& row)
{
    std::vector<juce::String> names;
    for (auto* button : row)
        names.push_back (button->getName());
    return names;
}
} // namespace

TEST_F (PanelsTest, TheTransportRowFollowsTheSettingsAndItsSize)
{
    const auto folder = juce::File::createTempFile ("transport-test");
    MainSettings settings (folder.getFullPathName());
    settings.durationButtonsMode.getValue() = settings.durationButtonsMode.getChoices()[1];
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    TransportComponent row (settings, false);
    EXPECT_EQ (
        namesOf (row.getButtonsInRowOrder()),
        (std::vector<juce::String> { "Start Stop", "Reset Loops", "Redo", "Undo", "Add Duration", "Playback Direction" }));

    for (const auto& [size, gap] : { std::pair { 30, 2 }, { 15, 1 }, { 9, 0 } })
    {
        row.layoutForButtonSize (size);
        EXPECT_EQ (row.getHeight(), size + 2 * gap) << size;
        EXPECT_EQ (row.getWidth(), 6 * size + 7 * gap + size / 2) << size;
        EXPECT_EQ (row.getButtonsInRowOrder()[1]->getX(), gap + size + gap) << size;
    }

    LooperView view;
    view.state.addAmount = 0;
    row.show (view, 1000);
    EXPECT_EQ (row.getAddDurationButton()->getLabel().first, "+1") << "an amount of 0 shows as 1";
    view.state.addAmount = 3;
    row.show (view, 1015);
    EXPECT_EQ (row.getAddDurationButton()->getLabel().first, "+3");
    folder.deleteRecursively();
}

TEST_F (PanelsTest, MeterBallisticsAverage40MsAndHoldThePeakHalfASecond)
{
    MeterImages images;
    images.setUnit (144);
    std::vector<float> loud (2048, 0.5f), silent (2048, 0.0f); // as long as the longest block fed

    struct Case
    {
        int rate, block, window, hold;
    };
    for (const auto c : { Case { 44100, 512, 4, 44 }, Case { 48000, 256, 8, 94 }, Case { 48000, 2048, 1, 12 } })
    {
        VumeterComponent meter (images, false);
        meter.feed (c.rate, c.block, loud.data(), 1.0f);
        EXPECT_EQ (meter.getWindowBlocks(), c.window) << c.rate << "/" << c.block;
        EXPECT_EQ (meter.getHoldBlocks(), c.hold) << c.rate << "/" << c.block;
    }

    VumeterComponent meter (images, false);
    std::vector<float> block (256, 1.0f);
    for (int b = 0; b < 8; ++b)
        meter.feed (48000, 256, block.data(), 0.5f);
    EXPECT_NEAR (meter.getLevelDb(), -6.02f, 0.01f) << "RMS 1 at gain 0.5";

    for (int b = 0; b < 8; ++b)
        meter.feed (48000, 256, silent.data(), 1.0f);
    EXPECT_EQ (meter.getLevelDb(), VumeterComponent::silenceDb) << "eight silent blocks fill the window";
    EXPECT_NEAR (meter.getPeakDb(), -6.02f, 0.01f) << "the peak holds";
    for (int b = 0; b < 94; ++b)
        meter.feed (48000, 256, silent.data(), 1.0f);
    EXPECT_EQ (meter.getPeakDb(), VumeterComponent::silenceDb) << "and drops to the level after the hold";

    // When the blocks stop (the device went away), the meter falls to silence.
    meter.feed (48000, 256, block.data(), 1.0f);
    meter.guiTimerCallback (1000, 15);
    EXPECT_GT (meter.getShownLevelDb(), -20.0f);
    meter.guiTimerCallback (1000 + VumeterComponent::staleAfterMs + 15, 15);
    EXPECT_EQ (meter.getShownLevelDb(), VumeterComponent::silenceDb);

    EXPECT_EQ (images.pixelsFor (-72.0f), 0);
    EXPECT_EQ (images.pixelsFor (0.0f), 144);
    EXPECT_EQ (images.pixelsFor (3.0f), 144);
    EXPECT_EQ (images.pixelsFor (-36.0f), 72);
}

TEST_F (PanelsTest, TheLoopRingRepaintsOnlyWhereItsProgressMoved)
{
    auto degrees = [] (float d) { return d * juce::MathConstants<float>::pi / 180.0f; };
    using Rect = juce::Rectangle<int>;
    EXPECT_EQ (LoopCursorComponent::regionToRepaint (degrees (10), degrees (30), 100, 100), Rect (50, 0, 51, 51));
    EXPECT_EQ (LoopCursorComponent::regionToRepaint (degrees (80), degrees (100), 100, 100), Rect (50, 0, 51, 100));
    EXPECT_EQ (LoopCursorComponent::regionToRepaint (degrees (190), degrees (200), 100, 100), Rect (0, 50, 51, 51));
    EXPECT_EQ (LoopCursorComponent::regionToRepaint (degrees (350), degrees (10), 100, 100), Rect (0, 0, 100, 100))
        << "the wrap repaints the whole ring";
}

TEST_F (PanelsTest, AFadeLabelTurnsFromItsStartToItsEndColourInItsTime)
{
    const juce::Colour yellow (0xffffff00), brown (0xff553636);
    FadeLabelComponent label (yellow, brown, juce::Colours::black, 1000);
    label.showText ("Loop recorded");
    label.guiTimerCallback (10'000, 0);
    EXPECT_EQ (label.getTextColour(), yellow);
    label.guiTimerCallback (10'500, 0);
    EXPECT_EQ (label.getTextColour(), yellow.interpolatedWith (brown, 0.5f));
    label.showText (nullptr);
    label.guiTimerCallback (10'600, 0);
    EXPECT_EQ (label.getTextColour(), yellow) << "a new text restarts the fade, also an empty one";
    label.guiTimerCallback (11'601, 0);
    EXPECT_EQ (label.getTextColour(), brown);
    EXPECT_FALSE (label.isFading());
}
