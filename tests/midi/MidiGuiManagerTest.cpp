// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "midi/MidiGuiManager.h"
#include "engine/MemorySystem.h"
#include "support/AllocationCounter.h"
#include "support/EngineEnvironment.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

using namespace Work;
using namespace Work::MidiCommands;

namespace
{
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new Testing::RuntimeEnvironment());

/** Counts what the controls post. */
struct Engine final : CommandSink
{
    bool post (const LooperCommand& command) noexcept override
    {
        last = command;
        ++posts;
        return true;
    }
    LooperCommand last;
    int posts = 0;
};

struct Button : SimpleCommand
{
    explicit Button (std::string name, bool shareable = false)
        : SimpleCommand (std::move (name), shareable, { CommandCode::startStop })
    {
        setSink (&engine);
    }
    void guiFeedback (std::int64_t) override {}
    [[nodiscard]] int executions() const { return engine.posts; }
    Engine engine;
};

struct Switch : ToggleCommand
{
    explicit Switch (std::string name)
        : ToggleCommand (std::move (name), true, true, { CommandCode::mute, 0 }, ModeField::second)
    {
        setSink (&engine);
    }
    void guiFeedback (std::int64_t) override {}
    [[nodiscard]] ToggleMode lastMode() const
    {
        return engine.posts == 0 ? ToggleMode::flip : ToggleMode (engine.last.second);
    }
    Engine engine;
};

struct Counter
    : MidiGuiManager::MidiCallbackDisablerMessageClient
    , MidiGuiManager::MidiInputCallbackNotificationClient
{
    void midiInputWhileDisabled() noexcept override { ++disabled; }
    void midiMessageArrived() noexcept override { ++arrived; }
    int disabled = 0, arrived = 0;
};

class MidiGuiManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = juce::File::createTempFile ("midi-test");
        ASSERT_TRUE (folder.createDirectory());
        settings = makeSettings();
    }

    void TearDown() override
    {
        settings = nullptr;
        folder.deleteRecursively();
    }

    std::unique_ptr<juce::PropertiesFile> makeSettings()
    {
        juce::PropertiesFile::Options options;
        options.storageFormat = juce::PropertiesFile::storeAsXML;
        return std::make_unique<juce::PropertiesFile> (folder.getChildFile ("settings.xml"), options);
    }

    juce::File writeFile (const juce::String& name, const juce::String& text)
    {
        auto file = folder.getChildFile (name);
        EXPECT_TRUE (file.replaceWithText (text));
        return file;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    juce::File folder;
    std::unique_ptr<juce::PropertiesFile> settings;
    MidiInputCallbackManager fanOut;
};

void send (MidiGuiManager& manager, std::initializer_list<std::uint8_t> bytes, std::int64_t now = 0)
{
    const std::vector<std::uint8_t> data (bytes);
    manager.handleMessage (data.data(), data.size(), now);
}
} // namespace

TEST_F (MidiGuiManagerTest, AssignmentsAreSavedAndComeBackWithTheControl)
{
    {
        MidiGuiManager manager (settings.get(), fanOut);
        Button start ("Start");
        manager.registerMomentary (&start);
        EXPECT_EQ (manager.assign (MidiCommandKind::momentary, &start, 0x903c40), "");
        EXPECT_EQ (manager.assign (MidiCommandKind::momentary, &start, 0xc00500), "");
        EXPECT_NE (manager.getDocument().getChildByName ("Start"), nullptr);
        EXPECT_EQ (fanOut.isDisabled(), false) << "every change withdrew MIDI input only while it ran";
    }

    // Through the file on disk, as at the next start.
    ASSERT_TRUE (settings->save());
    settings = makeSettings();
    MidiGuiManager again (settings.get(), fanOut);
    Button start ("Start");
    again.registerMomentary (&start);
    EXPECT_EQ (again.keysOf (MidiCommandKind::momentary, &start), (std::vector<MidiKey> { 0x903c40, 0xc00500 }));

    send (again, { 0x95, 60, 1 });
    start.preAudioCallback();
    EXPECT_EQ (start.executions(), 1) << "the note fires the button on another channel";

    again.removeMapping (MidiCommandKind::momentary, 0x903c00, &start, true);
    again.removeMapping (MidiCommandKind::momentary, 0xc00500, &start, true);
    EXPECT_EQ (again.getDocument().getChildByName ("Start"), nullptr) << "no mappings left: no element";
}

TEST_F (MidiGuiManagerTest, FilteredAndHeldOffMessagesReachNoControl)
{
    MidiGuiManager manager (settings.get(), fanOut);
    Counter counter;
    manager.setDisabledMessageClient (&counter);
    manager.setNotificationClient (&counter);
    Switch mute ("Mute 1");
    manager.registerToggle (&mute);
    ASSERT_EQ (manager.assign (MidiCommandKind::toggle, &mute, 0xb01400), "");

    send (manager, { 0xb0, 20, 100 });
    mute.preAudioCallback();
    EXPECT_EQ (mute.lastMode(), ToggleMode::on);
    send (manager, { 0x80, 60, 0 });
    EXPECT_EQ (counter.arrived, 2) << "note off is no key but still lights the activity";

    manager.setFilterKeys ({ 0xb01400 });
    send (manager, { 0xb0, 20, 0 });
    mute.preAudioCallback();
    EXPECT_EQ (mute.lastMode(), ToggleMode::on) << "filtered: the control does not react";
    EXPECT_EQ (counter.arrived, 2) << "and the activity light does not either";
    EXPECT_EQ (settings->getValue (MidiGuiManager::filterKey), "11539456");

    manager.setFilterKeys ({});
    {
        const CallbackDisabler::ScopedDisable logOpen (manager);
        send (manager, { 0xb0, 20, 0 });
    }
    mute.preAudioCallback();
    EXPECT_EQ (mute.lastMode(), ToggleMode::on) << "held off while the log window is open";
    EXPECT_EQ (counter.disabled, 1) << "the looper is told instead";
}

TEST_F (MidiGuiManagerTest, ExportedMappingsImportIntoAnotherSetup)
{
    const auto file = folder.getChildFile ("mine");
    {
        MidiGuiManager manager (nullptr, fanOut);
        Button start ("Start"), undo ("Undo");
        manager.registerMomentary (&start);
        manager.registerMomentary (&undo);
        ASSERT_EQ (manager.assign (MidiCommandKind::momentary, &start, 0x903c40), "");
        ASSERT_EQ (manager.assign (MidiCommandKind::momentary, &undo, 0x903d40), "");
        EXPECT_EQ (manager.exportMappings (file), "");
    }
    const auto written = file.withFileExtension (MidiGuiManager::fileExtension);
    ASSERT_TRUE (written.existsAsFile());
    EXPECT_TRUE (written.loadFileAsString().contains ("UTF-8"));

    MidiGuiManager other (settings.get(), fanOut);
    Button start ("Start"), undo ("Undo");
    other.registerMomentary (&start);
    other.registerMomentary (&undo);
    ASSERT_EQ (other.assign (MidiCommandKind::momentary, &undo, 0x904000), "");
    const auto result = other.importMappings (written);
    EXPECT_TRUE (result.applied);
    EXPECT_EQ (result.report, "");
    EXPECT_EQ (other.keysOf (MidiCommandKind::momentary, &start), (std::vector<MidiKey> { 0x903c40 }));
    EXPECT_EQ (other.keysOf (MidiCommandKind::momentary, &undo), (std::vector<MidiKey> { 0x903d40 })) << "replaced";
    EXPECT_EQ (settings->getValue (MidiGuiManager::lastFileKey), written.getFullPathName());
}

TEST_F (MidiGuiManagerTest, BadMappingFilesChangeNothingOrApplyOnlyTheirValidKeys)
{
    MidiGuiManager manager (settings.get(), fanOut);
    Button start ("Start"), stop ("Stop");
    manager.registerMomentary (&start);
    manager.registerMomentary (&stop);
    ASSERT_EQ (manager.assign (MidiCommandKind::momentary, &start, 0x903c40), "");

    const auto deep = juce::String::repeatedString ("<a>", 100000);

    struct Refused
    {
        juce::String name, text;
    };
    for (const auto& bad :
         { Refused { "plain.txt", "this is not XML" },
           Refused { "truncated.varnolomidi", "<varnoloMidiMappings><Start keys=\"9452" },
           Refused { "other.varnolomidi", "<somethingElse><Start keys=\"9452608\"/></somethingElse>" },
           Refused { "deep.varnolomidi", "<varnoloMidiMappings>" + deep }, Refused { "empty.varnolomidi", "" },
           Refused { "hang.varnolomidi", "<77>4<?>4<<?>/'/7" }, // once hung a general XML parser
           Refused { "nested.varnolomidi", "<varnoloMidiMappings><Start><a/></Start></varnoloMidiMappings>" } })
    {
        const auto result = manager.importMappings (writeFile (bad.name, bad.text));
        EXPECT_FALSE (result.applied) << bad.name;
        EXPECT_TRUE (result.report.isNotEmpty()) << bad.name;
        EXPECT_EQ (manager.keysOf (MidiCommandKind::momentary, &start), (std::vector<MidiKey> { 0x903c40 })) << bad.name;
    }
    EXPECT_FALSE (manager.importMappings (folder.getChildFile ("missing.varnolomidi")).applied);

    const auto longName = juce::String::repeatedString ("x", 20000);
    const auto messy =
        writeFile ("messy.varnolomidi", "<varnoloMidiMappings>"
                                        "<Start keys=\"garbage, 9452608, 9452608, 99999999999, -3, 12590080\"/>"
                                        "<Stop keys=\"9452608\"/>"
                                        "<" + longName
                                            + " keys=\"1\"/>"
                                              "<Unknown keys=\"9452608\"/>"
                                              "</varnoloMidiMappings>");
    const auto result = manager.importMappings (messy);
    EXPECT_TRUE (result.applied);
    EXPECT_EQ (manager.keysOf (MidiCommandKind::momentary, &start), (std::vector<MidiKey> { 0x903c40, 0xc01c00 }))
        << "valid keys applied once, the rest dropped";
    EXPECT_TRUE (manager.keysOf (MidiCommandKind::momentary, &stop).empty());
    EXPECT_TRUE (result.report.contains ("Stop")) << "the conflicting key is reported: " << result.report;
}

TEST_F (MidiGuiManagerTest, AGarbledStoredDocumentLoadsEmpty)
{
    for (const auto& stored :
         { juce::String ("not xml"), juce::String ("<wrongRoot/>"), juce::String ("<midiMappings><Start keys=\"x y z\"/>") })
    {
        settings->setValue (MidiGuiManager::mappingsKey, stored);
        settings->setValue (MidiGuiManager::filterKey, "abc 12 12 -5");
        MidiGuiManager manager (settings.get(), fanOut);
        Button start ("Start");
        manager.registerMomentary (&start);
        EXPECT_TRUE (manager.keysOf (MidiCommandKind::momentary, &start).empty()) << stored;
        EXPECT_EQ (manager.getFilterKeys(), (std::vector<MidiKey> { 12 }));
        EXPECT_EQ (manager.getDocument().getTagName(), MidiGuiManager::mappingsKey);
    }
}

TEST_F (MidiGuiManagerTest, AnyBytesAreSafeAndTheMidiPathNeverTouchesTheHeap)
{
    MidiGuiManager manager (settings.get(), fanOut);
    Counter counter;
    manager.setNotificationClient (&counter);
    Button start ("Start");
    Switch mute ("Mute 1");
    struct Slider : ControlChangeListener
    {
        Slider()
            : ControlChangeListener ("Volume 1", true, 100)
        {
        }
        void guiFeedback (std::int64_t) override {}
        int shownValue() const override { return 0; }
        void showValue (int) override {}
    } volume;
    ControlChangeVolumeListener holder;
    volume.setTarget (&holder);
    manager.registerMomentary (&start);
    manager.registerToggle (&mute);
    manager.registerContinuous (&volume);
    ASSERT_EQ (manager.assign (MidiCommandKind::momentary, &start, 0x903c40), "");
    ASSERT_EQ (manager.assign (MidiCommandKind::toggle, &mute, 0xb01400), "");
    ASSERT_EQ (manager.assign (MidiCommandKind::continuous, &volume, 0xb00700), "");
    manager.setFilterKeys ({ 0xb00900 });

    const std::vector<std::vector<std::uint8_t>> messages {
        { 0xf0, 0x43, 0x12, 0x00, 0xf7 },
        { 0xf8 },
        { 0xfe },
        { 0xff },
        { 0x3c, 0x40 },
        { 0x90 },
        { 0xb0, 7 },
        { 0xe0, 0x00, 0x40 },
        {},
        { 0x90, 60, 64 },
        { 0xb3, 7, 99 },
        { 0xb0, 20, 127 },
        { 0xb0, 9, 1 },
    };

    Testing::ScopedRealTimeSection section;
    for (int round = 0; round < 50; ++round)
    {
        for (const auto& bytes : messages)
            manager.handleMessage (bytes.data(), bytes.size(), round * 1000);
        start.preAudioCallback();
        mute.preAudioCallback();
        volume.preAudioCallback();
    }
    EXPECT_EQ (section.heapCalls(), 0);
    EXPECT_EQ (start.executions(), 50);
    EXPECT_EQ (mute.lastMode(), ToggleMode::on);
    EXPECT_EQ (holder.getVolume(), 99);
    EXPECT_EQ (counter.arrived, 50 * int (messages.size() - 1)) << "everything but the filtered controller is seen";
}
