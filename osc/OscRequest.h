// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "OscAddressBook.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Work
{

/** What one OSC message asks of the program, read from its bytes; the bytes are untrusted.

    A control's address takes:
    - a momentary control: no argument, or one number (a button's press; 0 is its release,
      which does nothing);
    - an on/off control: no argument (flip), or one of true/false, 0/1 (int), 0.0/1.0 (float);
      one that a value cannot set (undo, a punch) flips on no argument or a number other than 0,
      and 0 is its button's release;
    - a continuous control: one value, a float from 0 to 1 or an int from 0 to 127.
    The program's own addresses: /varnolo/get WHAT [REPLY_URL [REPLY_PATH]];
    /varnolo/subscribe, /varnolo/unsubscribe and /varnolo/ping, each with an optional
    REPLY_URL. A missing URL means the sender. Anything else is refused with a reason. */
struct OscRequest
{
    enum class Type
    {
        command,     // a control's command: entry, action, value
        release,     // a button's release: nothing to do
        get,         // what, replyUrl, replyPath
        subscribe,   // replyUrl
        unsubscribe, // replyUrl
        ping,        // replyUrl
        bad          // reason
    };

    Type type = Type::bad;
    const OscAddressBook::Entry* entry = nullptr;
    NamedAction action = NamedAction::trigger;
    int value = 0;
    std::string what, replyUrl, replyPath, reason;

    /** The queries /varnolo/get answers. */
    static constexpr const char* queries[] = { "channels", "cycle", "tempo", "running", "counts", "all" };

    /** Where a query's answer goes when the request names no path. */
    static constexpr const char* defaultReplyPath = "/varnolo/reply";

    /** Reads one serialised message (as it came, within a packet or a bundle). */
    [[nodiscard]] static OscRequest read (const std::uint8_t* data, std::size_t size, const OscAddressBook& book);
};

} // namespace Work
