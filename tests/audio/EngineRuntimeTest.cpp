// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "audio/EngineRuntime.h"
#include "support/BlockBuffers.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace Work;

namespace
{
/** The runtime starts and stops the engine's memory itself, so this binary has no environment. */
class EngineRuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::createTempFile ("runtime-test");
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override { folder.deleteRecursively(); }

    void writeSettings (const juce::String& values)
    {
        ASSERT_TRUE (folder.getChildFile ("Varnolo.settings")
                         .replaceWithText ("<?xml version=\"1.0\"?><PROPERTIES>" + values + "</PROPERTIES>"));
    }

    static void deliverChanges() { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }

    /** Runs one 64-sample block through the device's callback, as the device would. */
    static void runBlock (EngineRuntime& runtime, std::int64_t timeMs)
    {
        Testing::BlockBuffers block (2, 2, 64, 0.25f);
        runtime.getDevice()->processBlock (block.inputs(), 2, block.outputs(), 2, 64, timeMs, 48000.0f);
    }

    juce::ScopedJuceInitialiser_GUI juce;
    juce::File folder;
    MidiInputCallbackManager midiInput;
};

/** The screen's side of the port: one refresh a tick, the texts shown and the resets counted. */
struct Gui
{
    void tick (EngineRuntime& runtime)
    {
        runtime.refresh (view);
        if (view.hasText)
            texts.add (juce::String (view.text));
        resets += view.loopsWereReset ? 1 : 0;
        view.clearNews();
    }

    LooperView view;
    juce::StringArray texts;
    int resets = 0;
};
} // namespace

TEST_F (EngineRuntimeTest, OptionsReachTheEngineAtBuildAndOnEveryChange)
{
    writeSettings (R"(<VALUE name="controllersFlipToggles" val="On"/><VALUE name="midiRepeatFilterMs" val="200"/>
                      <VALUE name="latencyOffsetMs" val="3"/><VALUE name="handOverRecordingOnMove" val="On"/>
                      <VALUE name="inputMonitoring" val="On"/><VALUE name="loopDivisionMode" val="Down to a third"/>)");
    MainSettings settings (folder.getFullPathName());
    EngineRuntime runtime (settings, &midiInput, 768);
    ASSERT_EQ (runtime.getPoolMegabytes(), 256u);
    ASSERT_TRUE (runtime.buildEngine());

    const auto& dispatcher = runtime.getMidiGuiManager()->getDispatcher();
    auto& options = runtime.getLooper()->getOptions();
    EXPECT_EQ (dispatcher.getRepeatInterval(), 200);
    EXPECT_FALSE (dispatcher.isToggleByValue());
    EXPECT_TRUE (options.handOverRecordingOnMove.load());
    EXPECT_EQ (options.loopDivisionMode.load(), 3);
    EXPECT_TRUE (runtime.getMainAudio()->inputMonitoring.load());

    settings.midiRepeatFilterMs.getValue() = "Off";
    settings.controllersFlipToggles.getValue() = "Off";
    settings.advanceCursorAfterRecording.getValue() = "Off";
    settings.inputMonitoring.getValue() = "Off";
    deliverChanges();
    EXPECT_EQ (dispatcher.getRepeatInterval(), -1);
    EXPECT_TRUE (dispatcher.isToggleByValue());
    EXPECT_FALSE (options.advanceCursorAfterRecording.load());
    EXPECT_FALSE (runtime.getMainAudio()->inputMonitoring.load());

    // A rebuilt engine gets the options in force, the latency offset among them.
    runtime.teardownEngine();
    ASSERT_TRUE (runtime.buildEngine());
    EXPECT_FALSE (runtime.getLooper()->getOptions().advanceCursorAfterRecording.load());
    EXPECT_EQ (runtime.getLooper()->getLatencyOffsetMs(), 3);
}

TEST_F (EngineRuntimeTest, TheLooperHasItsCursorBeforeAudioAndTheTickRunsAConfirmedReset)
{
    MainSettings settings (folder.getFullPathName());
    EngineRuntime runtime (settings, &midiInput, 768);
    ASSERT_TRUE (runtime.buildEngine());
    auto* looper = runtime.getLooper();
    ASSERT_NE (looper, nullptr);
    Gui gui;

    looper->postFromMessageThread ({ CommandCode::punch, 0, 1, 0, 1000 });
    for (int b = 0; b < 100; ++b)
        runBlock (runtime, 1000 + b);
    looper->postFromMessageThread ({ CommandCode::punch, 0, 1, 0, 1100 });
    for (int b = 100; b < 200; ++b)
        runBlock (runtime, 1000 + b);
    gui.tick (runtime);
    ASSERT_TRUE (looper->getCurrentPart().hasMainLoop()) << gui.texts.joinIntoString ("; ").toStdString();
    EXPECT_EQ (runtime.getCursorWord()->cursor (0), 1) << "the cursor stepped on after recording";

    looper->postFromMessageThread ({ CommandCode::startStop, 0, 0, 0, 1200 });
    for (int b = 200; b < 210; ++b)
        runBlock (runtime, 1000 + b);
    looper->postFromMessageThread ({ CommandCode::resetLoops, 0, 0, 0, 1210 });
    runBlock (runtime, 1210);
    looper->postFromMessageThread ({ CommandCode::resetLoops, 0, 0, 0, 1211 });
    runBlock (runtime, 1211);
    EXPECT_TRUE (looper->getCurrentPart().hasMainLoop()) << "the reset waits for the GUI tick";

    gui.tick (runtime);
    EXPECT_EQ (looper->getCurrentPart().getMainLoop(), nullptr);
    EXPECT_EQ (gui.resets, 1);
    EXPECT_EQ (runtime.getCursorWord()->cursor (0), 0);
}

TEST_F (EngineRuntimeTest, MidiHeldOffWhileTheEngineIsRebuiltNeverReachesADeletedLooper)
{
    // Run under AddressSanitizer and ThreadSanitizer too: a MIDI thread keeps telling the looper
    // that its messages were held off while the message thread rebuilds the engine.
    MainSettings settings (folder.getFullPathName());
    EngineRuntime runtime (settings, &midiInput, 768);
    ASSERT_TRUE (runtime.buildEngine());
    auto* midi = runtime.getMidiGuiManager();
    const CallbackDisabler::ScopedDisable logWindowShowing (*midi);
    std::atomic<bool> stop { false };
    std::atomic<int> messages { 0 };

    std::thread midiThread ([&] {
        const std::uint8_t noteOn[] = { 0x90, 60, 100 };
        while (! stop)
        {
            midi->handleMessage (noteOn, 3, 0);
            ++messages;
        }
    });

    for (int rebuild = 0; rebuild < 50; ++rebuild)
    {
        runtime.teardownEngine();
        ASSERT_TRUE (runtime.buildEngine());
    }

    while (messages < 1000)
        std::this_thread::yield();
    stop = true;
    midiThread.join();
    Gui gui;
    gui.tick (runtime);
}
