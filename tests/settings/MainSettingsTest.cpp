// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "settings/MainSettings.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

using Work::MainSettings;

namespace
{
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::createTempFile ("settings-test");
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override { folder.deleteRecursively(); }

    juce::File settingsFile() const { return folder.getChildFile ("Varnolo.settings"); }

    void writeFile (const juce::String& content) const { ASSERT_TRUE (settingsFile().replaceWithText (content)); }

    /** Value listeners are told asynchronously, on the message loop. */
    static void deliverChanges() { juce::MessageManager::getInstance()->runDispatchLoopUntil (30); }

    static juce::String storedValue (const juce::File& file, const juce::String& key)
    {
        auto xml = juce::parseXML (file);
        if (xml == nullptr)
            return "<not xml>";
        for (auto* e : xml->getChildWithTagNameIterator ("VALUE"))
            if (e->getStringAttribute ("name") == key)
                return e->getStringAttribute ("val");
        return "<missing>";
    }

    juce::ScopedJuceInitialiser_GUI juce;
    juce::File folder;
};

void expectDefaults (MainSettings& s)
{
    EXPECT_TRUE (s.advanceCursorAfterRecording.isOn());
    EXPECT_TRUE (s.cursorFollowsUndoRedo.isOn());
    for (auto* off : { &s.inputMonitoring, &s.showNonRhythmicalLoopsButton, &s.showResetMixButton, &s.showEraseChannelButton,
                       &s.handOverRecordingOnMove, &s.controllersFlipToggles, &s.showPlayResyncButton })
        EXPECT_FALSE (off->isOn()) << off->getKey();
    EXPECT_EQ (s.durationButtonsMode.getIndex(), 0);
    EXPECT_EQ (s.loopDivisionMode.getIndex(), 0);
    EXPECT_EQ (s.midiRepeatFilterMs.getIndex(), 0);
    EXPECT_EQ (s.latencyOffsetMs.getIndex(), 10);
    EXPECT_EQ (s.getLatencyOffsetMs(), 10);
    EXPECT_EQ (s.getSampleMemoryMb(), 0u) << "the automatic size";
    EXPECT_FALSE (s.linkSession.isOn()) << "a network session only when the performer joins one";
    EXPECT_TRUE (s.linkQuantiseMainLoop.isOn());
    EXPECT_FALSE (s.linkStartStopSync.isOn());
}
} // namespace

TEST_F (SettingsTest, FreshInstallationGivesDefaultsAndWritesEveryOption)
{
    {
        MainSettings settings (folder.getFullPathName());
        EXPECT_EQ (MainSettings::getInstance(), &settings);
        ASSERT_EQ (settings.getAll().size(), 20u);
        EXPECT_EQ (settings.getUserSettings().getFile(), settingsFile());
        expectDefaults (settings);
        EXPECT_EQ (settings.getMidiRepeatFilterMs(), -1);
        EXPECT_TRUE (settings.testWriteAccess());
    }
    EXPECT_EQ (MainSettings::getInstance(), nullptr);

    // Every option is in the file, and its text is one of the texts offered (or a number).
    MainSettings reread (folder.getFullPathName());
    for (auto& record : reread.getAll())
        EXPECT_TRUE (record->isValidText (storedValue (settingsFile(), record->getKey()))) << record->getKey();
    EXPECT_EQ (storedValue (settingsFile(), "oscPort"), "9951");
}

TEST_F (SettingsTest, ChoicesSurviveASaveAndReload)
{
    {
        MainSettings settings (folder.getFullPathName());
        settings.inputMonitoring.getValue() = settings.inputMonitoring.getChoices()[1];
        settings.durationButtonsMode.getValue() = settings.durationButtonsMode.getChoices()[2];
        settings.latencyOffsetMs.getValue() = "25";
        settings.sampleMemoryMb.getValue() = "512 MB";
        settings.advanceCursorAfterRecording.getValue() = settings.advanceCursorAfterRecording.getChoices()[0];
        settings.oscPort.getValue() = " 8000 ";
        deliverChanges();
        settings.oscPort.getValue() = "80000"; // out of range: the number in force stays
        deliverChanges();
        settings.storeAll();
    }

    MainSettings settings (folder.getFullPathName());
    EXPECT_EQ (settings.getSampleMemoryMb(), 512u);
    EXPECT_TRUE (settings.inputMonitoring.isOn());
    EXPECT_FALSE (settings.advanceCursorAfterRecording.isOn());
    EXPECT_EQ (settings.durationButtonsMode.getIndex(), 2);
    EXPECT_EQ (settings.getLatencyOffsetMs(), 25);
    EXPECT_EQ (settings.oscPort.getNumber(), 8000);
    EXPECT_EQ (settings.oscPort.getValue().toString(), "8000");
}

TEST_F (SettingsTest, SavedOptionsAreReadAtStartAndFormerTextsStillLoad)
{
    writeFile (R"(<?xml version="1.0" encoding="UTF-8"?>
<PROPERTIES>
  <VALUE name="controllersFlipToggles" val="On"/>
  <VALUE name="midiRepeatFilterMs" val="200"/>
  <VALUE name="loopDivisionMode" val="Down to 1/8"/>
</PROPERTIES>)");

    MainSettings settings (folder.getFullPathName());
    EXPECT_TRUE (settings.controllersFlipToggles.isOn());
    EXPECT_EQ (settings.midiRepeatFilterMs.getIndex(), 11);
    EXPECT_EQ (settings.getMidiRepeatFilterMs(), 200);
    EXPECT_EQ (settings.loopDivisionMode.getIndex(), 3);
    settings.storeAll();
    EXPECT_EQ (storedValue (settingsFile(), "loopDivisionMode"), settings.loopDivisionMode.getChoices()[3])
        << "a former text is written back as the text offered now";
}

TEST (SettingsChoices, RepeatFilterChoicesMapToTheirIntervals)
{
    const std::int64_t expected[] = { -1,  5,   10,  15,  20,  30,  40,  50,  75,  100, 150,
                                      200, 250, 300, 400, 500, 600, 700, 800, 900, 1000 };
    static_assert (std::size (expected) == MainSettings::numRepeatFilterChoices);

    for (int i = 0; i < MainSettings::numRepeatFilterChoices; ++i)
        EXPECT_EQ (MainSettings::repeatFilterMsForChoice (i), expected[i]) << i;

    for (int bad : { -1, 21, 1000 })
        EXPECT_FALSE (MainSettings::repeatFilterMsForChoice (bad).has_value());
}

TEST_F (SettingsTest, DamagedFilesLoadDefaultsAndAreWrittenBackSane)
{
    const char* damaged[] = {
        "this is not xml at all",
        R"(<?xml version="1.0"?><PROPERTIES><VALUE name="inputMonitoring" val="On"/><VALUE name="latency)",
        R"(<?xml version="1.0"?><SOMETHING_ELSE><VALUE name="inputMonitoring" val="On"/></SOMETHING_ELSE>)",
        R"(<?xml version="1.0"?><PROPERTIES><VALUE name="durationButtonsMode" val="Triple"/>
           <VALUE name="latencyOffsetMs" val="99"/><VALUE name="midiRepeatFilterMs" val="-5"/>
           <VALUE name="inputMonitoring" val="maybe"/><VALUE val="no name"/><VALUE name="unknownKey" val="x"/>
           <VALUE name="loopDivisionMode"/></PROPERTIES>)",
        "",
        "\xff\xfe\x00\x01garbage bytes",
    };

    for (auto* content : damaged)
    {
        SCOPED_TRACE (content);
        writeFile (content);
        {
            MainSettings settings (folder.getFullPathName());
            expectDefaults (settings);
            settings.storeAll();
        }

        MainSettings reread (folder.getFullPathName());
        for (auto& record : reread.getAll())
            EXPECT_TRUE (record->isValidText (storedValue (settingsFile(), record->getKey())))
                << record->getKey() << " = " << storedValue (settingsFile(), record->getKey());
        expectDefaults (reread);
    }
}

TEST_F (SettingsTest, ChangesReachTheListenersWithTheNewValues)
{
    MainSettings settings (folder.getFullPathName());

    struct Recorder : MainSettings::Listener
    {
        void optionChanged (Work::Setting& option) override { changed.add (option.getKey()); }
        juce::StringArray changed;
    } recorder;
    settings.addListener (&recorder);

    struct Case
    {
        const char* text;
        int index;
        std::int64_t interval;
    };
    for (auto c : { Case { "75", 8, 75 }, Case { "1000", 20, 1000 }, Case { "5", 1, 5 }, Case { "Off", 0, -1 } })
    {
        settings.midiRepeatFilterMs.getValue() = c.text;
        deliverChanges();
        EXPECT_EQ (settings.midiRepeatFilterMs.getIndex(), c.index) << c.text;
        EXPECT_EQ (settings.getMidiRepeatFilterMs(), c.interval) << c.text;
    }

    settings.controllersFlipToggles.getValue() = "On";
    deliverChanges();
    EXPECT_TRUE (settings.controllersFlipToggles.isOn());
    settings.removeListener (&recorder);
    settings.controllersFlipToggles.getValue() = "Off";
    deliverChanges();
    EXPECT_EQ (recorder.changed, juce::StringArray ({ "midiRepeatFilterMs", "midiRepeatFilterMs", "midiRepeatFilterMs",
                                                      "midiRepeatFilterMs", "controllersFlipToggles" }));
}

TEST_F (SettingsTest, AValueThatIsNoChoiceFallsBackToTheDefault)
{
    MainSettings settings (folder.getFullPathName());
    settings.loopDivisionMode.getValue() = "Down to 1/8";
    deliverChanges();
    ASSERT_EQ (settings.loopDivisionMode.getIndex(), 3);

    settings.loopDivisionMode.getValue() = "not a choice";
    deliverChanges();
    EXPECT_EQ (settings.loopDivisionMode.getIndex(), 0);
    EXPECT_EQ (settings.loopDivisionMode.getValue().toString(), "Off");
}

TEST_F (SettingsTest, StoreAllWritesTheTextsInForce)
{
    MainSettings settings (folder.getFullPathName());
    settings.inputMonitoring.getValue() = "On";
    settings.latencyOffsetMs.getValue() = "3";
    deliverChanges();

    settings.storeAll();
    EXPECT_EQ (storedValue (settingsFile(), "latencyOffsetMs"), "3");
    EXPECT_EQ (storedValue (settingsFile(), "inputMonitoring"), "On");
}

TEST_F (SettingsTest, AFileOfAnySizeOrShapeLoadsAtOnceAndWhatItHeldIsKeptAside)
{
    const auto aside = folder.getChildFile ("Varnolo.settings.unreadable");

    // 20 000 entries: the program's own, each repeated, drowned in names it does not know.
    std::string text ("<?xml version=\"1.0\"?><PROPERTIES>");
    text += "<VALUE name=\"inputMonitoring\" val=\"On\"/><VALUE name=\"windowState\" val=\"10 10 800 600\"/>";
    for (int i = 0; i < 20000; ++i)
        text += "<VALUE name=\"junk" + std::to_string (i) + "\" val=\"x\"/><VALUE name=\"inputMonitoring\" val=\"Off\"/>";
    text += "</PROPERTIES>";
    const juce::String bloated (text);
    writeFile (bloated);
    {
        MainSettings settings (folder.getFullPathName(), { "windowState" });
        EXPECT_TRUE (settings.inputMonitoring.isOn()) << "the first entry of a name counts";
        EXPECT_EQ (settings.getUserSettings().getValue ("windowState"), "10 10 800 600");
        EXPECT_FALSE (settings.getUserSettings().containsKey ("junk7"));
        EXPECT_TRUE (settings.getLoadNotice().contains ("40002 entries"));
    }
    EXPECT_EQ (aside.loadFileAsString(), bloated) << "the whole file is kept beside";
    EXPECT_LT (settingsFile().getSize(), 4096);

    // Not a settings document at all: defaults, and the file kept.
    writeFile ("\x01\x02 not xml");
    {
        MainSettings settings (folder.getFullPathName());
        EXPECT_FALSE (settings.inputMonitoring.isOn());
        EXPECT_TRUE (settings.getLoadNotice().contains ("could not be used"));
    }
    EXPECT_EQ (aside.loadFileAsString(), "\x01\x02 not xml");

    // A sane file with an entry of another version is left as it is.
    writeFile (R"(<?xml version="1.0"?><PROPERTIES><VALUE name="futureOption" val="7"/></PROPERTIES>)");
    {
        MainSettings settings (folder.getFullPathName());
        EXPECT_TRUE (settings.getLoadNotice().isEmpty());
        EXPECT_EQ (settings.getUserSettings().getValue ("futureOption"), "7");
    }
}
