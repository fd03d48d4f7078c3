// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "BoolSetting.h"
#include "ChoiceSetting.h"
#include "NumberSetting.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Work
{

/** The user's options and the settings file they live in.

    MainSettings owns the juce::ApplicationProperties through which every part reaches
    the one settings file (device state, window state and MIDI assignments are kept there
    by their own parts). At construction it loads the seventeen options and writes their
    normalised texts back, so a file with stale or garbled entries is sane again on the
    next save. The options dialog edits the records' Values; valueChanged keeps each
    record's derived state current and tells the listeners which option changed.

    The settings know nothing of the parts that use them: each consumer reads the options
    it needs when it is built and again whenever a listener hears of a change.

    Threads: message thread, except the records' isOn / getIndex, which any thread reads.
*/
class MainSettings final : private juce::Value::Listener
{
    // Declared first: the record references below are bound while these are being filled.
    juce::ApplicationProperties properties;
    juce::String loadNotice;
    std::vector<std::unique_ptr<Setting>> all;

public:
    /** Told of every change of an option. [message] */
    class Listener
    {
    public:
        virtual ~Listener() = default;
        virtual void optionChanged (Setting& option) = 0;
    };

    /** The file is placed in ~/.config/<name>/ unless folder names another folder
        (an absolute path; used by tests). otherKeys name the entries other parts of the
        program keep in the file: with the options', they are what a file with far too many
        entries is trimmed to before it is loaded (see SettingsFileCheck). */
    explicit MainSettings (const juce::String& folder = {}, const juce::StringArray& otherKeys = {});
    ~MainSettings() override;

    /** What the performer should be told about the file as it was found; empty when nothing. */
    [[nodiscard]] const juce::String& getLoadNotice() const noexcept { return loadNotice; }

    /** The single instance while it exists, else null. */
    static MainSettings* getInstance() noexcept { return instance; }

    juce::ApplicationProperties& getApplicationProperties() noexcept { return properties; }
    juce::PropertiesFile& getUserSettings() noexcept { return *properties.getUserSettings(); }

    /** [message] Saves the file now; false when it cannot be written. */
    [[nodiscard]] bool testWriteAccess();

    /** [message] Writes every option's current text into the file and saves it if needed. */
    void storeAll();

    void setOptionsDialogOpen (bool isOpen) noexcept { optionsDialogOpen = isOpen; }
    [[nodiscard]] bool isOptionsDialogOpen() const noexcept { return optionsDialogOpen; }

    void addListener (Listener* listener);
    void removeListener (Listener* listener);

    /** Every record, in creation order. */
    const std::vector<std::unique_ptr<Setting>>& getAll() const noexcept { return all; }

    BoolSetting& advanceCursorAfterRecording;
    BoolSetting& cursorFollowsUndoRedo;
    BoolSetting& inputMonitoring;
    BoolSetting& showNonRhythmicalLoopsButton;
    ChoiceSetting& durationButtonsMode;
    ChoiceSetting& loopDivisionMode;
    ChoiceSetting& midiRepeatFilterMs;
    ChoiceSetting& latencyOffsetMs;
    BoolSetting& showResetMixButton;
    BoolSetting& showEraseChannelButton;
    BoolSetting& handOverRecordingOnMove;
    BoolSetting& controllersFlipToggles;
    BoolSetting& showPlayResyncButton;
    ChoiceSetting& sampleMemoryMb;
    BoolSetting& oscServer;
    NumberSetting& oscPort;
    ChoiceSetting& oscAddress; // 0: this computer only (loopback), 1: every network
    BoolSetting& linkSession;
    BoolSetting& linkQuantiseMainLoop;
    BoolSetting& linkStartStopSync;

    static constexpr int defaultOscPort = 9951;

    /** The sample memory chosen, in megabytes; 0 for the automatic size. */
    [[nodiscard]] std::uint32_t getSampleMemoryMb() const noexcept;

    /** The choices of the sample memory option after the automatic one, in megabytes. */
    static constexpr std::uint32_t sampleMemoryChoicesMb[] = { 256, 512, 1024, 1536, 2048, 3072, 4000 };

    /** The latency offset in milliseconds: the chosen text is its index. */
    [[nodiscard]] int getLatencyOffsetMs() const noexcept { return latencyOffsetMs.getIndex(); }

    /** The MIDI repeat filter's interval in milliseconds, -1 while it is off. */
    [[nodiscard]] std::int64_t getMidiRepeatFilterMs() const noexcept;

    static constexpr int numRepeatFilterChoices = 21;

    /** The interval of repeat-filter choice index (0, off, gives -1); nothing for an index out of range. */
    [[nodiscard]] static std::optional<std::int64_t> repeatFilterMsForChoice (int index) noexcept;

    /** Name of the application and of its settings folder. */
    static juce::String getApplicationName();

private:
    void valueChanged (juce::Value& value) override;

    static inline MainSettings* instance = nullptr;

    bool optionsDialogOpen = false;
    std::vector<Listener*> listeners;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainSettings)
};

} // namespace Work
