// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainSettings.h"

#include "SettingsFileCheck.h"

#include <algorithm>

namespace Work
{

namespace
{
    const juce::String offText ("Off");
    const juce::String onText ("On");

    BoolSetting& addBool (std::vector<std::unique_ptr<Setting>>& all, const char* key, const char* label,
                          BoolSetting::Default defaultState)
    {
        auto record = std::make_unique<BoolSetting> (key, label, offText, onText, defaultState);
        auto& result = *record;
        all.push_back (std::move (record));
        return result;
    }

    ChoiceSetting& addChoice (std::vector<std::unique_ptr<Setting>>& all, const char* key, const char* label,
                              const juce::StringArray& choices, int defaultIndex)
    {
        auto record = std::make_unique<ChoiceSetting> (key, label);

        for (int i = 0; i < choices.size(); ++i)
            record->addChoice (choices[i], i == defaultIndex ? ChoiceSetting::IsDefault::yes : ChoiceSetting::IsDefault::no);
        auto& result = *record;
        all.push_back (std::move (record));
        return result;
    }

    NumberSetting& addNumber (std::vector<std::unique_ptr<Setting>>& all, const char* key, const char* label, int lowest,
                              int highest, int defaultNumber)
    {
        auto record = std::make_unique<NumberSetting> (key, label, lowest, highest, defaultNumber);
        auto& result = *record;
        all.push_back (std::move (record));
        return result;
    }

    juce::StringArray repeatFilterChoices()
    {
        juce::StringArray texts { offText };

        for (int i = 1; i < MainSettings::numRepeatFilterChoices; ++i)
            texts.add (juce::String (*MainSettings::repeatFilterMsForChoice (i)));

        return texts;
    }

    juce::StringArray latencyChoices()
    {
        juce::StringArray texts;

        for (int ms = 0; ms <= 25; ++ms)
            texts.add (juce::String (ms));

        return texts;
    }

    juce::StringArray sampleMemoryChoices()
    {
        juce::StringArray texts { "Automatic" };
        for (auto mb : MainSettings::sampleMemoryChoicesMb)
            texts.add (juce::String (mb) + " MB");
        return texts;
    }

    using enum BoolSetting::Default;
} // namespace

std::uint32_t MainSettings::getSampleMemoryMb() const noexcept
{
    const auto index = sampleMemoryMb.getIndex();
    return index >= 1 && index <= int (std::size (sampleMemoryChoicesMb)) ? sampleMemoryChoicesMb[index - 1] : 0;
}

juce::String MainSettings::getApplicationName()
{
    return "Varnolo";
}

// Records are created in the order the options dialog and the file expect them:
// the order of the member declarations.
MainSettings::MainSettings (const juce::String& folder, const juce::StringArray& otherKeys)
    : advanceCursorAfterRecording (addBool (all, "advanceCursorAfterRecording", "Advance the cursor after recording", on))
    , cursorFollowsUndoRedo (addBool (all, "cursorFollowsUndoRedo", "Cursor follows undo and redo", on))
    , inputMonitoring (addBool (all, "inputMonitoring", "Input monitoring", off))
    , showNonRhythmicalLoopsButton (addBool (all, "showNonRhythmicalLoopsButton", "Show the free-loops button", off))
    , durationButtonsMode (
          addChoice (all, "durationButtonsMode", "Duration buttons", { "Multiply", "Add", "Multiply and add" }, 0))
    , loopDivisionMode (addChoice (all, "loopDivisionMode", "Loop division",
                                   { "Off", "Whole only", "Down to a half", "Down to a third", "Down to a quarter" }, 0))
    , midiRepeatFilterMs (addChoice (all, "midiRepeatFilterMs", "MIDI repeat filter (ms)", repeatFilterChoices(), 0))
    , latencyOffsetMs (addChoice (all, "latencyOffsetMs", "Latency offset (ms)", latencyChoices(), 10))
    , showResetMixButton (addBool (all, "showResetMixButton", "Show the reset-mix button", off))
    , showEraseChannelButton (addBool (all, "showEraseChannelButton", "Show the erase-channel button", off))
    , handOverRecordingOnMove (addBool (all, "handOverRecordingOnMove", "Hand a recording over when its cursor moves", off))
    , controllersFlipToggles (addBool (all, "controllersFlipToggles", "Controllers always flip on/off controls", off))
    , showPlayResyncButton (addBool (all, "showPlayResyncButton", "Show the play/resync button", off))
    , sampleMemoryMb (addChoice (all, "sampleMemoryMb", "Sample memory (from the next start)", sampleMemoryChoices(), 0))
    , oscServer (addBool (all, "oscServer", "OSC server", off))
    , oscPort (addNumber (all, "oscPort", "OSC port (UDP)", 1024, 65535, defaultOscPort))
    , oscAddress (addChoice (all, "oscAddress", "OSC listens to", { "This computer only", "Every network" }, 0))
    , linkSession (addBool (all, "linkSession", "Join the Link session", off))
    , linkQuantiseMainLoop (addBool (all, "linkQuantiseMainLoop", "Record the main loop in whole Link bars", on))
    , linkStartStopSync (addBool (all, "linkStartStopSync", "Share start and stop with Link", off))
{
    juce::PropertiesFile::Options options;
    options.applicationName = getApplicationName();
    options.folderName = folder.isNotEmpty() ? folder : ".config/" + getApplicationName();
    options.filenameSuffix = "settings";
    options.osxLibrarySubFolder = "Application Support";
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.commonToAllUsers = false;
    options.millisecondsBeforeSaving = 1000;

    // Before the file is loaded: whatever it holds, loading it takes no longer than a sane one.
    auto keysUsed = otherKeys;
    for (auto& record : all)
        keysUsed.add (record->getKey());
    SettingsFileCheck::vet (options.getDefaultFile(), keysUsed, loadNotice);

    properties.setStorageParameters (options);

    instance = this;
    optionsDialogOpen = false;

    // Texts the loop division offered before they said which depths the looper gives.
    const char* formerDivisionTexts[] = { "Down to 1/2", "Down to 1/4", "Down to 1/8", "Down to 1/16" };
    for (int i = 0; i < 4; ++i)
        loopDivisionMode.addFormerText (formerDivisionTexts[i], i + 1);

    auto& file = getUserSettings();

    for (auto& record : all)
    {
        record->load (file);
        // A missing, stale or garbled entry is replaced by the text now in force; the
        // file only counts as changed where something really differs.
        record->store (file);
        record->getValue().addListener (this);
    }
}

MainSettings::~MainSettings()
{
    for (auto& record : all)
        record->getValue().removeListener (this);

    all.clear();
    instance = nullptr;
    properties.closeFiles();
}

bool MainSettings::testWriteAccess()
{
    return getUserSettings().save();
}

void MainSettings::storeAll()
{
    // Texts the loop division offered before they said which depths the looper gives.
    const char* formerDivisionTexts[] = { "Down to 1/2", "Down to 1/4", "Down to 1/8", "Down to 1/16" };
    for (int i = 0; i < 4; ++i)
        loopDivisionMode.addFormerText (formerDivisionTexts[i], i + 1);

    auto& file = getUserSettings();

    for (auto& record : all)
        record->store (file);

    file.saveIfNeeded();
}

void MainSettings::addListener (Listener* listener)
{
    if (listener != nullptr && std::find (listeners.begin(), listeners.end(), listener) == listeners.end())
        listeners.push_back (listener);
}

void MainSettings::removeListener (Listener* listener)
{
    listeners.erase (std::remove (listeners.begin(), listeners.end(), listener), listeners.end());
}

std::optional<std::int64_t> MainSettings::repeatFilterMsForChoice (int index) noexcept
{
    // Choices: off, 5, 10, 15, 20, 30, 40, 50, 75, 100, 150, 200, 250, 300, 400 ... 1000 ms.
    if (index == 0)
        return -1;
    if (index >= 1 && index <= 4)
        return 5 * index;
    if (index >= 5 && index <= 7)
        return 10 * index - 20;
    if (index >= 8 && index <= 9)
        return 25 * index - 125;
    if (index >= 10 && index <= 13)
        return 50 * index - 350;
    if (index >= 14 && index <= 20)
        return 100 * index - 1000;
    return std::nullopt;
}

std::int64_t MainSettings::getMidiRepeatFilterMs() const noexcept
{
    return repeatFilterMsForChoice (midiRepeatFilterMs.getIndex()).value_or (-1);
}

void MainSettings::valueChanged (juce::Value& value)
{
    Setting* changed = nullptr;

    for (auto& record : all)
        if (record->getValue().refersToSameSourceAs (value))
            changed = record.get();

    if (changed == nullptr)
        return;

    changed->update();

    // A copy: a listener may rebuild what registered the others.
    const auto toTell = listeners;
    for (auto* listener : toTell)
        if (std::find (listeners.begin(), listeners.end(), listener) != listeners.end())
            listener->optionChanged (*changed);
}

} // namespace Work
