// Opens the engine on the JACK device through JUCE, records a one-second main loop from its first
// input by commands stamped with the wall clock, and keeps running so that the loop can be
// captured from its outputs. Used by jack_loop_test.sh; exits 2 when no JACK device opens.
#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <thread>

int main (int argc, char** argv)
{
    const auto seconds = argc > 1 ? std::atof (argv[1]) : 6.0;
    juce::ScopedJuceInitialiser_GUI juce;
    Work::MemorySystem::startEngineRuntime();
    if (Work::MemorySystem::startSampleMemory (768) == 0)
        return 1;

    int result = 0;
    {
        Work::MainAudio engine (nullptr);
        engine.setupEngine (2, false, 8, 1);
        Work::CursorWord cursors (8, 1);
        engine.getLooper()->setCursorWord (&cursors);

        const auto error = engine.openAudio();
        auto* device = engine.getDevice().getDeviceManager().getCurrentAudioDevice();

        if (error.isNotEmpty() || device == nullptr || device->getTypeName() != "JACK")
        {
            std::fprintf (stderr, "no JACK device: %s\n", error.toRawUTF8());
            result = 2;
        }
        else
        {
            std::printf ("open: %s\n", engine.getStatusText().toRawUTF8());
            std::fflush (stdout);
            const auto start = juce::Time::currentTimeMillis();
            auto post = [&] (std::int64_t atMs) {
                while (juce::Time::currentTimeMillis() < start + atMs)
                    std::this_thread::sleep_for (std::chrono::milliseconds (1));
                engine.getLooper()->postFromMessageThread ({ Work::CommandCode::punch, 0, 1, 0, juce::Time::currentTimeMillis() });
            };

            post (1000); // the input is playing by now
            post (2000);

            while (juce::Time::currentTimeMillis() < start + std::int64_t (seconds * 1000.0))
                std::this_thread::sleep_for (std::chrono::milliseconds (10));

            std::printf ("main loop: %u samples\n", engine.getLooper()->getCurrentPart().mainLoopLength());
        }

        engine.getDevice().closeDevice();
        engine.teardownEngine();
    }

    Work::MemorySystem::stopSampleMemory();
    Work::MemorySystem::stopEngineRuntime();
    return result;
}
