// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiCommands.h"

#include <cctype>

namespace Work::MidiCommands
{

std::string serializationNameFor (const std::string& displayName)
{
    std::string name;

    for (const auto c : displayName)
    {
        const auto u = static_cast<unsigned char> (c);
        if (c == ' ')
            name += '_';
        else if (std::isalnum (u) || c == '_' || c == '-' || c == '.')
            name += c;
    }

    if (name.empty() || ! (std::isalpha (static_cast<unsigned char> (name.front())) || name.front() == '_'))
        name.insert (name.begin(), '_');

    return name;
}

MidiGuiListener::MidiGuiListener (std::string display, bool canShare)
    : serializationName (serializationNameFor (display))
    , displayName (std::move (display))
    , shareable (canShare)
{
}

SimpleCommand::SimpleCommand (std::string displayName, bool shareable, LooperCommand actionToPost)
    : CommandListener (std::move (displayName), shareable)
    , action (actionToPost)
{
}

void SimpleCommand::frameTriggered (std::int64_t timeMs, std::uint32_t frame) noexcept
{
    // The last of the block's triggers: at most one execution per block anyway.
    frameTime = timeMs;
    frameStamp = frame;
    frameWaiting = true;
}

void SimpleCommand::preAudioCallback() noexcept
{
    bool triggered = false;
    std::int64_t time = 0;

    // The mouse first, then MIDI, keeping the last: a MIDI trigger wins within one block.
    for (auto* queue : { &guiQueue, &midiQueue })
        while (const auto* stamp = queue->pop())
        {
            time = *stamp;
            triggered = true;
        }

    // A message at a frame of this very block is the latest of all, and keeps its frame.
    const bool atFrame = frameWaiting;
    if (frameWaiting)
    {
        time = frameTime;
        frameWaiting = false;
        triggered = true;
    }

    if (! triggered)
        return;

    if (sink != nullptr)
    {
        auto command = action;
        command.time = time;
        command.frame = frameStamp;
        command.atFrame = atFrame;
        sink->post (command);
    }
    executedFlag.store (true, std::memory_order_release);
}

void SimpleCommand::guiTimerCallback (std::int64_t nowMs, int)
{
    if (executedFlag.exchange (false, std::memory_order_acq_rel))
        guiFeedback (nowMs);
}

ToggleListener::ToggleListener (std::string displayName, bool shareable, bool followsControllerValue)
    : MidiGuiListener (std::move (displayName), shareable)
    , followsValue (followsControllerValue)
{
}

ToggleCommand::ToggleCommand (std::string displayName, bool shareable, bool followsControllerValue,
                              LooperCommand actionToPost, ModeField field)
    : ToggleListener (std::move (displayName), shareable, followsControllerValue)
    , action (actionToPost)
    , modeField (field)
{
}

void ToggleCommand::preAudioCallback() noexcept
{
    auto* event = frameQueue.pop();
    if (event == nullptr)
        event = midiQueue.pop();
    if (event == nullptr)
        event = guiQueue.pop();

    if (event == nullptr || sink == nullptr)
        return;

    auto command = action;
    command.time = event->timeMs;
    command.frame = event->frame;
    command.atFrame = event->atFrame;
    if (modeField == ModeField::first)
        command.first = std::int32_t (event->mode);
    else if (modeField == ModeField::second)
        command.second = std::int32_t (event->mode);
    sink->post (command);
}

void ToggleCommand::showState (bool on, std::int64_t nowMs)
{
    if (on == shownState)
        return;

    shownState = on;
    guiFeedback (nowMs);
}

ControlChangeListener::ControlChangeListener (std::string displayName, bool shareable, int initialValue)
    : MidiGuiListener (std::move (displayName), shareable)
    , latestValue (clampValue (initialValue))
    , appliedValue (clampValue (initialValue))
    , defaultValue (clampValue (initialValue))
{
}

void ControlChangeListener::preAudioCallback() noexcept
{
    const auto value = latestValue.load (std::memory_order_relaxed);
    if (value == appliedValue)
        return;

    appliedValue = value;
    if (volumeTarget != nullptr)
        volumeTarget->setVolume (value);
    if (panTarget != nullptr)
        panTarget->setPanOrBalance (value);
}

void ControlChangeListener::guiTimerCallback (std::int64_t, int)
{
    const auto value = latestValue.load (std::memory_order_relaxed);

    if (value != shownValue())
        showValue (value);
}

} // namespace Work::MidiCommands
