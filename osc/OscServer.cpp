// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "OscServer.h"

#include <lo/lo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string_view>

#if JUCE_LINUX || JUCE_BSD || JUCE_MAC
#include <sys/socket.h>
#endif

namespace Work
{

namespace
{
    std::int64_t wallClockMs() noexcept
    {
        return juce::Time::currentTimeMillis();
    }

    /** Seconds from now to tag (negative when it is past), by the OSC wall clock. */
    double secondsUntil (Osc::TimeTag tag) noexcept
    {
        lo_timetag now;
        lo_timetag_now (&now);
        return lo_timetag_diff (lo_timetag { tag.seconds, tag.fraction }, now);
    }

    /** A burst from a control surface waits in the socket while the thread is not scheduled;
        UDP drops what the socket cannot hold. The system caps the size asked for. */
    void enlargeReceiveBuffer (juce::DatagramSocket& socket)
    {
#if JUCE_LINUX || JUCE_BSD || JUCE_MAC
        const int bytes = 4 << 20;
        setsockopt (socket.getRawSocketHandle(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof (bytes));
#else
        juce::ignoreUnused (socket);
#endif
    }

    /** The host and port of an osc.udp://HOST:PORT/ URL (HOST a name, an IPv4 address or an
        IPv6 one in brackets); false for anything else. Read here rather than by the library,
        whose reader runs past the end of some malformed URLs. */
    bool readUrl (const std::string& url, std::string& host, int& port)
    {
        constexpr std::string_view scheme = "osc.udp://";
        if (url.size() > 300 || url.compare (0, scheme.size(), scheme) != 0)
            return false;

        std::string_view rest (url);
        rest.remove_prefix (scheme.size());

        std::size_t hostEnd = 0;
        if (! rest.empty() && rest.front() == '[')
        {
            hostEnd = rest.find (']');
            if (hostEnd == std::string_view::npos)
                return false;
            host = std::string (rest.substr (1, hostEnd - 1));
            ++hostEnd;
        }
        else
        {
            hostEnd = rest.find (':');
            if (hostEnd == std::string_view::npos)
                return false;
            host = std::string (rest.substr (0, hostEnd));
        }

        if (host.empty() || hostEnd >= rest.size() || rest[hostEnd] != ':')
            return false;

        rest.remove_prefix (hostEnd + 1);
        const auto digits = rest.substr (0, rest.find ('/'));
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of ("0123456789") != std::string_view::npos)
            return false;

        port = std::atoi (std::string (digits).c_str());
        return port > 0 && port < 65536;
    }
} // namespace

OscServer::OscServer (OscInbox& inboxToUse, const FrameClockSource* clockToUse)
    : juce::Thread ("OSC server")
    , inbox (inboxToUse)
    , clock (clockToUse)
{
}

OscServer::~OscServer()
{
    stop();
}

juce::String OscServer::start (int portToOpen, bool everyNetwork)
{
    stop();

    auto opened = std::make_unique<juce::DatagramSocket> (false);
    if (! opened->bindToPort (portToOpen, everyNetwork ? juce::String() : juce::String ("127.0.0.1")))
        return "The OSC server could not open port " + juce::String (portToOpen) + (everyNetwork ? "" : " on this computer")
               + ": is another program using it?";

    socket = std::move (opened);
    port = socket->getBoundPort();
    enlargeReceiveBuffer (*socket);
    startThread();
    return {};
}

void OscServer::stop()
{
    signalThreadShouldExit();
    if (socket != nullptr)
        socket->shutdown();
    stopThread (2000);
    socket = nullptr;
    port = 0;

    const std::lock_guard<std::mutex> hold (lock);
    subscribers.clear();
}

void OscServer::setAddressBook (std::shared_ptr<const OscAddressBook> newBook)
{
    const std::lock_guard<std::mutex> hold (lock);
    book = std::move (newBook);
}

OscStatus::Counts OscServer::getCounts() const noexcept
{
    OscStatus::Counts counts;
    counts.received = received.load (std::memory_order_relaxed);
    counts.commands = inbox.getDispatched();
    counts.ignored = ignored.load (std::memory_order_relaxed) + inbox.getLost();
    counts.heldOff = inbox.getHeldOff();
    return counts;
}

int OscServer::getNumSubscribers() const
{
    const std::lock_guard<std::mutex> hold (lock);
    return int (subscribers.size());
}

void OscServer::run()
{
    // The largest datagram UDP carries.
    std::vector<std::uint8_t> buffer (65536);

    while (! threadShouldExit())
    {
        if (socket->waitUntilReady (true, 200) != 1)
            continue;

        // Everything waiting is read before the next wait, so a burst empties the socket's
        // buffer as fast as it fills.
        for (int read = 0; read < 4096 && ! threadShouldExit(); ++read)
        {
            juce::String host;
            int senderPort = 0;
            const auto size = socket->read (buffer.data(), int (buffer.size()), false, host, senderPort);
            if (size <= 0)
                break;

            handlePacket (buffer.data(), std::size_t (size), host.toStdString(), senderPort);
        }
    }
}

void OscServer::handlePacket (const std::uint8_t* data, std::size_t size, const std::string& host, int senderPort)
{
    const auto senderUrl = "osc.udp://" + host + ":" + std::to_string (senderPort) + "/";

    const bool whole =
        Osc::forEachMessage (data, size, [&] (const std::uint8_t* message, std::size_t length, Osc::TimeTag tag) {
            handleMessage (message, length, tag, senderUrl);
        });

    if (! whole)
    {
        received.fetch_add (1, std::memory_order_relaxed);
        ignore ("(packet)", "a bundle whose elements do not fit");
    }
}

void OscServer::handleMessage (const std::uint8_t* data, std::size_t size, Osc::TimeTag tag, const std::string& senderUrl)
{
    received.fetch_add (1, std::memory_order_relaxed);

    std::shared_ptr<const OscAddressBook> currentBook;
    {
        const std::lock_guard<std::mutex> hold (lock);
        currentBook = book;
    }
    static const OscAddressBook noControls;
    const auto request = OscRequest::read (data, size, currentBook != nullptr ? *currentBook : noControls);

    const char* path = lo_get_path (const_cast<std::uint8_t*> (data), ssize_t (size));
    const std::string address = path != nullptr ? std::string (path).substr (0, 96) : "(not a message)";

    switch (request.type)
    {
        case OscRequest::Type::bad: ignore (address, request.reason); return;
        case OscRequest::Type::release: return;
        case OscRequest::Type::command: postCommand (request, tag, address, currentBook->getId()); return;

        case OscRequest::Type::get:
        {
            std::string host;
            int replyPort = 0;
            if (! readUrl (request.replyUrl.empty() ? senderUrl : request.replyUrl, host, replyPort))
                return ignore (address, "the reply URL is not an osc.udp:// URL with a host and a port");

            const std::lock_guard<std::mutex> hold (lock);
            auto now = status;
            now.counts = getCounts();
            for (const auto& answer : now.answer (request.what))
                send (host, replyPort, request.replyPath.c_str(), answer);
            log ("OSC " + address + " " + request.what);
            return;
        }

        case OscRequest::Type::subscribe:
        case OscRequest::Type::ping:
            subscribe (request.replyUrl.empty() ? senderUrl : request.replyUrl, request.type == OscRequest::Type::ping);
            return;

        case OscRequest::Type::unsubscribe:
        {
            const auto url = request.replyUrl.empty() ? senderUrl : request.replyUrl;
            const std::lock_guard<std::mutex> hold (lock);
            subscribers.erase (
                std::remove_if (subscribers.begin(), subscribers.end(), [&] (const Subscriber& s) { return s.url == url; }),
                subscribers.end());
            log ("OSC unsubscribed: " + url.substr (0, 96));
            return;
        }
    }
}

void OscServer::postCommand (const OscRequest& request, Osc::TimeTag tag, const std::string& address, std::uint64_t bookId)
{
    OscInbox::Event event;
    event.control = request.entry->control;
    event.kind = request.entry->kind;
    event.action = request.action;
    event.value = request.value;
    event.postedMs = wallClockMs();
    event.book = bookId;

    if (! tag.isImmediate())
    {
        // The wall clock read between two readings of the server's clock, so the tag's moment
        // on the server's clock is off by no more than half the time the readings took.
        std::int64_t serverBefore = 0, serverAfter = 0;
        const bool onServer = clock != nullptr && clock->frameClockMicros (serverBefore);
        const auto ahead = secondsUntil (tag);
        const bool stillOnServer = onServer && clock->frameClockMicros (serverAfter);

        if (ahead > furthestAheadSeconds)
            return ignore (address, "the time tag lies more than a minute ahead");

        if (ahead > 0.0)
        {
            // On the JACK server's clock when its device runs, so the command lands on a frame.
            if (stillOnServer)
            {
                event.clock = OscInbox::Clock::serverMicros;
                event.at = serverBefore + (serverAfter - serverBefore) / 2 + std::int64_t (std::llround (ahead * 1.0e6));
            }
            else
            {
                event.clock = OscInbox::Clock::wallMs;
                event.at = event.postedMs + std::int64_t (std::llround (ahead * 1.0e3));
            }
        }
    }

    if (inbox.post (event))
        log ("OSC " + address + (inbox.controlsHeldOff() ? ": held off while the MIDI log or the options are open" : ""));
    else
        log ("OSC " + address + ": the queue is full, ignored");
}

void OscServer::subscribe (const std::string& url, bool ping)
{
    std::string host;
    int replyPort = 0;
    if (! readUrl (url, host, replyPort))
        return ignore (ping ? "/varnolo/ping" : "/varnolo/subscribe",
                       "the URL is not an osc.udp:// URL with a host and a port");

    const auto now = wallClockMs();
    const std::lock_guard<std::mutex> hold (lock);
    auto found = std::find_if (subscribers.begin(), subscribers.end(), [&] (const Subscriber& s) { return s.url == url; });

    if (found == subscribers.end())
    {
        if (ping)
            return; // not (or no longer) subscribed: a ping subscribes no one
        if (int (subscribers.size()) >= maxSubscribers)
            return ignore ("/varnolo/subscribe", "there are already " + std::to_string (maxSubscribers) + " subscribers");

        // A new subscriber hears the whole state at once.
        subscribers.push_back ({ url, host, replyPort, now, now, status });
        for (const auto& answer : status.answer ("all"))
            if (answer.arguments.front().s != "counts")
                send (host, replyPort, statusPath, answer);
        log ("OSC subscribed: " + url.substr (0, 96));
        return;
    }

    found->lastPingMs = now;
    send (host, replyPort, "/varnolo/pong", OscStatus::Answer {});
}

void OscServer::publish (const OscStatus& newStatus, std::int64_t nowMs)
{
    const std::lock_guard<std::mutex> hold (lock);
    status = newStatus;

    subscribers.erase (std::remove_if (subscribers.begin(), subscribers.end(),
                                       [nowMs] (const Subscriber& s) { return nowMs - s.lastPingMs > subscriptionMs; }),
                       subscribers.end());

    for (auto& subscriber : subscribers)
    {
        const bool positionDue = nowMs - subscriber.lastPositionMs >= positionIntervalMs;
        for (const auto& answer : status.changesSince (subscriber.lastSent, positionDue))
            send (subscriber.host, subscriber.port, statusPath, answer);

        if (positionDue)
            subscriber.lastPositionMs = nowMs;
        auto sent = status;
        if (! positionDue)
            sent.cyclePosition = subscriber.lastSent.cyclePosition;
        subscriber.lastSent = sent;
    }
}

void OscServer::send (const std::string& host, int toPort, const char* path, const OscStatus::Answer& answer)
{
    if (socket == nullptr)
        return;

    const std::unique_ptr<std::remove_pointer_t<lo_message>, decltype (&lo_message_free)> message (lo_message_new(),
                                                                                                   &lo_message_free);
    for (const auto& argument : answer.arguments)
    {
        if (argument.type == 'i')
            lo_message_add_int32 (message.get(), argument.i);
        else if (argument.type == 'f')
            lo_message_add_float (message.get(), argument.f);
        else
            lo_message_add_string (message.get(), argument.s.c_str());
    }

    std::size_t size = 0;
    void* bytes = lo_message_serialise (message.get(), path, nullptr, &size);
    if (bytes == nullptr)
        return;

    socket->write (juce::String (host), toPort, bytes, int (size));
    std::free (bytes);
}

void OscServer::log (const std::string& text)
{
    LogLine line {};
    std::snprintf (line.text, sizeof (line.text), "%s", text.c_str());
    logLines.push (line);
}

void OscServer::ignore (const std::string& address, const std::string& reason)
{
    const auto count = ignored.fetch_add (1, std::memory_order_relaxed) + 1;
    log ("OSC " + address + ": " + reason + " (ignored, " + std::to_string (count) + " so far)");
}

} // namespace Work
