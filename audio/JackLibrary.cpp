// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "JackLibrary.h"

#include <juce_core/juce_core.h>

namespace Work
{

const JackLibrary& JackLibrary::get()
{
    static const JackLibrary library;
    return library;
}

JackLibrary::JackLibrary()
{
    // Kept for the life of the process: JACK's own threads may still be winding down at exit.
    static juce::DynamicLibrary library;
    if (! library.open ("libjack.so.0") && ! library.open ("libjack.so"))
        return;

    auto find = [] (auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype (function)>> (library.getFunction (name));
        return function != nullptr;
    };

    loaded = find (clientOpen, "jack_client_open") && find (clientClose, "jack_client_close")
             && find (activate, "jack_activate") && find (deactivate, "jack_deactivate")
             && find (getBufferSize, "jack_get_buffer_size") && find (getSampleRate, "jack_get_sample_rate")
             && find (setProcessCallback, "jack_set_process_callback") && find (setXrunCallback, "jack_set_xrun_callback")
             && find (onShutdown, "jack_on_shutdown") && find (portRegister, "jack_port_register")
             && find (portGetBuffer, "jack_port_get_buffer") && find (portName, "jack_port_name")
             && find (portGetLatencyRange, "jack_port_get_latency_range") && find (getPorts, "jack_get_ports")
             && find (connect, "jack_connect") && find (free, "jack_free") && find (lastFrameTime, "jack_last_frame_time")
             && find (getCycleTimes, "jack_get_cycle_times") && find (getTime, "jack_get_time")
             && find (midiGetEventCount, "jack_midi_get_event_count") && find (midiEventGet, "jack_midi_event_get")
             && find (midiClearBuffer, "jack_midi_clear_buffer") && find (midiEventWrite, "jack_midi_event_write");

    if (void (*setErrorFunction) (void (*) (const char*)) = nullptr; find (setErrorFunction, "jack_set_error_function"))
        setErrorFunction ([] (const char*) {});
    if (void (*setInfoFunction) (void (*) (const char*)) = nullptr; find (setInfoFunction, "jack_set_info_function"))
        setInfoFunction ([] (const char*) {});

    handle = &library;
}

} // namespace Work
