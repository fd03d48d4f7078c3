// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "app/LayoutMap.h"
#include "app/MainComponent.h"
#include "gui/look/Drawing.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

using namespace Work;

namespace
{
class MainComponentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::createTempFile ("screen-test");
        ASSERT_TRUE (folder.createDirectory());
        settings = std::make_unique<MainSettings> (folder.getFullPathName());
        engine = std::make_unique<EngineRuntime> (*settings, nullptr, 768);
        ASSERT_TRUE (engine->buildEngine());
    }

    void TearDown() override
    {
        engine = nullptr;
        settings = nullptr;
        folder.deleteRecursively();
    }

    juce::ScopedJuceInitialiser_GUI juce;
    juce::File folder;
    std::unique_ptr<MainSettings> settings;
    std::unique_ptr<EngineRuntime> engine;
};
} // namespace

TEST_F (MainComponentTest, TheLayoutFillsTheWindowWithControlsLargeEnoughToHitAndRead)
{
    // Every option that adds a transport button on: the widest row.
    for (auto* option : { &settings->showResetMixButton, &settings->showEraseChannelButton, &settings->showPlayResyncButton,
                          &settings->showNonRhythmicalLoopsButton })
        option->getValue() = "On";
    settings->durationButtonsMode.getValue() = settings->durationButtonsMode.getChoices()[2];
    settings->loopDivisionMode.getValue() = settings->loopDivisionMode.getChoices()[4];
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    MainComponent screen (*engine, *settings);
    EXPECT_EQ (screen.getTransport().getButtonCount(), 13) << "every button the options allow, and the tap";

    // The window's content at 800 x 600, a wide and a very large display, and a narrow tall one.
    for (const auto& [w, h] : { std::pair { 798, 548 }, { 1024, 700 }, { 1918, 1006 }, { 3000, 1900 }, { 798, 1900 } })
    {
        SCOPED_TRACE (::testing::Message() << w << " x " << h);
        screen.setSize (w, h);

        const juce::Rectangle<int> window (0, 0, w, h);
        for (auto* panel : std::initializer_list<juce::Component*> { &screen.getInputs(), &screen.getLoopChannels(),
                                                                     &screen.getTransport(), &screen.getMixBuses(),
                                                                     &screen.getLoopInfo(), &screen.getMidi() })
            EXPECT_TRUE (window.contains (panel->getBounds())) << panel->getName() << " " << panel->getBounds().toString();
        EXPECT_LE (screen.getTransport().getBottom(), h - 20) << "clear of the status lines";

        const auto control = LayoutMap::smallestControl (screen);
        const auto text = LayoutMap::smallestText (screen);
        EXPECT_GE (control.size, float (Drawing::smallestControl)) << control.name;
        EXPECT_GE (text.size, Drawing::smallestText) << text.name;

        // The strips' row spans the width, however wide, until the strips reach their widest.
        if (screen.getStripWidth() < int (1.6f * float (screen.getUnit())))
        {
            EXPECT_GT (screen.getMixBuses().getRight(), w * 9 / 10);
        }
    }

    // Every size above needs no scrolling; below the smallest layout the window scrolls.
    EXPECT_LE (screen.getMinimumSize().x, 798);
    EXPECT_LE (screen.getMinimumSize().y, 548);
}
