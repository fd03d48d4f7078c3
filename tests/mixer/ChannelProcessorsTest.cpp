// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "mixer/ChannelProcessors.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Work;

namespace
{
constexpr int blockSize = 64;

/** A set of output pairs, cleared or pre-filled, and a constant input. */
struct Rig
{
    explicit Rig (int numChannels, float inputValue = 1.0f)
        : input (2, std::vector<float> (blockSize, inputValue))
        , output (std::size_t (numChannels), std::vector<float> (blockSize, 0.0f))
    {
        for (auto& c : input)
            inputPointers.push_back (c.data());
        for (auto& c : output)
            outputPointers.push_back (c.data());
    }

    void clear()
    {
        for (auto& c : output)
            std::fill (c.begin(), c.end(), 0.0f);
    }

    template <typename P>
    void run (P& processor)
    {
        clear();
        ASSERT_EQ (processor.process (inputPointers.data(), outputPointers.data(), blockSize, nullptr), blockSize);
    }

    std::vector<std::vector<float>> input, output;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
};

void expectConstant (const std::vector<float>& channel, float value)
{
    for (int k = 0; k < blockSize; ++k)
        ASSERT_EQ (channel[std::size_t (k)], value) << "sample " << k;
}

void expectRamp (const std::vector<float>& channel, float from, float to)
{
    const auto step = (to - from) / float (blockSize);
    for (int k = 0; k < blockSize; ++k)
        ASSERT_NEAR (channel[std::size_t (k)], from + float (k) * step, 1e-6f) << "sample " << k;
}

class ChannelProcessors : public ::testing::Test
{
protected:
    GainTables tables;
};
} // namespace

TEST_F (ChannelProcessors, FirstBlockAtDefaultsUsesConstantGains)
{
    MonoToMultipleStereo mono (tables, 1);
    Rig rig (2);
    rig.run (mono);
    expectConstant (rig.output[0], tables.panLeft (64));
    expectConstant (rig.output[1], tables.panRight (64));
    EXPECT_NEAR (rig.output[0][0], 0.7115f, 1e-4f);

    StereoToMultipleStereo stereo (tables, 1);
    rig.input[1].assign (blockSize, 0.5f);
    rig.run (stereo);
    expectConstant (rig.output[0], 1.0f);
    expectConstant (rig.output[1], 0.5f);
}

TEST_F (ChannelProcessors, VolumeChangeRampsAcrossExactlyOneBlock)
{
    MonoToMultipleStereo mono (tables, 1);
    Rig rig (2);
    const auto full = tables.panLeft (64);

    rig.run (mono);
    mono.setVolume (0);
    rig.run (mono);
    expectRamp (rig.output[0], full, 0.0f);
    EXPECT_NEAR (rig.output[0][blockSize - 1], full / blockSize, 1e-6f) << "last sample still holds 1/n of the start";

    rig.run (mono);
    expectConstant (rig.output[0], 0.0f);
    expectConstant (rig.output[1], 0.0f);

    mono.setVolume (127);
    rig.run (mono);
    expectRamp (rig.output[1], 0.0f, tables.panRight (64));
    rig.run (mono);
    expectConstant (rig.output[1], tables.panRight (64));
}

TEST_F (ChannelProcessors, ClearingOneBusBitRampsOnlyThatBus)
{
    MonoToMultipleStereo mono (tables, 2);
    Rig rig (4);
    mono.setActiveOutputs (0b11);
    rig.run (mono); // bus 1 fades in
    rig.run (mono);
    for (int c = 0; c < 4; c += 2)
        expectConstant (rig.output[std::size_t (c)], tables.panLeft (64));
    expectConstant (rig.output[1], rig.output[3][0]);

    mono.setActiveOutputs (0b01);
    rig.run (mono);
    expectConstant (rig.output[0], tables.panLeft (64));
    expectConstant (rig.output[1], tables.panRight (64));
    expectRamp (rig.output[2], tables.panLeft (64), 0.0f);
    expectRamp (rig.output[3], tables.panRight (64), 0.0f);

    rig.run (mono);
    expectConstant (rig.output[2], 0.0f);
    expectConstant (rig.output[3], 0.0f);

    mono.setActiveOutputs (0);
    rig.run (mono);
    rig.run (mono);
    for (auto& channel : rig.output)
        expectConstant (channel, 0.0f);
}

TEST_F (ChannelProcessors, ProcessAddsToWhatIsAlreadyThere)
{
    MonoToMultipleStereo mono (tables, 1);
    Rig rig (2);
    rig.run (mono);
    const auto once = rig.output[0][0];
    mono.process (rig.inputPointers.data(), rig.outputPointers.data(), blockSize, nullptr);
    EXPECT_EQ (rig.output[0][0], 2.0f * once);
}

TEST_F (ChannelProcessors, BalanceStepsZeroAndOneSilenceTheRightSide)
{
    for (int step : { 0, 1 })
    {
        StereoToMultipleStereo stereo (tables, 1);
        stereo.setPanOrBalance (step);
        Rig rig (2);
        rig.run (stereo); // ramps from the centre
        rig.run (stereo);
        expectConstant (rig.output[0], 1.0f);
        expectConstant (rig.output[1], 0.0f);
        EXPECT_EQ (stereo.getLeftGain(), 1.0f);
        EXPECT_EQ (stereo.getRightGain(), 0.0f);
    }
}

TEST_F (ChannelProcessors, MeterGainsLeaveOutPanMuteAndRouting)
{
    MonoToMultipleStereo mono (tables, 1);
    mono.setVolume (100);
    mono.setPanOrBalance (0);
    mono.setMuted (true);
    mono.setActiveOutputs (0);
    Rig rig (2);
    rig.run (mono);
    EXPECT_EQ (mono.getGain(), tables.volume (100));
}

TEST_F (ChannelProcessors, MutingInPlaceRampsToZeroThenZeroesEveryBlock)
{
    StereoToStereo bus (tables);
    Rig rig (2, 0.0f);
    auto fill = [&] {
        for (auto& c : rig.output)
            std::fill (c.begin(), c.end(), 0.8f);
    };

    fill();
    bus.processInPlace (rig.outputPointers[0], rig.outputPointers[1], blockSize);
    expectConstant (rig.output[0], 0.8f);

    bus.setMuted (true);
    fill();
    bus.processInPlace (rig.outputPointers[0], rig.outputPointers[1], blockSize);
    expectRamp (rig.output[0], 0.8f, 0.0f);
    expectRamp (rig.output[1], 0.8f, 0.0f);

    for (int block = 0; block < 3; ++block)
    {
        fill();
        bus.processInPlace (rig.outputPointers[0], rig.outputPointers[1], blockSize);
        expectConstant (rig.output[0], 0.0f);
        expectConstant (rig.output[1], 0.0f);
    }

    MonoToMono mono (tables);
    mono.setVolume (0);
    fill();
    mono.processInPlace (rig.outputPointers[0], blockSize);
    expectRamp (rig.output[0], 0.8f, 0.0f);
    fill();
    mono.processInPlace (rig.outputPointers[0], blockSize);
    expectConstant (rig.output[0], 0.0f);
}

TEST_F (ChannelProcessors, MonoToMonoAddsWithItsVolume)
{
    MonoToMono mono (tables);
    Rig rig (1, 0.5f);
    rig.run (mono);
    expectConstant (rig.output[0], 0.5f);
    mono.setVolume (64);
    rig.run (mono);
    expectRamp (rig.output[0], 0.5f, 0.5f * tables.volume (64));
    mono.setMuted (true);
    rig.run (mono);
    rig.run (mono);
    expectConstant (rig.output[0], 0.0f);
}

TEST_F (ChannelProcessors, HolderWritesAreClampedIntoTheTables)
{
    MonoToMultipleStereo mono (tables, 1);
    mono.setVolume (500);
    mono.setPanOrBalance (-3);
    EXPECT_EQ (mono.getVolume(), 127);
    EXPECT_EQ (mono.getPanOrBalance(), 0);
    mono.setVolume (-1);
    EXPECT_EQ (mono.getVolume(), 0);
}

TEST_F (ChannelProcessors, HoldersWrittenFromAnotherThreadStayInRange)
{
    // A control thread writes wild values while the audio side processes; every output sample
    // must stay within the unity-gain bound of a table gain. Run under ThreadSanitizer too.
    MonoToMultipleStereo mono (tables, 2);
    std::atomic<bool> stop { false };
    std::thread writer ([&] {
        for (int i = 0; ! stop; ++i)
        {
            mono.setVolume (i * 37 - 500);
            mono.setPanOrBalance (i * 11 - 200);
            mono.setActiveOutputs (std::uint32_t (i));
        }
    });

    Rig rig (4);
    bool bounded = true;
    for (int block = 0; block < 2000; ++block)
    {
        rig.run (mono);
        for (auto& channel : rig.output)
            for (auto sample : channel)
                bounded = bounded && sample >= 0.0f && sample <= 1.0f;
    }
    stop = true;
    writer.join();
    EXPECT_TRUE (bounded);
}
