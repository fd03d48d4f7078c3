// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "effects/Lv2Effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Work;

namespace
{
// swh's amplifier (the swh-lv2 package, installed by the test command): mono, one control,
// "gain" in dB from -70 to 70; its output is the input times 10^(gain / 20), in floats.
const std::string amp = "http://plugin.org.uk/swh-plugins/amp";

std::unique_ptr<Lv2Effect> makeAmp (int maxBlock = 64)
{
    std::string error;
    auto effect = Lv2Effect::create (amp, 48000.0, maxBlock, error);
    EXPECT_NE (effect, nullptr) << error;
    return effect;
}
} // namespace

TEST (Lv2Effect, TheCatalogSaysWhatTheBusCanHostAndWhy)
{
    const auto info = Lv2Catalog::find (amp);
    ASSERT_EQ (info.uri, amp);
    EXPECT_TRUE (info.isUsable()) << info.whyNot;
    ASSERT_EQ (info.controls.size(), 1u);
    EXPECT_EQ (info.controls[0].symbol, "gain");
    EXPECT_FLOAT_EQ (info.controls[0].minimum, -70.0f);
    EXPECT_FLOAT_EQ (info.controls[0].maximum, 70.0f);

    int usable = 0, refused = 0;
    for (const auto& plugin : Lv2Catalog::listAll())
    {
        (plugin.isUsable() ? usable : refused)++;
        EXPECT_TRUE (plugin.isUsable() || ! plugin.whyNot.empty());
    }
    EXPECT_GT (usable, 10);
    EXPECT_GT (refused, 0) << "swh-lv2 has instruments and analysers the bus cannot host";

    std::string error;
    EXPECT_EQ (Lv2Effect::create ("http://example.org/no-such-plug-in", 48000.0, 64, error), nullptr);
    EXPECT_NE (error.find ("no LV2 plug-in"), std::string::npos);
}

TEST (Lv2Effect, AMonoPlugInRunsOnBothSidesAndItsControlsAreKeptInRange)
{
    auto effect = makeAmp();
    ASSERT_NE (effect, nullptr);
    const int gain = effect->findControl ("gain");
    ASSERT_EQ (gain, 0);
    EXPECT_EQ (effect->findControl ("volume"), -1);

    for (const float dB : { -6.0f, 0.0f, 12.5f })
    {
        effect->setControl (gain, dB);
        std::vector<float> left (64), right (64);
        for (int i = 0; i < 64; ++i)
        {
            left[std::size_t (i)] = std::sin (0.1f * float (i));
            right[std::size_t (i)] = -0.25f * left[std::size_t (i)];
        }
        const auto dryLeft = left, dryRight = right;
        effect->process (left.data(), right.data(), 64);

        const float coefficient = std::pow (10.0f, dB * 0.05f);
        for (std::size_t i = 0; i < 64; ++i)
        {
            EXPECT_FLOAT_EQ (left[i], dryLeft[i] * coefficient) << dB << " dB, sample " << i;
            EXPECT_FLOAT_EQ (right[i], dryRight[i] * coefficient) << dB << " dB, sample " << i;
        }
    }

    effect->setControl (gain, 500.0f);
    EXPECT_FLOAT_EQ (effect->getControl (gain), 70.0f);
    effect->setControl (gain, std::nanf (""));
    EXPECT_FLOAT_EQ (effect->getControl (gain), 70.0f) << "not a number changes nothing";
}

TEST (Lv2Effect, BypassPassesTheDrySignalToTheBitAndFadesWithoutAStep)
{
    auto effect = makeAmp (256);
    ASSERT_NE (effect, nullptr);
    effect->setControl (0, -20.0f);
    effect->setBypassed (true);

    // Bypassed from the first block: the bus as it came.
    std::vector<float> left (256, 0.5f), right (256, -0.5f);
    effect->process (left.data(), right.data(), 256);
    EXPECT_EQ (left, std::vector<float> (256, 0.5f));
    EXPECT_EQ (right, std::vector<float> (256, -0.5f));

    // Switched in: from 0.5 down to 0.05 along a straight ramp of fadeFrames, never a step.
    std::vector<float> out;
    effect->setBypassed (false);
    for (int block = 0; block < 4; ++block)
    {
        std::fill (left.begin(), left.end(), 0.5f);
        effect->process (left.data(), right.data(), 256);
        out.insert (out.end(), left.begin(), left.end());
    }
    const float fullStep = 0.45f / float (Lv2Effect::fadeFrames);
    for (std::size_t i = 1; i < out.size(); ++i)
        ASSERT_LE (std::abs (out[i] - out[i - 1]), fullStep * 1.01f) << "sample " << i;
    EXPECT_FLOAT_EQ (out.back(), 0.5f * std::pow (10.0f, -1.0f));
    EXPECT_NEAR (out[Lv2Effect::fadeFrames / 2 - 1], 0.275f, fullStep);
}
