// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

namespace Work
{

/** libjack, loaded when the program first asks for it, as a machine without JACK still runs
    the program (on ALSA): the functions the program's JACK device calls, null when the library
    or one of them is missing.

    libjack reports a missing server on stderr; the program says so itself, so the library's
    error and information printing is silenced once it is loaded. [any] */
struct JackLibrary
{
    /** The one library of the process; isLoaded() false when there is none. */
    [[nodiscard]] static const JackLibrary& get();

    [[nodiscard]] bool isLoaded() const noexcept { return loaded; }

    decltype (&::jack_client_open) clientOpen = nullptr;
    decltype (&::jack_client_close) clientClose = nullptr;
    decltype (&::jack_activate) activate = nullptr;
    decltype (&::jack_deactivate) deactivate = nullptr;
    decltype (&::jack_get_buffer_size) getBufferSize = nullptr;
    decltype (&::jack_get_sample_rate) getSampleRate = nullptr;
    decltype (&::jack_set_process_callback) setProcessCallback = nullptr;
    decltype (&::jack_set_xrun_callback) setXrunCallback = nullptr;
    decltype (&::jack_on_shutdown) onShutdown = nullptr;
    decltype (&::jack_port_register) portRegister = nullptr;
    decltype (&::jack_port_get_buffer) portGetBuffer = nullptr;
    decltype (&::jack_port_name) portName = nullptr;
    decltype (&::jack_port_get_latency_range) portGetLatencyRange = nullptr;
    decltype (&::jack_get_ports) getPorts = nullptr;
    decltype (&::jack_connect) connect = nullptr;
    decltype (&::jack_free) free = nullptr;
    decltype (&::jack_last_frame_time) lastFrameTime = nullptr;
    decltype (&::jack_get_cycle_times) getCycleTimes = nullptr;
    decltype (&::jack_get_time) getTime = nullptr;
    decltype (&::jack_midi_get_event_count) midiGetEventCount = nullptr;
    decltype (&::jack_midi_event_get) midiEventGet = nullptr;
    decltype (&::jack_midi_clear_buffer) midiClearBuffer = nullptr;
    decltype (&::jack_midi_event_write) midiEventWrite = nullptr;

private:
    JackLibrary();

    void* handle = nullptr;
    bool loaded = false;
};

} // namespace Work
