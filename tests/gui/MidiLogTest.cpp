// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "gui/midi/MidiLogWindow.h"
#include "midi/MidiInputCallbackManager.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

using namespace Work;

namespace
{
struct Button : MidiCommands::SimpleCommand
{
    explicit Button (std::string name)
        : SimpleCommand (std::move (name), false)
    {
    }
    void guiFeedback (std::int64_t) override {}
};

class MidiLogTest : public ::testing::Test
{
protected:
    void controller (int number, int value)
    {
        const std::uint8_t bytes[] = { 0xb0, std::uint8_t (number), std::uint8_t (value) };
        log.midiArrived (bytes, 3, juce::Time::currentTimeMillis(), MidiDelivery::toDispatch);
    }

    void tick() { log.showNextMessage(); }

    juce::ScopedJuceInitialiser_GUI juce;
    MidiInputCallbackManager fanOut;
    MidiGuiManager manager { nullptr, fanOut };
    MidiLogComponent log { fanOut, manager, juce::Colours::black, juce::Colours::grey };
};
} // namespace

TEST_F (MidiLogTest, OneLinePerTickAndNeverMoreThanTheCap)
{
    const auto before = log.getLines().size();
    for (int i = 0; i < 20; ++i)
        controller (1, i);
    tick();
    EXPECT_EQ (log.getLines().size(), before + 1) << "the messages waiting for one tick make one line";
    tick();
    EXPECT_EQ (log.getLines().size(), before + 1) << "the others were dropped, not kept for later ticks";

    for (int i = 0; i < 2 * MidiLogComponent::maxLines; ++i)
    {
        controller (2, i % 128);
        tick();
    }
    const auto lines = log.getLines();
    ASSERT_EQ (lines.size(), MidiLogComponent::maxLines);
    EXPECT_TRUE (
        lines[lines.size() - 1].endsWith ("controller 2 = " + juce::String ((2 * MidiLogComponent::maxLines - 1) % 128)));
}

TEST_F (MidiLogTest, RefusedLearningSaysWhyOnceAndKeepsWaiting)
{
    Button taken ("Taken"), learner ("Learner");
    manager.registerMomentary (&taken);
    manager.registerMomentary (&learner);
    const std::uint8_t assigned[] = { 0xb0, 20, 127 };
    ASSERT_TRUE (manager.assign (MidiCommandKind::momentary, &taken, packMidiKey (assigned, 3, 0xffff)).isEmpty());

    const auto windowsBefore = juce::Desktop::getInstance().getNumComponents();
    log.learn (learner, MidiCommandKind::momentary);

    // A knob turning through the taken message: one refusal on the status line, no box.
    for (int i = 0; i < 30; ++i)
    {
        controller (20, 127);
        tick();
    }
    EXPECT_TRUE (log.getStatus().contains ("already assigned to Taken")) << log.getStatus();
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), windowsBefore);
    EXPECT_TRUE (manager.keysOf (MidiCommandKind::momentary, &learner).empty());

    // The control still waits: the next free message is its.
    controller (21, 127);
    tick();
    EXPECT_EQ (manager.keysOf (MidiCommandKind::momentary, &learner).size(), 1u);
    EXPECT_TRUE (log.getStatus().startsWith ("Learned")) << log.getStatus();

    manager.unregister (MidiCommandKind::momentary, &learner);
    manager.unregister (MidiCommandKind::momentary, &taken);
}
