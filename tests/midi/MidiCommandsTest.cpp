// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "midi/MidiCommands.h"
#include "engine/MemorySystem.h"
#include "support/AllocationCounter.h"
#include "support/EngineEnvironment.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace Work;
using namespace Work::MidiCommands;

namespace
{
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new Testing::RuntimeEnvironment());

/** The engine's end of the commands: what they posted, and a mute state they flip or set. */
struct RecordingSink final : CommandSink
{
    RecordingSink() { posted.reserve (5000); }

    bool post (const LooperCommand& command) noexcept override
    {
        posted.push_back (command);
        if (command.type == CommandCode::mute)
            state = command.second == int (ToggleMode::flip) ? ! state : command.second == int (ToggleMode::on);
        return true;
    }

    std::vector<std::int64_t> times() const
    {
        std::vector<std::int64_t> t;
        for (const auto& c : posted)
            t.push_back (c.time);
        return t;
    }

    std::vector<LooperCommand> posted;
    bool state = false;
};

struct Trigger : SimpleCommand
{
    Trigger()
        : SimpleCommand ("Start / Stop", false, { CommandCode::startStop })
    {
        setSink (&sink);
    }
    void guiFeedback (std::int64_t) override { ++feedbacks; }
    RecordingSink sink;
    int feedbacks = 0;
};

struct Toggle : ToggleCommand
{
    explicit Toggle (bool follows)
        : ToggleCommand ("Mute 1", true, follows, { CommandCode::mute, 0 }, ModeField::second)
    {
        setSink (&sink);
    }
    void guiFeedback (std::int64_t) override { ++feedbacks; }
    [[nodiscard]] ToggleMode lastMode() const { return ToggleMode (sink.posted.back().second); }
    RecordingSink sink;
    int feedbacks = 0;
};

struct Slider : ControlChangeListener
{
    Slider()
        : ControlChangeListener ("Volume 1", true, 127)
    {
    }
    void guiFeedback (std::int64_t) override {}
    int shownValue() const override { return onScreen; }
    void showValue (int v) override { onScreen = v; }
    int onScreen = 127;
};

/** Drives one audio block: what preAudioCallback does before the engine runs. */
void block (PreAudioCallbackClient& command)
{
    command.preAudioCallback();
}

void runBlocks (std::vector<PreAudioCallbackClient*> commands, int n)
{
    for (int i = 0; i < n; ++i)
        for (auto* c : commands)
            c->preAudioCallback();
}
} // namespace

TEST (MidiCommands, TriggersWithinOneBlockRunOnceWithTheLatestTimeMidiWinning)
{
    Trigger trigger;
    trigger.midiTriggered (10);
    trigger.guiTriggered (30);
    trigger.midiTriggered (20);
    trigger.midiTriggered (25);
    block (trigger);
    ASSERT_EQ (trigger.sink.times(), (std::vector<std::int64_t> { 25 })) << "MIDI is read last, so it wins";
    EXPECT_EQ (trigger.sink.posted.back().type, CommandCode::startStop) << "its command, as data";

    block (trigger);
    EXPECT_EQ (trigger.sink.posted.size(), 1u) << "nothing waiting, nothing run";

    trigger.guiTimerCallback (100, 15);
    trigger.guiTimerCallback (115, 15);
    EXPECT_EQ (trigger.feedbacks, 1) << "feedback once per execution";

    for (int i = 0; i < 20; ++i)
        trigger.midiTriggered (1000 + i);
    block (trigger);
    EXPECT_EQ (trigger.sink.posted.back().time, 1014) << "15 wait, the 16th is dropped";
    EXPECT_EQ (trigger.sink.posted.size(), 2u);
}

TEST (MidiCommands, ToggleEventsRunOnePerBlockMidiFirst)
{
    Toggle toggle (false);
    toggle.guiToggled (5);
    toggle.midiToggled (7);
    toggle.midiToggled (9);

    block (toggle);
    EXPECT_TRUE (toggle.sink.state);
    block (toggle);
    EXPECT_FALSE (toggle.sink.state) << "two MIDI flips in two blocks: back where it started";
    block (toggle);
    EXPECT_TRUE (toggle.sink.state);
    EXPECT_EQ (toggle.sink.times(), (std::vector<std::int64_t> { 7, 9, 5 })) << "MIDI before the waiting mouse press";

    // The screen shows the engine's state once per tick; only a change gives feedback.
    toggle.showState (toggle.sink.state, 100);
    EXPECT_TRUE (toggle.getShownState());
    EXPECT_EQ (toggle.feedbacks, 1);
    toggle.showState (toggle.sink.state, 115);
    EXPECT_EQ (toggle.feedbacks, 1) << "no change, no feedback";

    Toggle flood (false);
    for (int i = 0; i < 16; ++i)
        flood.midiToggled (i);
    runBlocks ({ &flood }, 20);
    EXPECT_EQ (flood.sink.posted.size(), 15u) << "15 wait and run in 15 blocks; the 16th was dropped";
}

TEST (MidiCommands, ControllerValuesSetFollowingToggles)
{
    Toggle toggle (true);
    EXPECT_TRUE (toggle.followsControllerValue());
    for (auto [value, expected] : { std::pair { 63, ToggleMode::off }, std::pair { 64, ToggleMode::on },
                                    std::pair { 127, ToggleMode::on }, std::pair { 0, ToggleMode::off } })
    {
        toggle.midiSetState (1, value);
        block (toggle);
        EXPECT_EQ (toggle.lastMode(), expected) << value;
    }
}

TEST (MidiCommands, SlidersHandTheLatestValueToTheEngineAndTheScreen)
{
    Slider slider;
    ControlChangeVolumeListener holder;
    slider.setTarget (&holder);

    slider.guiValue (90); // dragged
    slider.midiValue (0); // then the controller
    block (slider);
    EXPECT_EQ (holder.getVolume(), 0) << "the engine has the latest value before the next block";
    slider.guiTimerCallback (0, 15);
    EXPECT_EQ (slider.onScreen, 0);

    slider.midiValue (300);
    block (slider);
    EXPECT_EQ (holder.getVolume(), 127) << "values are clamped";

    slider.guiValue (40);
    slider.resetToDefault();
    block (slider);
    slider.guiTimerCallback (0, 15);
    EXPECT_EQ (holder.getVolume(), 127);
    EXPECT_EQ (slider.onScreen, 127);

    Slider unattached;
    unattached.midiValue (3);
    block (unattached); // no holder: nothing to write, nothing breaks
    EXPECT_EQ (unattached.getLatestValue(), 3);
}

TEST (MidiCommands, SerializationNamesAreXmlElementNames)
{
    for (auto [display, expected] :
         { std::pair { "Start / Stop", "Start__Stop" }, std::pair { "Mute 1", "Mute_1" },
           std::pair { "1st loop", "_1st_loop" }, std::pair { "", "_" }, std::pair { "Pan <L&R>", "Pan_LR" } })
        EXPECT_EQ (serializationNameFor (display), expected) << display;
    EXPECT_EQ (Trigger().getSerializationName(), "Start__Stop");
    EXPECT_EQ (Trigger().getDisplayName(), "Start / Stop");
}

TEST (MidiCommands, ThreeThreadsHandOverWithoutTearing)
{
    // MIDI and the mouse push from their own threads while the audio side drains one event a
    // block; nothing tears. Run under ThreadSanitizer too.
    Toggle toggle (false);
    std::atomic<bool> done { false };

    std::thread audio ([&] {
        while (! done.load())
            toggle.preAudioCallback();
        for (int i = 0; i < 2 * ToggleCommand::queueCapacity; ++i)
            toggle.preAudioCallback();
    });
    std::thread midi ([&] {
        for (int i = 0; i < 2000; ++i)
            toggle.midiToggled (i);
    });
    std::thread gui ([&] {
        for (int i = 0; i < 2000; ++i)
            toggle.guiToggled (-i);
    });

    midi.join();
    gui.join();
    done = true;
    audio.join();
    EXPECT_GT (toggle.sink.posted.size(), 0u);
    EXPECT_LE (toggle.sink.posted.size(), 4000u);
    for (const auto& command : toggle.sink.posted)
        ASSERT_EQ (command.second, int (ToggleMode::flip));
}
