#pragma once

#include "midi/MidiInputCallbackManager.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace Work
{

/** The program's own MIDI ports on a JACK server: JUCE's JACK backend carries no MIDI, and
    machines without an ALSA sequencer see no MIDI device at all.

    While a JACK server runs, a JACK client named clientName holds an input port, whose events
    reach the same MIDI input fan-out as a MIDI device's (mapping, filter, log, learn, lights),
    and an output port for the MIDI clock. The names stay the same from run to run, so JACK's
    tools, a patchbay or a session manager can restore the connections; making them is theirs.

    How it works: the JACK process callback reads the input port's events, splits their bytes
    into whole messages and leaves them, stamped with the wall-clock time of their frame in the
    cycle, in the fan-out's lock-free queue; it neither allocates nor locks. When the server goes
    away the client is closed, and every second, on the message thread, the ports try to come
    back. libjack is loaded when the program runs: without it there are simply no ports.

    Threads: construction, destruction and the retry timer [message]; the process callback
    [jack]. */
class JackMidiPorts final : private juce::Timer
{
public:
    static constexpr const char* clientName = "Varnolo-MIDI";
    static constexpr const char* inputName = "in";
    static constexpr const char* outputName = "out";

    /** Opens the ports at once when a server runs, and keeps trying once a second when not. */
    explicit JackMidiPorts (MidiInputCallbackManager& fanOut);
    ~JackMidiPorts() override;

    /** [any] The ports exist on a running server. */
    [[nodiscard]] bool isOpen() const noexcept { return open.load(); }

    /** [message] Tries now, when the ports are not open. */
    void retryNow() { timerCallback(); }

    /** The wall-clock time, in milliseconds, of frame frame of a cycle that began cycleStartMs
        ago; what the process callback stamps each event with. */
    [[nodiscard]] static std::int64_t timeOfFrame (double cycleStartMs, std::uint32_t frame, double sampleRate) noexcept;

private:
    struct Jack;

    void timerCallback() override;
    bool openClient();
    void closeClient();
    void process (std::uint32_t numFrames) noexcept;

    std::unique_ptr<Jack> jack;
    MidiInputCallbackManager::Source source;
    std::atomic<bool> open { false };
    std::atomic<bool> serverGone { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JackMidiPorts)
};

} // namespace Work
