// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "midi/MidiDispatcher.h"
#include "engine/MemorySystem.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Work;
using namespace Work::MidiCommands;

namespace
{
/** Controls that record what reaches them from MIDI, without queues in between. */
struct Button : CommandListener
{
    Button (std::string name, bool shareable)
        : CommandListener (std::move (name), shareable)
    {
    }
    void midiTriggered (std::int64_t t) noexcept override { triggers.push_back (t); }
    void guiTriggered (std::int64_t) noexcept override {}
    void frameTriggered (std::int64_t t, std::uint32_t frame) noexcept override
    {
        triggers.push_back (t);
        frames.push_back (frame);
    }
    void preAudioCallback() noexcept override {}
    void guiTimerCallback (std::int64_t, int) override {}
    void guiFeedback (std::int64_t) override {}
    void resetToDefault() override {}
    std::vector<std::int64_t> triggers;
    std::vector<std::uint32_t> frames;
};

struct Switch : ToggleListener
{
    Switch (std::string name, bool shareable, bool follows)
        : ToggleListener (std::move (name), shareable, follows)
    {
    }
    void guiToggled (std::int64_t) noexcept override {}
    void midiToggled (std::int64_t) noexcept override { ++flips; }
    void midiSetState (std::int64_t, int v) noexcept override { values.push_back (v); }
    void frameToggled (std::int64_t, std::uint32_t frame) noexcept override
    {
        ++flips;
        frames.push_back (frame);
    }
    void frameSetState (std::int64_t, std::uint32_t frame, int v) noexcept override
    {
        values.push_back (v);
        frames.push_back (frame);
    }
    void preAudioCallback() noexcept override {}
    void guiTimerCallback (std::int64_t, int) override {}
    void guiFeedback (std::int64_t) override {}
    void resetToDefault() override {}
    int flips = 0;
    std::vector<int> values;
    std::vector<std::uint32_t> frames;
};

struct Fader : ControlChangeListener
{
    explicit Fader (std::string name, bool shareable = true)
        : ControlChangeListener (std::move (name), shareable, 64)
    {
    }
    int shownValue() const override { return 0; }
    void showValue (int) override {}
    void guiFeedback (std::int64_t) override {}
};

MidiKey key (std::uint8_t status, std::uint8_t d1, std::uint8_t d2 = 0)
{
    const std::uint8_t bytes[] = { status, d1, d2 };
    return packMidiKey (bytes, status >= 0xc0 && status < 0xe0 ? 2 : 3, midiChannelMask);
}
} // namespace

TEST (MidiDispatcher, AMappingLearnedOnOneChannelAnswersOnAll)
{
    MidiDispatcher dispatcher;
    Fader volume ("Volume 1");
    dispatcher.registerContinuous (&volume, {}, 0);
    ASSERT_EQ (dispatcher.assign (MidiCommandKind::continuous, &volume, key (0xb0, 7, 33), 0), "");
    EXPECT_EQ (dispatcher.keysOf (MidiCommandKind::continuous, &volume), (std::vector<MidiKey> { 0xb00700 }))
        << "continuous mappings drop the value";

    dispatcher.dispatch (key (0xbf, 7, 99), 10);
    EXPECT_EQ (volume.getLatestValue(), 99);
}

TEST (MidiDispatcher, TheRepeatFilterHoldsBackQuickRepeats)
{
    MidiDispatcher dispatcher;
    dispatcher.setRepeatInterval (50);
    Button start ("Start", false);
    Fader volume ("Volume 1");
    dispatcher.registerMomentary (&start, {}, 0);
    dispatcher.registerContinuous (&volume, {}, 0);
    ASSERT_EQ (dispatcher.assign (MidiCommandKind::momentary, &start, key (0x90, 60, 100), 0), "");
    ASSERT_EQ (dispatcher.assign (MidiCommandKind::continuous, &volume, key (0xb0, 7, 0), 0), "");

    dispatcher.dispatch (key (0x90, 60, 100), 1000);
    dispatcher.dispatch (key (0x90, 60, 100), 1030);
    EXPECT_EQ (start.triggers.size(), 1u) << "30 ms later: held back";
    dispatcher.dispatch (key (0x90, 60, 100), 1060);
    EXPECT_EQ (start.triggers.size(), 2u) << "60 ms later: fires";

    // Messages that came in with a block, at its frames, pass the same filter and keep their frame.
    dispatcher.dispatchAtFrame (key (0x90, 60, 100), 1090, 4800);
    EXPECT_EQ (start.triggers.size(), 2u) << "a repeat at a frame is held back too";
    dispatcher.dispatchAtFrame (key (0x90, 60, 100), 1200, 9600);
    EXPECT_EQ (start.frames, (std::vector<std::uint32_t> { 9600 }));

    std::vector<int> seen;
    for (auto [value, t] : { std::pair { 10, 2000 }, std::pair { 11, 2003 }, std::pair { 12, 2006 } })
    {
        dispatcher.dispatch (key (0xb0, 7, std::uint8_t (value)), t);
        seen.push_back (volume.getLatestValue());
    }
    EXPECT_EQ (seen, (std::vector<int> { 10, 11, 12 })) << "new values always pass";

    volume.midiValue (50);
    dispatcher.dispatch (key (0xb0, 7, 0), 3000);
    EXPECT_EQ (volume.getLatestValue(), 0);
    volume.midiValue (50);
    dispatcher.dispatch (key (0xb0, 7, 0), 3005);
    EXPECT_EQ (volume.getLatestValue(), 50) << "a repeated 0 within the interval is held back";
}

TEST (MidiDispatcher, TogglesFollowControllerValuesOrFlip)
{
    MidiDispatcher dispatcher;
    Switch mute ("Mute 1", true, true), punch ("Punch", false, false);
    dispatcher.registerToggle (&mute, {}, 0);
    dispatcher.registerToggle (&punch, {}, 0);
    ASSERT_EQ (dispatcher.assign (MidiCommandKind::toggle, &mute, key (0xb0, 20, 127), 0), "");
    ASSERT_EQ (dispatcher.assign (MidiCommandKind::toggle, &punch, key (0xb0, 21, 127), 0), "");

    dispatcher.dispatch (key (0xb0, 20, 0), 10);
    dispatcher.dispatch (key (0xb0, 20, 100), 20);
    EXPECT_EQ (mute.values, (std::vector<int> { 0, 100 }));
    dispatcher.dispatch (key (0xb0, 21, 5), 30);
    EXPECT_EQ (punch.flips, 1);
    dispatcher.dispatchAtFrame (key (0xb0, 20, 64), 32, 700);
    dispatcher.dispatchAtFrame (key (0xb0, 21, 5), 34, 701);
    EXPECT_EQ (mute.values.back(), 64);
    EXPECT_EQ (mute.frames, (std::vector<std::uint32_t> { 700 }));
    EXPECT_EQ (punch.flips, 2);
    EXPECT_EQ (punch.frames, (std::vector<std::uint32_t> { 701 }));

    dispatcher.setToggleByValue (false);
    dispatcher.dispatch (key (0xb0, 20, 0), 40);
    EXPECT_EQ (mute.flips, 1) << "with controllers flipping toggles, any value flips";
}

TEST (MidiDispatcher, AssignmentConflictsFollowTheTablesAndSharing)
{
    MidiDispatcher dispatcher;
    Button start ("Start", false), undo ("Undo", false);
    Switch muteA ("Mute 1", true, true), muteB ("Mute 2", true, true), punch ("Punch", false, false);
    Fader volume ("Volume 1");
    dispatcher.registerMomentary (&start, {}, 0);
    dispatcher.registerMomentary (&undo, {}, 0);
    for (auto* s : { &muteA, &muteB, &punch })
        dispatcher.registerToggle (s, {}, 0);
    dispatcher.registerContinuous (&volume, {}, 0);
    const auto note = key (0x90, 64, 90);

    EXPECT_EQ (dispatcher.assign (MidiCommandKind::toggle, &muteA, note, 0), "");
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::toggle, &muteB, note, 0), "") << "both shareable";
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::toggle, &muteA, note, 0),
               "This message is already assigned to this control.");
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::toggle, &punch, note, 0), "This message is already assigned to Mute 1.");
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::momentary, &start, note, 0),
               "This message is already assigned to Mute 1.")
        << "a momentary mapping is checked against toggles";

    const auto other = key (0x90, 65, 90);
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::momentary, &undo, other, 0), "");
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::toggle, &punch, other, 0), "")
        << "a toggle is not checked against momentary mappings";
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::continuous, &volume, key (0xb0, 1, 3), 0), "");
    EXPECT_EQ (dispatcher.assign (MidiCommandKind::momentary, &start, key (0xb0, 1, 3), 0), "")
        << "momentary and continuous never conflict";
    EXPECT_NE (dispatcher.assign (MidiCommandKind::momentary, &start, 0, 0), "");

    EXPECT_TRUE (dispatcher.removeMapping (MidiCommandKind::toggle, note, &muteA));
    EXPECT_FALSE (dispatcher.removeMapping (MidiCommandKind::toggle, note, &muteA));
    dispatcher.removeAllMappings (MidiCommandKind::momentary, &start);
    EXPECT_TRUE (dispatcher.keysOf (MidiCommandKind::momentary, &start).empty());
    dispatcher.unregister (MidiCommandKind::toggle, &punch);
    EXPECT_TRUE (dispatcher.keysOf (MidiCommandKind::toggle, &punch).empty());
    EXPECT_EQ (dispatcher.listenersOf (MidiCommandKind::toggle).size(), 2u);
}

TEST (MidiDispatcher, FilteredKeysAreRecognisedAndReplacedWhole)
{
    MidiDispatcher dispatcher;
    EXPECT_FALSE (dispatcher.isFiltered (0xb00764));
    dispatcher.setFilterKeys ({ 0xb00700, 0x903c00 });
    EXPECT_TRUE (dispatcher.isFiltered (0xb00764)) << "any value of a filtered controller";
    EXPECT_TRUE (dispatcher.isFiltered (0x903c00));
    EXPECT_FALSE (dispatcher.isFiltered (0xb00864));
    dispatcher.setFilterKeys ({});
    EXPECT_FALSE (dispatcher.isFiltered (0xb00764));
}

TEST (MidiDispatcher, KeyListsReadBackWhatWasWrittenAndSurviveGarbage)
{
    const std::vector<MidiKey> keys { 0xb00700, 0x903c64, 0xc00500 };
    EXPECT_EQ (parseKeyList (formatKeyList (keys)), keys);

    struct Case
    {
        const char* text;
        std::vector<MidiKey> expected;
    };
    for (const auto& c :
         { Case { "", {} }, Case { "   ", {} }, Case { "12 12 13", { 12, 13 } }, Case { "  7x9  8", { 7, 8 } },
           Case { "abc 5", { 5 } }, Case { "0 16777216 16777215", { 16777215 } },
           Case { "99999999999999999999999 3", { 3 } }, Case { "-4 4", { 4 } } })
        EXPECT_EQ (parseKeyList (c.text), c.expected) << c.text;
}
