// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Sends MIDI messages to a JACK MIDI port, as a controller would, for the tests:
//   jack_midi_send DEST [--gap MS] MSG...
// MSG is the message's bytes in hex joined by ':' (b0:14:7f is controller 20 at 127); the
// messages go one per cycle at its first frame, MS milliseconds apart (default 100). Exits
// 2 when no JACK server runs or DEST cannot be connected.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace
{
jack_port_t* port = nullptr;
std::atomic<int> pending { 0 };
std::vector<unsigned char> message;

int process (jack_nframes_t n, void*)
{
    auto* buffer = jack_port_get_buffer (port, n);
    jack_midi_clear_buffer (buffer);
    if (pending.load() == 1)
    {
        jack_midi_event_write (buffer, 0, message.data(), message.size());
        pending = 2;
    }
    return 0;
}

std::vector<unsigned char> parse (const std::string& text)
{
    std::vector<unsigned char> bytes;
    std::size_t start = 0;
    while (start < text.size())
    {
        const auto end = text.find (':', start);
        bytes.push_back ((unsigned char)std::strtol (text.substr (start, end - start).c_str(), nullptr, 16));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return bytes;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf (stderr, "usage: jack_midi_send DEST [--gap MS] MSG...\n");
        return 1;
    }

    int gapMs = 100, first = 2;
    if (std::string (argv[2]) == "--gap" && argc > 4)
    {
        gapMs = std::atoi (argv[3]);
        first = 4;
    }

    auto* client = jack_client_open ("midi-send", JackNoStartServer, nullptr);
    if (client == nullptr)
        return 2;

    port = jack_port_register (client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback (client, process, nullptr);
    if (port == nullptr || jack_activate (client) != 0 || jack_connect (client, jack_port_name (port), argv[1]) != 0)
    {
        jack_client_close (client);
        return 2;
    }

    for (int i = first; i < argc; ++i)
    {
        message = parse (argv[i]);
        pending = 1;
        while (pending.load() != 2)
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        std::this_thread::sleep_for (std::chrono::milliseconds (gapMs));
    }

    jack_client_close (client);
    return 0;
}
