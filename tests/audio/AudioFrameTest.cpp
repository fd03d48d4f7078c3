// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "audio/MainAudio.h"
#include "engine/MemorySystem.h"
#include "midi/MidiClockSender.h"
#include "midi/TapTempo.h"
#include "support/AllocationCounter.h"
#include "support/BlockBuffers.h"
#include "support/EngineEnvironment.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <algorithm>
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

/** Device-side buffers, the outputs filled with a value that shows whether they were cleared. */
Testing::BlockBuffers deviceBuffers (int inputs, int outputs, int n, float inputValue = 0.5f)
{
    Testing::BlockBuffers buffers (inputs, outputs, n, inputValue);
    buffers.fillOutputs (7.0f);
    return buffers;
}

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

    // The lists are read by every block without a lock: they change only while no block can run.
    device.audioDeviceAboutToStart (nullptr);
    EXPECT_FALSE (device.addPreAudioCallbackClient (&pre)) << "refused while the device runs";
    EXPECT_FALSE (device.addAudioCallbackClient (&client));
    {
        const CallbackDisabler::ScopedDisable hold (device);
        EXPECT_TRUE (device.addPreAudioCallbackClient (&pre)) << "the gate held: no block runs";
        EXPECT_TRUE (device.removePreAudioCallbackClient (&pre));
    }
    device.audioDeviceStopped();
    ASSERT_TRUE (device.addPreAudioCallbackClient (&pre));
    ASSERT_TRUE (device.addAudioCallbackClient (&client));

    auto empty = deviceBuffers (2, 2, 1);
    device.processBlock (empty.inputs(), 2, empty.outputs(), 2, 0, 1000, 48000.0f);
    EXPECT_EQ (client.calls, 1) << "an empty block still reaches the clients";
    EXPECT_EQ (client.lastSamples, 0);
    EXPECT_EQ (device.getBlockClock().getBlocksCounted(), 0);

    auto tooLong = deviceBuffers (2, 2, 4097);
    device.processBlock (tooLong.inputs(), 2, tooLong.outputs(), 2, 4097, 1010, 48000.0f);
    EXPECT_EQ (client.calls, 1) << "a block longer than the engine takes runs no client";
    EXPECT_EQ (tooLong.out[0][4096], 0.0f) << "and is silent";

    {
        const CallbackDisabler::ScopedDisable hold (device);
        auto held = deviceBuffers (2, 2, 64);
        device.processBlock (held.inputs(), 2, held.outputs(), 2, 64, 1020, 48000.0f);
        EXPECT_EQ (pre.calls, 1) << "held off: no pre-block client either";
        EXPECT_EQ (client.calls, 1);
        EXPECT_EQ (held.out[1], std::vector<float> (64, 0.0f)) << "held off: exactly silent";
    }

    auto normal = deviceBuffers (2, 2, 64);
    device.processBlock (normal.inputs(), 2, normal.outputs(), 2, 64, 1030, 44100.0f);
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
    ASSERT_TRUE (device.addAudioCallbackClient (&client));

    auto oneInput = deviceBuffers (1, 4, 64);
    device.processBlock (oneInput.inputs(), 1, oneInput.outputs(), 4, 64, 1000, 48000.0f);
    EXPECT_EQ (client.secondInput, 0.0f) << "engine input 1 reads silence";
    EXPECT_EQ (oneInput.out[1][10], 1.0f);
    EXPECT_EQ (oneInput.out[2], std::vector<float> (64, 0.0f)) << "device outputs beyond the engine stay silent";
    EXPECT_EQ (oneInput.out[3], std::vector<float> (64, 0.0f));

    auto noOutputs = deviceBuffers (2, 0, 64);
    device.processBlock (noOutputs.inputs(), 2, noOutputs.outputs(), 0, 64, 1010, 48000.0f);
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

    auto silent = deviceBuffers (2, 2, 64, 0.25f);
    audio.getDevice().processBlock (silent.inputs(), 2, silent.outputs(), 2, 64, 1000, 48000.0f);
    EXPECT_EQ (silent.out[0], std::vector<float> (64, 0.0f)) << "monitoring off, nothing recorded: silence";

    audio.inputMonitoring = true;
    auto monitored = deviceBuffers (2, 2, 64, 0.25f);
    monitored.in[1].assign (64, -0.5f);
    audio.getDevice().processBlock (monitored.inputs(), 2, monitored.outputs(), 2, 64, 1010, 48000.0f);
    EXPECT_EQ (monitored.out[0], std::vector<float> (64, 0.25f));
    EXPECT_EQ (monitored.out[1], std::vector<float> (64, -0.5f));
}

TEST_F (AudioFrame, ALoopPlaysThroughTheMixer)
{
    MainAudio audio (nullptr);
    ASSERT_TRUE (audio.setupEngine (2, false, 8, 1));
    auto* looper = audio.getLooper();
    looper->setDevice (1000, 0, 0);
    CursorWord cursors (8, 1);
    looper->setCursorWord (&cursors);

    auto block = deviceBuffers (2, 2, 100, 0.0f);
    std::vector<float> left;
    left.reserve (20000);
    auto run = [&] (std::int64_t from, std::int64_t to) {
        for (auto t = from; t < to; t += 100)
        {
            for (int i = 0; i < 100; ++i)
                block.in[0][std::size_t (i)] = std::sin (float (t + i) * 0.05f);
            audio.getDevice().processBlock (block.inputs(), 2, block.outputs(), 2, 100, t, 1000.0f);
            left.insert (left.end(), block.out[0].begin(), block.out[0].end());
        }
    };

    run (0, 10000); // the block clock settles on a 1000 Hz stream
    looper->post ({ CommandCode::punch, 0, 1, 0, 10000 });
    run (10000, 10300);
    looper->post ({ CommandCode::punch, 0, 1, 0, 12950 });
    run (10300, 16000);

    const auto length = looper->getCurrentPart().mainLoopLength();
    ASSERT_GT (length, 2900u);
    const auto pan = GainTables().panLeft (64);
    // Once the loop cycles, the left output repeats at the loop's length.
    for (std::size_t t = 13500; t + length < left.size(); t += 97)
        ASSERT_NEAR (left[t], left[t + length], 1e-6f) << t;
    EXPECT_NEAR (std::abs (left[14000]), std::abs (std::sin (float (14000 - length) * 0.05f)) * pan, 0.05f);
}

TEST_F (AudioFrame, TheAudioCallbackNeverTouchesTheHeap)
{
    // The audio thread's one entry point, the device callback, through everything it reaches: the
    // controls' commands in the pre-block stage, the tempo source and the MIDI clock, the looper
    // through a performance that touches every kind of loop and command, the mixer with moving
    // sliders, input monitoring, an LV2 plug-in on the bus (swh's amplifier, which allocates
    // nothing as it runs) with its gain moving and its bypass switched.
    MainAudio audio (nullptr);
    ASSERT_TRUE (audio.setupEngine (2, false, 8, 1));
    std::string effectError;
    auto effect = Lv2Effect::create ("http://plugin.org.uk/swh-plugins/amp", 48000.0, 256, effectError);
    ASSERT_NE (effect, nullptr) << effectError << " (the swh-lv2 package is installed by the test command)";
    auto* amp = effect.get();
    audio.busEffects = BusEffectChain::holding (std::move (effect));
    audio.inputMonitoring = true;
    auto& device = audio.getDevice();
    auto* looper = audio.getLooper();
    looper->setDevice (48000, 256, 256);
    CursorWord cursors (8, 1);
    looper->setCursorWord (&cursors);

    TapTempo tempo;
    MidiClockSender clock (tempo);
    tempo.setClock (&clock);
    tempo.setClient (looper);
    clock.setMainClient (looper);
    MidiClockPair pair { &clock, &tempo };
    looper->setClock (&pair);

    // A button, a toggle and a slider as the screen has them: commands as data.
    struct Button final : MidiCommands::SimpleCommand
    {
        using SimpleCommand::SimpleCommand;
        void guiFeedback (std::int64_t) override {}
    } punch ("Punch", false, { CommandCode::punch, 0, 1, 0 });
    struct Toggle final : MidiCommands::ToggleCommand
    {
        using ToggleCommand::ToggleCommand;
        void guiFeedback (std::int64_t) override {}
    } mute ("Mute 2", true, true, { CommandCode::mute, 1 }, MidiCommands::ToggleCommand::ModeField::second);
    struct Slider final : MidiCommands::ControlChangeListener
    {
        Slider()
            : ControlChangeListener ("Volume 1", true, 100)
        {
        }
        int shownValue() const override { return 0; }
        void showValue (int) override {}
    } volume;
    for (auto* command : std::initializer_list<MidiCommands::MidiGuiListener*> { &punch, &mute, &volume })
        ASSERT_TRUE (device.addPreAudioCallbackClient (command));
    punch.setSink (looper);
    mute.setSink (looper);
    volume.setTarget (audio.getLoopMixerSet()->getChannel (0)->getVolumeListener());

    // Block b at 48 kHz in 256-sample blocks; what happens at the start of some of them. Taps 50
    // blocks apart set the tempo; the main loop is 200 blocks long, four beats.
    const std::vector<std::pair<int, LooperCommand>> performance {
        { 1, { CommandCode::tapTempo } },
        { 51, { CommandCode::tapTempo } },
        { 400, { CommandCode::stripClick, 1 } },
        { 440, { CommandCode::freeLoops } },
        { 520, { CommandCode::freeLoops } },
        { 530, { CommandCode::loopDivision } },
        { 600, { CommandCode::undo } },
        { 610, { CommandCode::redo } },
        { 620, { CommandCode::direction, 2 } },
        { 660, { CommandCode::solo, 2, 2 } },
        { 670, { CommandCode::mixBus, 2, 0 } },
        { 680, { CommandCode::multiplyDuration } },
        { 700, { CommandCode::addDuration } },
        { 720, { CommandCode::resync } },
        { 740, { CommandCode::clockOutput, 0 } },
        { 750, { CommandCode::clockOutput, 1 } },
        { 760, { CommandCode::eraseChannel, 0 } },
        { 780, { CommandCode::startStop } },
        { 800, { CommandCode::startStop } },
        { 820, { CommandCode::resetMix } },
        { 840, { CommandCode::resetLoops } },
        { 841, { CommandCode::resetLoops } },
    };
    const std::vector<int> punches { 100, 300, 410, 430, 450, 480, 540, 570 };

    auto block = deviceBuffers (2, 2, 256, 0.1f);
    auto run = [&] (int b) {
        const auto timeMs = std::int64_t (b) * 256 * 1000 / 48000;
        for (const auto& [at, command] : performance)
            if (at == b)
            {
                auto stamped = command;
                stamped.time = timeMs;
                looper->post (stamped);
            }
        if (std::find (punches.begin(), punches.end(), b) != punches.end())
            punch.guiTriggered (timeMs);
        if (b % 50 == 25)
            mute.midiToggled (timeMs);
        volume.guiValue (b % 128);
        amp->setControl (0, float (b % 13) - 6.0f);
        amp->setBypassed (b % 100 > 80);
        device.processBlock (block.inputs(), 2, block.outputs(), 2, 256, timeMs, 48000.0f);
    };

    // A save's image of the performance, taken by the audio thread between two blocks.
    LoopSetImage image;
    image.reserve();

    run (0); // the first block: nothing left to set up
    Testing::ScopedRealTimeSection section;
    for (int b = 1; b < 900; ++b)
    {
        if (b == 590)
            looper->askForImage (image);
        run (b);
    }
    const juce::AudioIODeviceCallbackContext context {};
    device.audioDeviceIOCallbackWithContext (block.inputs(), 2, block.outputs(), 2, 256, context);
    EXPECT_EQ (section.heapCalls(), 0);

    EXPECT_TRUE (looper->getCurrentPart().hasMainLoop()) << "the performance recorded loops";
    EXPECT_EQ (looper->getImageState(), VarnoloLooper::ImageState::taken);
    EXPECT_GE (image.loops.size(), 3u) << "the image holds the main loop and the loops after it";
    EXPECT_TRUE (clock.getShape().ticksPerLoop > 0) << "the clock took the tapped tempo";
    EXPECT_TRUE (looper->runRequestedWork (nullptr)) << "the performance ran to its end, the reset asked for twice";
    for (auto* command : std::initializer_list<MidiCommands::MidiGuiListener*> { &punch, &mute, &volume })
        device.removePreAudioCallbackClient (command);
    looper->setClock (nullptr);
}
