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

SimpleCommand::SimpleCommand (std::string displayName, bool shareable)
    : CommandListener (std::move (displayName), shareable)
{
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

    if (! triggered)
        return;

    execute (time);
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

ToggleCommand::ToggleCommand (std::string displayName, bool shareable, bool followsControllerValue)
    : ToggleListener (std::move (displayName), shareable, followsControllerValue)
{
}

void ToggleCommand::preAudioCallback() noexcept
{
    auto* event = midiQueue.pop();

    if (event == nullptr)
        event = guiQueue.pop();

    if (event != nullptr)
        execute (event->mode, event->timeMs);
}

void ToggleCommand::guiTimerCallback (std::int64_t nowMs, int)
{
    const bool now = state.load (std::memory_order_acquire);

    if (now != shownState)
    {
        shownState = now;
        guiFeedback (nowMs);
    }
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

    if (value != appliedValue)
    {
        appliedValue = value;
        applyValue (value);
    }
}

void ControlChangeListener::guiTimerCallback (std::int64_t, int)
{
    const auto value = latestValue.load (std::memory_order_relaxed);

    if (value != shownValue())
        showValue (value);
}

} // namespace Work::MidiCommands
