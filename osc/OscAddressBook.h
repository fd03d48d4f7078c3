// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "midi/MidiDispatcher.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Work
{

/** The OSC address of every control a MIDI message can drive: /varnolo/ and the name its MIDI
    mappings are saved under, in lower case ("Punch In Out 1 1" is /varnolo/punch_in_out_1_1).
    Made on the message thread from the controls registered for MIDI, then only read (by the OSC
    thread), so it needs no lock. */
class OscAddressBook
{
public:
    struct Entry
    {
        std::string path;
        MidiCommandKind kind = MidiCommandKind::momentary;
        MidiCommands::MidiGuiListener* control = nullptr;
        bool followsValue = false; // an on/off control that a value sets, rather than flips
    };

    static constexpr std::string_view prefix = "/varnolo/";

    OscAddressBook() = default;

    /** [message] The addresses of every control registered with dispatcher. */
    explicit OscAddressBook (const MidiDispatcher& dispatcher);

    /** Adds a control; a second control with the same address is left out. */
    void add (MidiCommandKind kind, MidiCommands::MidiGuiListener& control);

    /** The entry at path, or null. */
    [[nodiscard]] const Entry* find (std::string_view path) const noexcept;

    [[nodiscard]] const std::vector<Entry>& getEntries() const noexcept { return entries; }

    /** Unique to this book among every book made: a command read through a book that is no longer
        the one in force names controls that may be gone, and is dropped. */
    [[nodiscard]] std::uint64_t getId() const noexcept { return id; }

    /** The address of a control whose MIDI mappings are saved under serializationName. */
    [[nodiscard]] static std::string pathFor (const std::string& serializationName);

private:
    std::vector<Entry> entries; // sorted by path
    std::uint64_t id = nextId();

    static std::uint64_t nextId() noexcept;
};

} // namespace Work
