#include "midi/MidiDispatchSettings.h"

#include <gtest/gtest.h>

using Work::MidiDispatchSettings;

TEST (MidiDispatchSettings, RepeatFilterChoicesMapToTheirIntervals)
{
    const std::int64_t expected[] = { -1,  5,   10,  15,  20,  30,  40,  50,  75,  100, 150,
                                      200, 250, 300, 400, 500, 600, 700, 800, 900, 1000 };
    static_assert (std::size (expected) == MidiDispatchSettings::numRepeatIntervalChoices);

    for (int i = 0; i < MidiDispatchSettings::numRepeatIntervalChoices; ++i)
        EXPECT_EQ (MidiDispatchSettings::repeatIntervalForChoice (i), expected[i]) << i;
}

TEST (MidiDispatchSettings, OutOfRangeChoiceLeavesTheIntervalAlone)
{
    MidiDispatchSettings::setRepeatIntervalChoice (8);
    EXPECT_EQ (MidiDispatchSettings::repeatInterval.load(), 75);

    for (int bad : { -1, 21, 1000 })
    {
        EXPECT_FALSE (MidiDispatchSettings::repeatIntervalForChoice (bad).has_value());
        MidiDispatchSettings::setRepeatIntervalChoice (bad);
        EXPECT_EQ (MidiDispatchSettings::repeatInterval.load(), 75);
    }

    MidiDispatchSettings::setRepeatIntervalChoice (0);
    EXPECT_EQ (MidiDispatchSettings::repeatInterval.load(), -1);
}
