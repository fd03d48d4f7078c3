// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OscAddressBook.h"

#include <algorithm>
#include <atomic>
#include <cctype>

namespace Work
{

OscAddressBook::OscAddressBook (const MidiDispatcher& dispatcher)
{
    for (const auto kind : { MidiCommandKind::momentary, MidiCommandKind::toggle, MidiCommandKind::continuous })
        for (auto* control : dispatcher.listenersOf (kind))
            add (kind, *control);
}

std::uint64_t OscAddressBook::nextId() noexcept
{
    static std::atomic<std::uint64_t> counter { 0 };
    return ++counter;
}

std::string OscAddressBook::pathFor (const std::string& serializationName)
{
    std::string path (prefix);
    for (const auto c : serializationName)
        path += char (std::tolower (static_cast<unsigned char> (c)));
    return path;
}

void OscAddressBook::add (MidiCommandKind kind, MidiCommands::MidiGuiListener& control)
{
    auto path = pathFor (control.getSerializationName());
    const auto at = std::lower_bound (entries.begin(), entries.end(), path,
                                      [] (const Entry& e, const std::string& p) { return e.path < p; });
    if (at != entries.end() && at->path == path)
        return;

    // Read here, on the message thread: the reader never touches a control, which may go while
    // a message naming it is read.
    const bool follows =
        kind == MidiCommandKind::toggle && static_cast<MidiCommands::ToggleListener&> (control).followsControllerValue();
    entries.insert (at, Entry { std::move (path), kind, &control, follows });
}

const OscAddressBook::Entry* OscAddressBook::find (std::string_view path) const noexcept
{
    const auto at = std::lower_bound (entries.begin(), entries.end(), path,
                                      [] (const Entry& e, std::string_view p) { return e.path < p; });
    return at != entries.end() && at->path == path ? &*at : nullptr;
}

} // namespace Work
