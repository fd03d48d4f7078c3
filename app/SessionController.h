// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "audio/EngineRuntime.h"
#include "engine/LoopSetImage.h"
#include "session/BusEffectImage.h"
#include "session/MixImage.h"
#include "session/SessionFolder.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <thread>

namespace Work
{

/** The performance's session: which folder it was opened from or saved to, whether it changed
    since, and the commands that save and open one.

    How a save goes: the loops are held (a confirmed reset waits, an open is refused), the looper
    is asked for an image, which the audio thread fills in between two blocks without waiting for
    anything; a timer looks for the answer, then a thread of its own writes the folder while the
    audio plays on, and the result comes back to the message thread, which lets the loops go.
    Without audio blocks (no device) the image is taken under the callback gate at once.

    Threads: message thread, but for the writing thread, which only runs SessionFolder::save. */
class SessionController final : private juce::Timer
{
public:
    static constexpr const char* recentSessionsKey = "recentSessions";
    static constexpr int recentCount = 8;

    SessionController (EngineRuntime& engine, juce::PropertiesFile& settingsFile);
    ~SessionController() override;

    /** The folder of the session, or none while the performance has never been saved. */
    [[nodiscard]] const juce::File& getFolder() const noexcept { return folder; }
    [[nodiscard]] juce::String getName() const;

    /** Whether the loops, the transport or the mix changed since the last save or open. */
    [[nodiscard]] bool hasUnsavedChanges() const;

    /** Whether anything was recorded that a quit would lose unsaved. */
    [[nodiscard]] bool hasUnsavedLoops() const;

    [[nodiscard]] bool isSaving() const noexcept { return stage != Stage::idle; }

    /** Saves to folderToUse; done is told the outcome (an empty text on success) on the message
        thread. A save already under way refuses. */
    void save (const juce::File& folderToUse, std::function<void (const juce::String& error)> done);

    /** Opens the session in folderToUse; an empty text on success, else why it was refused (and
        nothing changed, unless it says so). */
    juce::String open (const juce::File& folderToUse);

    /** The engine is about to be rebuilt (an option changed): a save waiting for its image is
        called off (and says so); one being written is finished first, its loops still there. */
    void engineWillChange();

    /** The engine was rebuilt: a performance that was saved stays so. */
    void engineChanged();

    /** Forgets the session: every loop goes, the mix is kept, the title has no name. */
    void startNew();

    /** Lets the session manager name the folder the program saves to. */
    void setFolder (const juce::File& f);

    [[nodiscard]] juce::StringArray getRecentSessions() const;

    /** Told whenever the name or the unsaved mark may have changed. */
    std::function<void()> onChange;

    /** Whether the performance holds any loop, as the screen last saw; set by the window. */
    std::function<bool()> loopsExist;

    /** The tempo the screen shows, in thousandths of a beat per minute (0: none), kept in the
        document for other programs to read; set by the window. */
    std::function<int()> tempoMilliBpm;

    /** The output bus's effect as a session keeps it (none: no effect); set by the window. */
    std::function<std::optional<BusEffectImage>()> busEffect;

    /** Puts an opened session's effect on the bus (none: takes it off); set by the window. */
    std::function<void (const std::optional<BusEffectImage>&)> useBusEffect;

private:
    enum class Stage
    {
        idle,
        waitingForImage,
        writing
    };

    void timerCallback() override;
    void write();
    void finishSave (const juce::String& error, std::uint32_t editCount, const MixImage& mix);
    void remember (const juce::File& f);
    [[nodiscard]] MixImage currentMix() const;
    [[nodiscard]] int sampleRate() const;
    [[nodiscard]] std::optional<BusEffectImage> currentEffect() const;

    EngineRuntime& engine;
    juce::PropertiesFile& settingsFile;
    juce::File folder, target;
    std::uint32_t savedEditCount = 0;
    MixImage savedMix;
    std::optional<BusEffectImage> savedEffect, writtenEffect;
    bool lastShownDirty = false, changed = true, cleanBeforeRebuild = true;

    Stage stage = Stage::idle;
    LoopSetImage image;
    int waitedTicks = 0;
    std::function<void (const juce::String&)> whenSaved;
    std::thread writer;
    std::shared_ptr<bool> alive = std::make_shared<bool> (true);

    JUCE_DECLARE_NON_COPYABLE (SessionController)
};

} // namespace Work
