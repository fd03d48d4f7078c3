// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

namespace Work
{

/** A request to the looper: from a button, a MIDI command or a key. */
struct LooperCommand
{
    std::int32_t type = 0;
    std::int32_t first = 0, second = 0, third = 0;
    std::int64_t time = 0; // milliseconds, when the press happened

    /** With atFrame, the press came in with a block, at this frame on the device's frame clock
        (see BlockInfo::frame), and acts there rather than where its time would put it. */
    std::uint32_t frame = 0;
    bool atFrame = false;
};

/** A notification from the looper (or the clock side) to the GUI. */
struct LooperMessage
{
    std::int32_t code = 0;
    std::int32_t first = 0, second = 0;
};

/** A message for the performer; an empty text clears the notice line. */
struct TextNotice
{
    static constexpr std::size_t size = 1024;
    char text[size];
};

/** What the GUI shows of the looper, one record per block. */
struct LooperStatus
{
    enum Word
    {
        activityFirst = 0, // words 0-31: inputs sounding on each output bus
        cycle = 32,        // ring angle, cycle number, multiplier, add amount
        recordingInputs = 33,
        recordingOutputs = 34,
        muted = 35,
        soloed = 36,
        toMain = 37,
        flags = 38,
        memory = 39, // megabytes used << 16 | megabytes free
        loopKind = 40,
        cycleLength = 41,   // the main loop's length in samples, 0 without one
        cyclePosition = 42, // samples into the main loop
        numWords = 43
    };

    enum Flag : std::uint32_t
    {
        playing = 1,
        reversed = 2,
        canUndo = 4,
        canRedo = 8,
        hasMainLoop = 16 // a main loop exists, finished or still recording
    };

    std::array<std::uint32_t, numWords> words {};
};

static_assert (sizeof (LooperCommand) == 32 && std::is_trivially_copyable_v<LooperCommand>);
static_assert (sizeof (LooperMessage) == 12 && std::is_trivially_copyable_v<LooperMessage>);
static_assert (std::is_trivially_copyable_v<TextNotice> && std::is_trivially_copyable_v<LooperStatus>);

/** Command codes. */
namespace CommandCode
{
    constexpr std::int32_t punch = 1000, undo = 1001, redo = 1002, startStop = 1003, resync = 1004, multiplyDuration = 1007,
                           addDuration = 1008, direction = 1009, cursorStep = 1010, stripClick = 1011, mute = 1012,
                           solo = 1013, mixBus = 1014, resetLoops = 1015, playList = 1019, freeLoops = 1020,
                           loopDivision = 1021, toMain = 1025, clockOutput = 1028, eraseChannel = 1029;

    /** A tap of the beat, handed to the tempo source; and a request to reset the mix, run on the
        message thread. Neither touches the loops, so neither withdraws a pending confirmation. */
    constexpr std::int32_t tapTempo = 1030, resetMix = 1031;

    /** Joins (first 1) or leaves (0) the shared tempo session, or switches (2): passed on to the
        screen's port at once, like a tap, which keeps the choice in the settings. */
    constexpr std::int32_t link = 1032;
} // namespace CommandCode

/** Notice codes on the looper's notice queue, and the clock side's message codes. */
namespace NoticeCode
{
    constexpr std::int32_t started = 2000, stopped = 2001, resetAllLoops = 2002, confirmationCancelled = 2006,
                           confirmationRequested = 2007, playList = 2008, busMuted = 2009, busUnmuted = 2010,
                           playListRequested = 2011, busRouted = 2012, toMainChanged = 2013, clockOutputChanged = 2014,
                           resetMix = 2015, linkRequested = 2016;
    constexpr std::int32_t clockTempo = 2200, clockStarted = 2201, clockStopped = 2202, clockBeatsPerBar = 2203;
    constexpr std::int32_t tempoReport = 2300, tempoValue = 2301;
} // namespace NoticeCode

} // namespace Work
