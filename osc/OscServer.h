// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "OscAddressBook.h"
#include "OscInbox.h"
#include "OscPacket.h"
#include "OscRequest.h"
#include "OscStatus.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Work
{

/** The OSC server: a UDP port other programs drive and watch the looper through.

    Its thread reads each datagram (a message, or a bundle of them), reads every message as an
    OscRequest and acts on it: a control's command goes to the inbox, which hands it to the
    controls at the start of a block, at its bundle's time when it has one; a query is answered
    at once from the status last published; a subscription is kept, and refreshed by pings. What
    cannot be read is ignored and counted. The thread never touches the engine, and nothing it
    does waits for the message thread or the audio thread.

    The message thread publishes the status once per tick: each subscriber is sent what changed
    (the cycle's position at most every 50 ms), and is dropped after 60 s without a ping.

    Every message is also written as a line for the MIDI log (a line a message, dropped when the
    log falls behind).

    Threads: the server's own thread; everything else [message], but for the counters [any]. */
class OscServer final : private juce::Thread
{
public:
    struct LogLine
    {
        char text[192];
    };

    /** clock may be null: timed commands then use the wall clock. */
    OscServer (OscInbox& inbox, const FrameClockSource* clock);
    ~OscServer() override;

    /** Opens port on the loopback address, or on every network, and starts the thread; the
        error text, empty on success. A running server is stopped first. */
    juce::String start (int port, bool everyNetwork);

    void stop();

    /** The port the server listens on, 0 while it does not. */
    [[nodiscard]] int getPort() const noexcept { return port.load(); }

    /** The controls commands address; null while there are none (commands are then refused). */
    void setAddressBook (std::shared_ptr<const OscAddressBook> book);

    /** The state now, at nowMs: answers queries from here on, and goes to the subscribers. */
    void publish (const OscStatus& status, std::int64_t nowMs);

    /** The oldest line for the log not yet taken, or null. */
    [[nodiscard]] const LogLine* nextLogLine() noexcept { return logLines.pop(); }

    [[nodiscard]] OscStatus::Counts getCounts() const noexcept;
    [[nodiscard]] int getNumSubscribers() const;

    /** One datagram from host:port, as the thread handles it (also for tests). */
    void handlePacket (const std::uint8_t* data, std::size_t size, const std::string& host, int port);

    static constexpr std::int64_t subscriptionMs = 60000, positionIntervalMs = 50;
    static constexpr int maxSubscribers = 16;

    /** Time tags further ahead than this are refused. */
    static constexpr double furthestAheadSeconds = 60.0;

    /** Where subscribers are sent the status. */
    static constexpr const char* statusPath = "/varnolo/status";

private:
    struct Subscriber
    {
        std::string url, host;
        int port = 0;
        std::int64_t lastPingMs = 0, lastPositionMs = 0;
        OscStatus lastSent;
    };

    void run() override;
    void handleMessage (const std::uint8_t* data, std::size_t size, Osc::TimeTag tag, const std::string& senderUrl);
    void postCommand (const OscRequest& request, Osc::TimeTag tag, const std::string& address, std::uint64_t bookId);
    void subscribe (const std::string& url, bool ping);
    void send (const std::string& host, int port, const char* path, const OscStatus::Answer& answer);
    void log (const std::string& text);
    void ignore (const std::string& address, const std::string& reason);

    OscInbox& inbox;
    const FrameClockSource* clock;
    std::unique_ptr<juce::DatagramSocket> socket;
    std::atomic<int> port { 0 };

    mutable std::mutex lock; // the book, the status, the subscribers and the socket's writes
    std::shared_ptr<const OscAddressBook> book;
    OscStatus status;
    std::vector<Subscriber> subscribers;

    LockFreeFifo<LogLine> logLines { 256 };
    std::atomic<std::uint64_t> received { 0 }, ignored { 0 };
};

} // namespace Work
