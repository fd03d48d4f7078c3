// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CallbackDisabler.h"
#include "CommandSink.h"
#include "CursorWord.h"
#include "DataMemory.h"
#include "DeferredActionRing.h"
#include "LockFreeFifo.h"
#include "LooperMessages.h"
#include "LooperMixer.h"
#include "LooperView.h"
#include "MidiClock.h"
#include "Part.h"
#include "Processor.h"
#include "SharedTempo.h"

#include <array>
#include <atomic>
#include <memory>

namespace Work
{

/** The looper's copies of the options it consults; the settings layer keeps them current.
    Single words read on the audio thread, so relaxed loads are enough. */
struct LooperOptions
{
    std::atomic<bool> advanceCursorAfterRecording { true };
    std::atomic<bool> cursorFollowsUndoRedo { true };
    std::atomic<bool> handOverRecordingOnMove { false };
    std::atomic<int> loopDivisionMode { 0 };
};

/** The real-time heart of the program: runs the current loop set once per block and talks to
    everything else through queues.

    How a block goes: deferred actions first (waits, the second half of a stop or resync, an
    undo after a recording was cut short), then the queued commands, each placed at the sample
    of its press, then the loop set, the status record for the GUI, the global fades and the
    mute and solo stage on the outputs.

    Threads: process() [audio]. Commands arrive from two threads, each on its own single-producer
    queue: post() from the audio thread's pre-block stage (buttons, MIDI), postFromMessageThread()
    from the message thread (keys, menus); process() drains the message-thread queue first. The
    GUI drains notices, status and texts into its view with pollQueues() [message]: the notices'
    codes are packed here and decoded here, into typed values. Work that must not overlap a block
    (resetting every loop, resetting the mix) is requested by the audio thread and run by
    runRequestedWork() on the message thread while the audio callback is held off; draining the
    queues never does it.

    Reports from the clock side reach the loop set only through the audio thread: tempoChanged
    leaves the new bars and beats in a mailbox that process() empties at the start of a block.

    Everything the audio thread touches is built in the constructor; process() never allocates.
*/
class VarnoloLooper final
    : public Processor
    , public CommandSink
    , public MidiClockManager::MainClient
    , public TapTempoProcessorClient
{
public:
    /** [message] A looper over the given engine inputs and loop-channel outputs. Its loops live
        in memory; parts of four loop sets are made, the first is current. */
    VarnoloLooper (MemorySystem::DataMemory& memory, int inputChannels, int outputChannels, bool stereo);
    ~VarnoloLooper() override;

    static VarnoloLooper* getInstance() noexcept { return instance; }

    static constexpr int commandCapacity = 4096;

    /** The furthest a press may act after the start of the block that carries it. */
    static constexpr int maxOffsetSeconds = 10;

    // [audio]
    int process (const float* const* inputs, float* const* outputs, int numSamples, const BlockInfo* info) noexcept override;
    bool post (const LooperCommand& command) noexcept override { return commands.push (command); }

    /** [any] Samples from the start of a block stamped blockMs to the input sample that arrived
        when a press was stamped pressMs, at rate samples per second: the input latency added,
        the latency offset taken off, never below 0 nor past maxOffsetSeconds. */
    [[nodiscard]] static std::uint32_t pressOffset (std::int64_t pressMs, std::int64_t blockMs, double rate,
                                                    int inputLatency, int latencyOffsetMs) noexcept;

    /** [any] The same for a press that came in with a block at frame pressFrame, for a block
        that begins at blockFrame (both on the device's frame clock: MIDI on the program's JACK
        port). The input sample that arrived at the same moment as the press comes later by the
        audio input's capture latency, and the press itself is late by the MIDI port's: so the
        offset is the press's frame in the block plus frameLatency (the audio capture latency less
        the MIDI capture latency), less the latency offset; never below 0 nor past
        maxOffsetSeconds. With nothing adding latency, a press acts on the very sample of its frame. */
    [[nodiscard]] static std::uint32_t frameOffset (std::uint32_t pressFrame, std::uint32_t blockFrame, double rate,
                                                    int frameLatency, int latencyOffsetMs) noexcept;

    // [message]
    bool postFromMessageThread (const LooperCommand& command) noexcept { return messageCommands.push (command); }

    /** [message] A text for the performer; 1023 characters or more are dropped. Only while the
        audio callback cannot run at the same time (device changes), or from the GUI. */
    void postText (const char* text) noexcept;

    /** [message] Drains the queues into view: the newest status, the state the notices report,
        this tick's text; changes nothing in the engine. */
    void pollQueues (LooperView& view);

    /** [message] Runs the work the audio thread asked for (a confirmed reset of every loop, a
        reset of the mix), under the callback gate, and then notes it in view when one is given.
        Returns whether anything ran. */
    bool runRequestedWork (LooperView* view);

    /** [audio] Asks for the mix to be reset (the reset-mix button). */
    void requestMixReset() noexcept { requestedWork.fetch_or (resetMixWork, std::memory_order_release); }

    /** [message] Device settings; every loop set gets the latencies. */
    void setDevice (int sampleRate, int inputLatency, int outputLatency) noexcept;

    void setLatencyOffsetMs (int ms) noexcept { latencyOffsetMs.store (ms, std::memory_order_relaxed); }
    [[nodiscard]] int getLatencyOffsetMs() const noexcept { return latencyOffsetMs.load (std::memory_order_relaxed); }
    LooperOptions& getOptions() noexcept { return options; }

    /** [message, before audio] The collaborators; each may be null. */
    void setCursorWord (CursorWord* word) noexcept { cursors = word; }
    void setMixer (LooperMixer* mixerToUse) noexcept { mixer = mixerToUse; }
    void setClock (MidiClockPair* pair) noexcept { clock = pair; }
    void setCallbackGate (CallbackDisabler::Manager* gateToUse) noexcept { gate = gateToUse; }
    void setSharedTempo (SharedTempo* session) noexcept { sharedTempo = session; }

    /** [any] The tempo the main loop offered the shared session, in thousandths of a beat per
        minute; 0 without a finished main loop or a session. */
    [[nodiscard]] int getLoopTempoMilliBpm() const noexcept { return loopTempoMilliBpm.load (std::memory_order_relaxed); }

    /** How far, in milliseconds, the cycle's start may drift from the shared session's bar before
        the loops are brought back onto it. */
    static constexpr double phaseToleranceMs = 5.0;

    /** [midi] MIDI arrived while the callbacks were held off. */
    void midiInputWhileDisabled() noexcept { disablerMessages.push (0); }

    /** [message] Clears every loop set, under the callback gate. */
    void resetAllLoops (LooperView* view);

    /** [message] Mute, solo and bus routing back to their defaults, under the callback gate. */
    void resetMix (LooperView* view);

    // Sessions. An image of the performance is taken between two blocks on the audio thread,
    // which never waits for it: the message thread asks, and reads the answer on a later tick.

    /** Where an asked-for image stands. */
    enum class ImageState
    {
        idle,      // nothing asked
        asked,     // waiting for a block where no loop records
        taken,     // the image is filled in
        recording, // refused: a loop is being recorded
        tooMany    // refused: more loops than an image holds
    };

    /** [message] Asks for image (reserved) to be filled in at the start of the next block that
        has no recording going on; a recording that is only finishing is waited for. */
    void askForImage (LoopSetImage& image) noexcept;
    [[nodiscard]] ImageState getImageState() const noexcept { return imageState.load (std::memory_order_acquire); }
    /** [message] Withdraws any request and fills image at once, under the callback gate: for
        when no blocks run (no device), so that nothing waits for an answer that cannot come.
        The image stays the caller's until the answer came or this was called. */
    ImageState takeImageNow (LoopSetImage& image) noexcept;

    /** [audio, or message while the audio callback cannot run] Fills image now; false when a
        loop records or there are too many. */
    bool captureImage (LoopSetImage& image) noexcept;

    enum class RestoreResult
    {
        restored,
        recording,    // refused: a loop is being recorded
        held,         // refused: the loops are held for a save
        inconsistent, // refused: the image does not fit together or does not fit the channels
        noRoom,       // the loops did not fit in the sample memory
        cleared       // they did not fit beside the old ones, which went, and not alone either
    };

    /** [message] Replaces the performance with image, under the callback gate: the loops are
        built before the old ones go, so a failure changes nothing. When that fails for want of
        memory and clearFirstIfNeeded is set, the old loops go first and the image is built in
        the freed memory (a failure then leaves no loops: cleared). */
    RestoreResult restoreImage (const LoopSetImage& image, bool clearFirstIfNeeded);

    /** [message] While held, the loops of a taken image are read for a file: nothing destroys
        them (a confirmed reset waits until they are let go). */
    void holdLoops (bool shouldHold) noexcept { loopsHeld = shouldHold; }
    [[nodiscard]] bool areLoopsHeld() const noexcept { return loopsHeld; }

    /** [any] Counts the changes to the performance: every command the looper ran but those that
        only play, move a cursor or touch the clock, every undo, reset and restore. An image keeps
        the count it was taken at. */
    [[nodiscard]] std::uint32_t getEditCount() const noexcept { return editCount.load (std::memory_order_relaxed); }

    /** Work the audio thread may request, as bits of one word. */
    static constexpr std::uint32_t resetLoopsWork = 1, resetMixWork = 2;

    // MidiClockManager::MainClient [clock side]
    void tempoChanged (int tempoMilliBpm, int beatsPerBar, int bars) override;
    void clockStarted() override { clockMessages.push ({ NoticeCode::clockStarted, 0, 0 }); }
    void clockStopped() override { clockMessages.push ({ NoticeCode::clockStopped, 0, 0 }); }
    void report (int a, int b) override { tempoMessages.push ({ NoticeCode::tempoReport, a, b }); }
    bool query() override { return false; }
    void showNotice() override;

    // TapTempoProcessorClient [clock side]
    // The tempo source reports on the audio thread, through its own queue.
    void beatsPerBarChanged (int value) override { tempoMessages.push ({ NoticeCode::clockBeatsPerBar, value, 0 }); }
    void tempoChanged (int value) override { tempoMessages.push ({ NoticeCode::tempoValue, value, 0 }); }

    // State, for views and tests.
    [[nodiscard]] Part& getCurrentPart() noexcept { return *current; }
    [[nodiscard]] bool isPlaying() const noexcept { return playing; }
    [[nodiscard]] bool isReversed() const noexcept { return reverse; }
    [[nodiscard]] LoopKind getLoopKind() const noexcept { return loopKind; }
    [[nodiscard]] std::uint32_t getMuteMask() const noexcept { return muteMask; }
    [[nodiscard]] std::uint32_t getSoloMask() const noexcept { return soloMask; }
    [[nodiscard]] std::uint32_t getToMainMask() const noexcept { return toMainMask; }
    [[nodiscard]] std::int32_t getPendingConfirmation() const noexcept { return pendingConfirmation; }
    [[nodiscard]] int getOutputBuses() const noexcept { return outputChannels / perBus; }

private:
    enum class Flow
    {
        proceed,
        stop
    };

    // Block stages
    bool runDeferredActions() noexcept;
    void takeAskedImage() noexcept;
    [[nodiscard]] static bool changesThePerformance (std::int32_t type) noexcept;
    void runCommands() noexcept;
    void buildStatus() noexcept;
    void applyMuteAndSolo (float* const* outputs, int n) noexcept;

    // Command execution (LooperCommands.cpp)
    Flow execute (const LooperCommand& command) noexcept;
    Flow punch (const LooperCommand& command) noexcept;
    Flow undo (const LooperCommand& command) noexcept;
    Flow redo() noexcept;
    Flow startStop (const LooperCommand& command) noexcept;
    Flow resync (const LooperCommand& command) noexcept;
    Flow changeDuration (bool multiply) noexcept;
    Flow changeDirection (const LooperCommand& command) noexcept;
    Flow moveCursor (const LooperCommand& command, int cursor, bool isClick) noexcept;
    Flow setMask (std::uint32_t& mask, const LooperCommand& command) noexcept;
    Flow routeToMixBus (const LooperCommand& command) noexcept;
    Flow askToReset (const LooperCommand& command) noexcept;
    Flow toggleFreeLoops() noexcept;
    Flow stepLoopDivision() noexcept;
    Flow toggleToMain (const LooperCommand& command) noexcept;
    Flow switchClockOutput (bool on) noexcept;
    Flow eraseChannel (const LooperCommand& command) noexcept;

    // The shared tempo session (LooperSharedTempo.cpp)
    /** What waits for the session's bar. Transport moves act where the bar is heard, the main
        loop's recording where the bar was played; each is worked out in the block that holds
        it, from that block's grid, so the program meets the bar exactly where the session's
        other programs on the same clock do. */
    enum BarAction : std::uint32_t
    {
        resyncOnBar = 0,
        startOnBar = 1,
        recordOnBar = 2,      // the main loop begins (barInput, barOutput, barChannels)
        closeOnBar = 3,       // the main loop ends, and the cursor barCursor steps on
        closeForStopOnBar = 4 // the main loop ends, and the transport stops after it
    };
    [[nodiscard]] bool quantisingMainLoop() const noexcept { return grid.isUsable() && grid.quantiseMainLoop; }
    /** The offset of the input sample played on the session's first bar line at or after the
        moment the sample at offset was played. */
    [[nodiscard]] std::uint32_t onRecordingBar (std::uint32_t offset) const noexcept;
    /** The time stamp of the moment the input sample at offset was played. */
    [[nodiscard]] std::int64_t timeAtOffset (std::uint32_t offset) const noexcept;
    /** Frames from the block's start to where a cycle's start would be heard on the session's next bar. */
    [[nodiscard]] std::int64_t framesToHeardBar() const noexcept;
    /** The rate the grid counts frames at: the device's own, on the computer's clock. */
    [[nodiscard]] double gridRate() const noexcept;
    /** Stops the main loop's recording at offset, and tells the clock the moment. */
    void closeMainLoop (std::uint32_t offset, std::int64_t time) noexcept;
    /** A close of the main loop: now, or on the session's bar when the loop began on one. */
    Flow closeMainLoopOnPress (const LooperCommand& command, std::uint32_t offset, bool forStop) noexcept;
    /** A deferred start or resync on the session's bar; false while it waits. */
    bool runBarAction (DeferredActionRing::Entry& action) noexcept;
    /** Start and stop shared with the session, the cycle's phase kept on its bars. [block start] */
    void followSession() noexcept;
    /** The tempo the finished main loop offers the session. [block end] */
    void offerLoopTempo() noexcept;
    void startedHere (std::int64_t frame) noexcept;

    /** [audio] A text for the performer. */
    void sendText (const char* text) noexcept;
    /** Why a loop could not be made, for the performer. */
    [[nodiscard]] static const char* whyNot (LoopRefusal refusal) noexcept;
    /** [audio] Tells the performer why a command did nothing; execution goes on. */
    Flow refuse (const char* why) noexcept;
    Flow waitFor (std::uint32_t offset) noexcept;
    void startTransport (bool withEmptyText) noexcept;
    Flow startFromStopped (const LooperCommand& command, bool withEmptyText) noexcept;
    /** The MIDI clock, or null when the engine runs without one. */
    [[nodiscard]] MidiClockManager* clockManager() const noexcept { return clock != nullptr ? clock->manager : nullptr; }
    void stopAllRecordings (std::uint32_t offset) noexcept;
    void followUndoneLoop (HistoryEntry::Type type) noexcept;
    /** Steps the cursor on after a recording stopped: always, or when the option says so. */
    void stepCursorAfterRecording (int cursor, bool always) noexcept;
    Flow stopLoopAndStep (int in, int out, std::uint32_t offset, int cursor, bool alwaysStep) noexcept;
    Flow addLoopAt (int in, int out, int channels, std::uint32_t offset, LoopKind kind) noexcept;
    Flow handOverRecording (const LooperCommand& command, int cursor, int out, std::uint32_t wordAfterMove) noexcept;
    void applyClockShape() noexcept;
    [[nodiscard]] Direction playDirection() const noexcept { return reverse ? Direction::backwards : Direction::forwards; }

    [[nodiscard]] std::uint32_t timeOffset (const LooperCommand& command) const noexcept;
    [[nodiscard]] bool loopsExist() const noexcept;
    [[nodiscard]] bool isRecording() const noexcept { return ! current->getRecordingSlots().isEmpty(); }
    [[nodiscard]] bool outputInUse (int output) const noexcept
    {
        return output >= 0 && output < 32 && (current->getRecordingSlots().outputMask() & (1u << output)) != 0;
    }
    /** The output channel under cursor k, or -1 when there is no such cursor or channel. */
    [[nodiscard]] int outputUnderCursor (int k) const noexcept;
    [[nodiscard]] std::uint32_t busBits (int bus) const noexcept;
    void postNotice (std::int32_t code, std::int32_t first = 0, std::int32_t second = 0) noexcept;

    static inline VarnoloLooper* instance = nullptr;

    MemorySystem::DataMemory& memory;
    DeferredActionRing deferred;
    LockFreeFifo<LooperCommand> commands { commandCapacity };
    LockFreeFifo<LooperCommand> messageCommands { commandCapacity };
    LockFreeFifo<LooperMessage> notices { 512 };
    LockFreeFifo<LooperMessage> clockMessages { 512 };
    LockFreeFifo<LooperMessage> tempoMessages { 512 };
    LockFreeFifo<LooperStatus> status { 1024 };
    LockFreeFifo<TextNotice> texts { 1024 };
    LockFreeFifo<TextNotice> messageTexts { 64 };
    LockFreeFifo<std::int32_t> disablerMessages { 1024 };

    int blockSize = 0;
    int sampleRate = 0;
    float blockSampleRate = 0.0f;
    int inputLatency = 0, outputLatency = 0;
    int frameLatency = 0; // of the block being processed
    std::int64_t blockTime = 0;
    std::uint32_t blockFrame = 0;
    int inputChannels, outputChannels;
    int perBus;
    std::array<std::unique_ptr<Part>, 4> parts;
    Part* current = nullptr;

    CursorWord* cursors = nullptr;
    LooperMixer* mixer = nullptr;
    MidiClockPair* clock = nullptr;
    CallbackDisabler::Manager* gate = nullptr;
    SharedTempo* sharedTempo = nullptr;
    SharedGrid grid; // of the block being processed
    bool mainLoopOnGrid = false, loopTempoOffered = false, sessionPlayingSeen = false, lastSessionPlaying = false;
    int barInput = 0, barOutput = 0, barChannels = 0, barCursor = 0; // a main loop waiting for its bar
    double loopTempo = 0.0;                                          // beats per minute, as offered
    std::atomic<int> loopTempoMilliBpm { 0 };
    LooperOptions options;
    std::atomic<int> latencyOffsetMs { 0 };
    std::atomic<bool> clockNoticePending { false };
    std::atomic<std::uint32_t> requestedWork { 0 };

    // The clock's latest bars and beats per bar, waiting for the audio thread: bit 63 marks a
    // new report, bits 32-62 the bars, bits 0-31 the beats per bar.
    std::atomic<std::uint64_t> pendingClockShape { 0 };
    static_assert (std::atomic<std::uint64_t>::is_always_lock_free);

    std::atomic<LoopSetImage*> askedImage { nullptr };
    std::atomic<ImageState> imageState { ImageState::idle };
    std::atomic<std::uint32_t> editCount { 0 };
    bool loopsHeld = false; // [message]

    std::int32_t pendingConfirmation = 0;
    std::uint32_t muteMask = 0, soloMask = 0, toMainMask = 0, appliedMuteMask = 0;
    LoopKind loopKind = LoopKind::wholeCycle;
    bool fadeOutAll = false, fadeInAll = false, playing = false, reverse = false, restarted = false;
    std::uint32_t clockStart = 0;
    LooperState statusState;
};

} // namespace Work
