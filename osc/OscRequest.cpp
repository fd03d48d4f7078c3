// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OscRequest.h"

#include <lo/lo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

namespace Work
{

namespace
{
    OscRequest refused (std::string reason)
    {
        OscRequest request;
        request.reason = std::move (reason);
        return request;
    }

    bool isNumber (char type) noexcept
    {
        return std::strchr ("ihfdTF", type) != nullptr;
    }

    /** A numeric argument as a double; true and false are 1 and 0. The library's argument
        pointers point into the message, aligned to four bytes only: read byte-wise. */
    double numberOf (char type, const lo_arg* arg) noexcept
    {
        const auto read = [arg] (auto value) {
            std::memcpy (&value, arg, sizeof (value));
            return double (value);
        };

        switch (type)
        {
            case 'i': return read (std::int32_t {});
            case 'h': return read (std::int64_t {});
            case 'f': return read (float {});
            case 'd': return read (double {});
            case 'T': return 1.0;
            default: return 0.0;
        }
    }

    OscRequest readCommand (const OscAddressBook::Entry& entry, std::string_view types, lo_arg** argv)
    {
        OscRequest request;
        request.type = OscRequest::Type::command;
        request.entry = &entry;

        if (types.size() > 1)
            return refused ("too many arguments");
        if (types.size() == 1 && ! isNumber (types[0]))
            return refused ("the argument must be a number");

        const bool hasValue = types.size() == 1;
        const double number = hasValue ? numberOf (types[0], argv[0]) : 0.0;
        if (! std::isfinite (number))
            return refused ("the argument is not a number");

        switch (entry.kind)
        {
            case MidiCommandKind::momentary:
                request.action = NamedAction::trigger;
                if (hasValue && number == 0.0)
                    request.type = OscRequest::Type::release;
                return request;

            case MidiCommandKind::toggle:
                if (! entry.followsValue)
                {
                    // A control a value cannot set (undo, a punch) flips on a press; 0 is the
                    // button's release.
                    request.action = NamedAction::flip;
                    if (hasValue && number == 0.0)
                        request.type = OscRequest::Type::release;
                }
                else if (! hasValue)
                    request.action = NamedAction::flip;
                else if (number == 0.0 || number == 1.0)
                    request.action = number == 1.0 ? NamedAction::on : NamedAction::off;
                else
                    return refused ("an on/off value must be 0 or 1");
                return request;

            case MidiCommandKind::continuous:
            {
                if (! hasValue)
                    return refused ("a value is needed");
                const bool isFloat = types[0] == 'f' || types[0] == 'd';
                const double top = isFloat ? 1.0 : 127.0;
                if (number < 0.0 || number > top)
                    return refused (isFloat ? "the value must lie from 0 to 1" : "the value must lie from 0 to 127");
                request.action = NamedAction::value;
                request.value = int (std::lround (isFloat ? number * 127.0 : number));
                return request;
            }
        }

        return refused ("unknown control");
    }

    /** Up to maxStrings string arguments into the fields; false for any other argument. */
    bool readStrings (std::string_view types, lo_arg** argv, std::size_t maxStrings, std::string* fields[])
    {
        if (types.size() > maxStrings)
            return false;

        for (std::size_t i = 0; i < types.size(); ++i)
        {
            if (types[i] != 's')
                return false;
            *fields[i] = reinterpret_cast<const char*> (argv[i]); // the string lies at the argument
        }
        return true;
    }
} // namespace

OscRequest OscRequest::read (const std::uint8_t* data, std::size_t size, const OscAddressBook& book)
{
    // The library checks the whole message (padding, sizes, every argument) before it is used.
    int result = 0;
    const std::unique_ptr<std::remove_pointer_t<lo_message>, decltype (&lo_message_free)> message (
        lo_message_deserialise (const_cast<std::uint8_t*> (data), size, &result), &lo_message_free);

    if (message == nullptr || result != 0)
        return refused ("not an OSC message");

    const char* path = lo_get_path (const_cast<std::uint8_t*> (data), ssize_t (size));
    const char* typeTags = lo_message_get_types (message.get());
    lo_arg** argv = lo_message_get_argv (message.get());

    if (path == nullptr || typeTags == nullptr)
        return refused ("not an OSC message");

    const std::string_view address (path), types (typeTags);

    if (const auto* entry = book.find (address))
        return readCommand (*entry, types, argv);

    OscRequest request;

    if (address == "/varnolo/get")
    {
        std::string* fields[] = { &request.what, &request.replyUrl, &request.replyPath };
        if (types.empty() || ! readStrings (types, argv, 3, fields))
            return refused ("get takes a query and, optionally, a reply URL and path (strings)");
        if (std::find_if (std::begin (queries), std::end (queries), [&] (const char* q) { return request.what == q; })
            == std::end (queries))
            return refused ("no such query: " + request.what.substr (0, 64));
        if (request.replyPath.empty())
            request.replyPath = defaultReplyPath;
        else if (request.replyPath.front() != '/')
            return refused ("a reply path begins with /");
        request.type = Type::get;
        return request;
    }

    const std::pair<std::string_view, Type> urlOnly[] = { { "/varnolo/subscribe", Type::subscribe },
                                                          { "/varnolo/unsubscribe", Type::unsubscribe },
                                                          { "/varnolo/ping", Type::ping } };
    for (const auto& [name, type] : urlOnly)
        if (address == name)
        {
            std::string* fields[] = { &request.replyUrl };
            if (! readStrings (types, argv, 1, fields))
                return refused (std::string (name.substr (9)) + " takes at most a reply URL (a string)");
            request.type = type;
            return request;
        }

    return refused ("unknown address");
}

} // namespace Work
