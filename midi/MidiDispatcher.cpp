// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiDispatcher.h"

#include <algorithm>

namespace Work
{

using namespace MidiCommands;

namespace
{
    constexpr MidiKey valueByte = 0xff;

    bool isControlChange (MidiKey key) noexcept
    {
        return ((key >> 16) & 0xf0) == 0xb0;
    }

    /** The key as a control of this kind stores it. */
    MidiKey storedKey (MidiCommandKind kind, const MidiGuiListener* listener, MidiKey key) noexcept
    {
        if (kind == MidiCommandKind::continuous)
            return key & ~valueByte;
        if (kind == MidiCommandKind::toggle && isControlChange (key)
            && static_cast<const ToggleListener*> (listener)->followsControllerValue())
            return key & ~valueByte;
        return key;
    }

    bool repeatPasses (std::int64_t lastDispatch, std::int64_t interval, std::int64_t now) noexcept
    {
        return interval < 0 || lastDispatch + interval < now;
    }
} // namespace

MidiDispatcher::MidiDispatcher()
{
    setFilterKeys ({});
}

std::vector<MidiDispatcher::MappingEntry>& MidiDispatcher::tableOf (MidiCommandKind kind) noexcept
{
    return kind == MidiCommandKind::momentary ? momentaryTable
                                              : (kind == MidiCommandKind::continuous ? continuousTable : toggleTable);
}

const std::vector<MidiDispatcher::MappingEntry>& MidiDispatcher::tableOf (MidiCommandKind kind) const noexcept
{
    return const_cast<MidiDispatcher*> (this)->tableOf (kind);
}

std::vector<MidiGuiListener*>& MidiDispatcher::listOf (MidiCommandKind kind) noexcept
{
    return kind == MidiCommandKind::momentary
               ? momentaryListeners
               : (kind == MidiCommandKind::continuous ? continuousListeners : toggleListeners);
}

const std::vector<MidiGuiListener*>& MidiDispatcher::listenersOf (MidiCommandKind kind) const
{
    return const_cast<MidiDispatcher*> (this)->listOf (kind);
}

void MidiDispatcher::addSaved (MidiCommandKind kind, MidiGuiListener* listener, const std::vector<MidiKey>& keys,
                               std::int64_t now)
{
    listOf (kind).push_back (listener);
    for (const auto key : keys)
        tableOf (kind).push_back ({ now, listener, kind == MidiCommandKind::continuous ? key & ~valueByte : key });
}

void MidiDispatcher::registerMomentary (CommandListener* listener, const std::vector<MidiKey>& keys, std::int64_t now)
{
    addSaved (MidiCommandKind::momentary, listener, keys, now);
}

void MidiDispatcher::registerContinuous (ControlChangeListener* listener, const std::vector<MidiKey>& keys, std::int64_t now)
{
    addSaved (MidiCommandKind::continuous, listener, keys, now);
}

void MidiDispatcher::registerToggle (ToggleListener* listener, const std::vector<MidiKey>& keys, std::int64_t now)
{
    addSaved (MidiCommandKind::toggle, listener, keys, now);
}

void MidiDispatcher::unregister (MidiCommandKind kind, MidiGuiListener* listener)
{
    auto& list = listOf (kind);
    list.erase (std::remove (list.begin(), list.end(), listener), list.end());
    auto& table = tableOf (kind);
    table.erase (
        std::remove_if (table.begin(), table.end(), [listener] (const MappingEntry& e) { return e.listener == listener; }),
        table.end());
}

std::string MidiDispatcher::assign (MidiCommandKind kind, MidiGuiListener* listener, MidiKey key, std::int64_t now)
{
    if ((key & ~MidiKey (0xffffff)) != 0 || key == 0)
        return "That is not a MIDI message a control can take.";

    const auto stored = storedKey (kind, listener, key);
    const MidiCommandKind searchOrder[3][2] = { { MidiCommandKind::momentary, MidiCommandKind::toggle },
                                                { MidiCommandKind::continuous, MidiCommandKind::toggle },
                                                { MidiCommandKind::toggle, MidiCommandKind::continuous } };
    const auto& order = searchOrder[int (kind)];

    for (int t = 0; t < 2; ++t)
        for (const auto& entry : tableOf (order[t]))
        {
            if (! keysMatch (entry.key, stored))
                continue;
            if (t == 0 && entry.listener == listener)
                return "This message is already assigned to this control.";
            if (entry.listener->isShareable() && listener->isShareable())
                continue;
            return "This message is already assigned to " + entry.listener->getDisplayName() + ".";
        }

    tableOf (kind).push_back ({ now, listener, stored });
    return {};
}

bool MidiDispatcher::removeMapping (MidiCommandKind kind, MidiKey key, MidiGuiListener* listener)
{
    auto& table = tableOf (kind);
    const auto found = std::find_if (table.begin(), table.end(), [&] (const MappingEntry& e) {
        return e.listener == listener && keysMatch (e.key, key);
    });

    if (found == table.end())
        return false;

    table.erase (found);
    return true;
}

void MidiDispatcher::removeAllMappings (MidiCommandKind kind, MidiGuiListener* listener)
{
    for (const auto key : keysOf (kind, listener))
        removeMapping (kind, key, listener);
}

std::vector<MidiKey> MidiDispatcher::keysOf (MidiCommandKind kind, const MidiGuiListener* listener) const
{
    std::vector<MidiKey> keys;
    for (const auto& entry : tableOf (kind))
        if (entry.listener == listener)
            keys.push_back (entry.key);
    return keys;
}

void MidiDispatcher::setFilterKeys (std::vector<MidiKey> keys)
{
    filterLists.push_back (std::make_unique<const std::vector<MidiKey>> (std::move (keys)));
    filters.store (filterLists.back().get(), std::memory_order_release);
}

std::vector<MidiKey> MidiDispatcher::getFilterKeys() const
{
    return *filters.load (std::memory_order_acquire);
}

bool MidiDispatcher::isFiltered (MidiKey key) const noexcept
{
    const auto* list = filters.load (std::memory_order_acquire);
    return std::any_of (list->begin(), list->end(), [key] (MidiKey f) { return keysMatch (f, key); });
}

void MidiDispatcher::dispatch (MidiKey key, std::int64_t now, std::uint32_t frame, bool atFrame) noexcept
{
    if (key == 0)
        return;

    const auto interval = repeatInterval.load (std::memory_order_relaxed);
    const auto value = int (key & valueByte);

    auto passes = [interval, now] (MappingEntry& entry) {
        return repeatPasses (entry.lastDispatch.ms.load (std::memory_order_relaxed), interval, now);
    };
    auto fired = [now] (MappingEntry& entry) { entry.lastDispatch.ms.store (now, std::memory_order_relaxed); };

    for (auto& entry : momentaryTable)
        if (keysMatch (entry.key, key) && passes (entry))
        {
            auto* command = static_cast<CommandListener*> (entry.listener);
            if (atFrame)
                command->frameTriggered (now, frame);
            else
                command->midiTriggered (now);
            fired (entry);
        }

    // Within the interval a new value always passes; only a repeated 0 (the entry's value byte)
    // is held back.
    for (auto& entry : continuousTable)
        if (keysMatch (entry.key, key) && (passes (entry) || MidiKey (value) != (entry.key & valueByte)))
        {
            static_cast<ControlChangeListener*> (entry.listener)->midiValue (value);
            fired (entry);
        }

    const bool byValue = toggleByValue.load (std::memory_order_relaxed) && isControlChange (key);

    for (auto& entry : toggleTable)
    {
        auto* toggle = static_cast<ToggleListener*> (entry.listener);

        if (byValue && toggle->followsControllerValue())
        {
            if (keysMatch (entry.key, key & ~valueByte) && (passes (entry) || MidiKey (value) != (entry.key & valueByte)))
            {
                if (atFrame)
                    toggle->frameSetState (now, frame, value);
                else
                    toggle->midiSetState (now, value);
                fired (entry);
            }
        }
        else if (keysMatch (entry.key, key) && passes (entry))
        {
            if (atFrame)
                toggle->frameToggled (now, frame);
            else
                toggle->midiToggled (now);
            fired (entry);
        }
    }
}

std::string formatKeyList (const std::vector<MidiKey>& keys)
{
    std::string text;
    for (const auto key : keys)
        text += (text.empty() ? "" : ", ") + std::to_string (key);
    return text;
}

std::vector<MidiKey> parseKeyList (const std::string& text)
{
    std::vector<MidiKey> keys;
    std::size_t i = 0;

    while (i < text.size())
    {
        while (i < text.size() && text[i] == ' ')
            ++i;

        std::uint64_t value = 0;
        bool digits = false;

        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        {
            value = value * 10 + std::uint64_t (text[i] - '0');
            digits = true;
            if (value > 0xffffff)
                value = 0x1000000; // too large for a key; stop growing, drop it below
        }

        while (i < text.size() && text[i] != ' ')
            ++i; // the rest of the piece after its number

        if (digits && value != 0 && value <= 0xffffff && std::find (keys.begin(), keys.end(), MidiKey (value)) == keys.end())
            keys.push_back (MidiKey (value));
    }

    return keys;
}

} // namespace Work
