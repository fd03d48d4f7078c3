#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "support/EngineEnvironment.h"
#include "support/AllocationCounter.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <vector>

using namespace Work;

namespace
{
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new Testing::EngineEnvironment());

struct CountingPreClient : PreAudioCallbackClient
{
    void preAudioCallback() noexcept override { ++calls; }
    int calls = 0;
};

/** Writes 1 into every engine output and remembers what it was given. */
struct WritingClient : AudioCallbackClient
{
    void audioCallback (const float* const* inputs, float* const* outputs, int n, const BlockInfo& info) noexcept override
    {
        ++calls;
        lastSamples = n;
        lastInfo = info;
        if (n > 0)
            secondInput = inputs[1][0];
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                outputs[c][i] = 1.0f;
    }
    int calls = 0, lastSamples = -1;
    float secondInput = -1.0f;
    BlockInfo lastInfo;
};

/** Device-side buffers of any channel count, filled with a value that shows whether they were cleared. */
struct DeviceBuffers
{
    DeviceBuffers (int inputs, int outputs, int n, float inputValue = 0.5f)
        : in (std::size_t (inputs), std::vector<float> (std::size_t (n), inputValue))
        , out (std::size_t (outputs), std::vector<float> (std::size_t (n), 7.0f))
    {
        for (auto& c : in)
            inPointers.push_back (c.data());
        for (auto& c : out)
            outPointers.push_back (c.data());
    }
    std::vector<std::vector<float>> in, out;
    std::vector<const float*> inPointers;
    std::vector<float*> outPointers;
};

class AudioFrame : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI juce;
};
} // namespace

TEST_F (AudioFrame, BlocksReachTheClientsOnlyWhenTheyMay)
{
    AudioDevice device (nullptr);
    device.prepare (2, 2);
    CountingPreClient pre;
    WritingClient client;
    device.addPreAudioCallbackClient (&pre);
    device.addAudioCallbackClient (&client);

    DeviceBuffers empty (2, 2, 1);
    device.processBlock (empty.inPointers.data(), 2, empty.outPointers.data(), 2, 0, 1000, 48000.0f);
    EXPECT_EQ (client.calls, 1) << "an empty block still reaches the clients";
    EXPECT_EQ (client.lastSamples, 0);
    EXPECT_EQ (device.getBlockClock().getBlocksCounted(), 0);

    DeviceBuffers tooLong (2, 2, 4097);
    device.processBlock (tooLong.inPointers.data(), 2, tooLong.outPointers.data(), 2, 4097, 1010, 48000.0f);
    EXPECT_EQ (client.calls, 1) << "a block longer than the engine takes runs no client";
    EXPECT_EQ (tooLong.out[0][4096], 0.0f) << "and is silent";

    {
        const CallbackDisabler::ScopedDisable hold (device);
        DeviceBuffers held (2, 2, 64);
        device.processBlock (held.inPointers.data(), 2, held.outPointers.data(), 2, 64, 1020, 48000.0f);
        EXPECT_EQ (pre.calls, 1) << "held off: no pre-block client either";
        EXPECT_EQ (client.calls, 1);
        EXPECT_EQ (held.out[1], std::vector<float> (64, 0.0f)) << "held off: exactly silent";
    }

    DeviceBuffers normal (2, 2, 64);
    device.processBlock (normal.inPointers.data(), 2, normal.outPointers.data(), 2, 64, 1030, 44100.0f);
    EXPECT_EQ (pre.calls, 2);
    EXPECT_EQ (client.calls, 2);
    EXPECT_EQ (client.lastInfo.sampleRate, 44100.0f) << "the nominal rate until the clock settles";
    EXPECT_EQ (client.lastInfo.timeMs, 1030);
}

TEST_F (AudioFrame, DevicesWithOtherChannelCountsAreMappedOntoTheEngine)
{
    AudioDevice device (nullptr);
    device.prepare (2, 2);
    WritingClient client;
    device.addAudioCallbackClient (&client);

    DeviceBuffers oneInput (1, 4, 64);
    device.processBlock (oneInput.inPointers.data(), 1, oneInput.outPointers.data(), 4, 64, 1000, 48000.0f);
    EXPECT_EQ (client.secondInput, 0.0f) << "engine input 1 reads silence";
    EXPECT_EQ (oneInput.out[1][10], 1.0f);
    EXPECT_EQ (oneInput.out[2], std::vector<float> (64, 0.0f)) << "device outputs beyond the engine stay silent";
    EXPECT_EQ (oneInput.out[3], std::vector<float> (64, 0.0f));

    DeviceBuffers noOutputs (2, 0, 64);
    device.processBlock (noOutputs.inPointers.data(), 2, noOutputs.outPointers.data(), 0, 64, 1010, 48000.0f);
    EXPECT_EQ (client.calls, 2) << "the engine runs into scratch buffers";
}

TEST_F (AudioFrame, InputMonitoringAddsEachInputToItsOutput)
{
    MainAudio audio (nullptr);
    ASSERT_TRUE (audio.setupEngine (2, false, 8, 1));
    EXPECT_EQ (audio.getNumEngineInputs(), 2);
    EXPECT_EQ (audio.getNumEngineOutputs(), 2);
    EXPECT_EQ (audio.getBufferPatch().getNumChannels(), 8);
    EXPECT_EQ (audio.getLoopMixerSet()->size(), 8);
    EXPECT_EQ (audio.getBusMixerSet()->getNumBusReturns(), 0);

    DeviceBuffers silent (2, 2, 64, 0.25f);
    audio.getDevice().processBlock (silent.inPointers.data(), 2, silent.outPointers.data(), 2, 64, 1000, 48000.0f);
    EXPECT_EQ (silent.out[0], std::vector<float> (64, 0.0f)) << "monitoring off, nothing recorded: silence";

    audio.inputMonitoring = true;
    DeviceBuffers monitored (2, 2, 64, 0.25f);
    monitored.in[1].assign (64, -0.5f);
    audio.getDevice().processBlock (monitored.inPointers.data(), 2, monitored.outPointers.data(), 2, 64, 1010, 48000.0f);
    EXPECT_EQ (monitored.out[0], std::vector<float> (64, 0.25f));
    EXPECT_EQ (monitored.out[1], std::vector<float> (64, -0.5f));
}

TEST_F (AudioFrame, ALoopPlaysThroughTheMixerWithoutTouchingTheHeap)
{
    MainAudio audio (nullptr);
    ASSERT_TRUE (audio.setupEngine (2, false, 8, 1));
    auto* looper = audio.getLooper();
    looper->setDevice (1000, 0, 0);
    CursorWord cursors (8, 1);
    looper->setCursorWord (&cursors);

    DeviceBuffers block (2, 2, 100, 0.0f);
    std::vector<float> left;
    left.reserve (20000);
    auto run = [&] (std::int64_t from, std::int64_t to) {
        for (auto t = from; t < to; t += 100)
        {
            for (int i = 0; i < 100; ++i)
                block.in[0][std::size_t (i)] = std::sin (float (t + i) * 0.05f);
            audio.getDevice().processBlock (block.inPointers.data(), 2, block.outPointers.data(), 2, 100, t, 1000.0f);
            left.insert (left.end(), block.out[0].begin(), block.out[0].end());
        }
    };

    run (0, 10000); // the block clock settles on a 1000 Hz stream
    Testing::ScopedRealTimeSection section;
    looper->post ({ CommandCode::punch, 0, 1, 0, 10000 });
    run (10000, 10300);
    looper->post ({ CommandCode::punch, 0, 1, 0, 12950 });
    run (10300, 16000);
    EXPECT_EQ (section.heapCalls(), 0);

    const auto length = looper->getCurrentPart().mainLoopLength();
    ASSERT_GT (length, 2900u);
    const auto pan = GainTables().panLeft (64);
    // Once the loop cycles, the left output repeats at the loop's length.
    for (std::size_t t = 13500; t + length < left.size(); t += 97)
        ASSERT_NEAR (left[t], left[t + length], 1e-6f) << t;
    EXPECT_NEAR (std::abs (left[14000]), std::abs (std::sin (float (14000 - length) * 0.05f)) * pan, 0.05f);
}

TEST_F (AudioFrame, TheDeviceCallbackNeverTouchesTheHeap)
{
    MainAudio audio (nullptr);
    ASSERT_TRUE (audio.setupEngine (2, false, 8, 1));
    audio.inputMonitoring = true;
    DeviceBuffers block (2, 2, 256, 0.1f);
    const juce::AudioIODeviceCallbackContext context {};

    audio.getDevice().audioDeviceIOCallbackWithContext (block.inPointers.data(), 2, block.outPointers.data(), 2, 256, context);

    Testing::ScopedRealTimeSection section;
    for (int i = 0; i < 200; ++i)
    {
        if (i == 10)
            audio.getLooper()->post ({ CommandCode::punch, 0, 1, 0, juce::Time::currentTimeMillis() });
        audio.getDevice().audioDeviceIOCallbackWithContext (block.inPointers.data(), 2, block.outPointers.data(), 2, 256, context);
    }
    EXPECT_EQ (section.heapCalls(), 0);
    EXPECT_EQ (block.out[0][100], 0.1f) << "the callback ran the engine (input monitoring)";
}
