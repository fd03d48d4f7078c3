// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "app/MainComponent.h"

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

TEST_F (MainComponentTest, TheFittedLayoutKeepsEveryPanelInsideTheWindow)
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

    for (const auto& [w, h] : { std::pair { 800, 600 }, { 1024, 768 }, { 1920, 1080 }, { 3000, 2000 }, { 800, 2000 } })
    {
        SCOPED_TRACE (::testing::Message() << w << " x " << h);
        screen.setSize (w, h);
        EXPECT_GT (screen.getScaleFactor(), MainComponent::smallestScaleFactor) << "the fitting loop found a fit";
        EXPECT_LE (screen.getScaleFactor(), 0.14f);

        const juce::Rectangle<int> window (0, 0, w, h);
        for (auto* panel : std::initializer_list<juce::Component*> { &screen.getInputs(), &screen.getLoopChannels(),
                                                                     &screen.getTransport(), &screen.getMixBuses(),
                                                                     &screen.getLoopInfo(), &screen.getMidi() })
            EXPECT_TRUE (window.contains (panel->getBounds())) << panel->getBounds().toString();
        EXPECT_LE (screen.getTransport().getBottom(), h - 20) << "clear of the status lines";
    }
}
