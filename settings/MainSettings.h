#pragma once

#include "BoolSetting.h"
#include "ChoiceSetting.h"

#include <memory>
#include <vector>

namespace Work
{

/** The user's options and the settings file they live in.

    MainSettings owns the juce::ApplicationProperties through which every part reaches
    the one settings file (device state, window state and MIDI assignments are kept there
    by their own parts). At construction it loads the thirteen options, writes their
    normalised texts back (so a file with stale or garbled entries is sane again on the
    next save) and sets the process-wide copies other threads read. The options dialog
    edits the records' Values; valueChanged keeps the derived state current and, while
    the dialog is open, asks the listener to rebuild the engine with the new options.

    Threads: message thread, except the records' isOn / getIndex, which any thread reads.
*/
class MainSettings final : private juce::Value::Listener
{
    // Declared first: the record references below are bound while these are being filled.
    juce::ApplicationProperties properties;
    std::vector<std::unique_ptr<Setting>> all;

public:
    /** Told about changes that reach beyond the settings themselves. [message] */
    class Listener
    {
    public:
        virtual ~Listener() = default;

        /** An option changed while the options dialog is open: rebuild the content. */
        virtual void optionsChangedWhileDialogOpen() = 0;

        /** The latency offset changed; hand it to the running looper. */
        virtual void latencyOffsetChanged (int milliseconds) = 0;
    };

    /** The file is placed in ~/.config/<name>/ unless folder names another folder
        (an absolute path; used by tests). */
    explicit MainSettings (const juce::String& folder = {});
    ~MainSettings() override;

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

    void setListener (Listener* newListener) noexcept { listener = newListener; }

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

    /** The latency offset in milliseconds: the chosen text is its index. */
    [[nodiscard]] int getLatencyOffsetMs() const noexcept { return latencyOffsetMs.getIndex(); }

    /** Name of the application and of its settings folder. */
    static juce::String getApplicationName();

private:
    void valueChanged (juce::Value& value) override;
    void applyProcessWideCopies();

    static inline MainSettings* instance = nullptr;

    bool optionsDialogOpen = false;
    Listener* listener = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainSettings)
};

} // namespace Work
