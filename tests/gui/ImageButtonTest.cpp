// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "gui/controls/CommandButtons.h"
#include "gui/look/Drawing.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

using namespace Work;

namespace
{
/** Where the buttons' commands go: counted. */
struct CountingSink final : CommandSink
{
    bool post (const LooperCommand& command) noexcept override
    {
        last = command;
        ++posts;
        return true;
    }
    LooperCommand last;
    int posts = 0;
};

/** Buttons with one-colour pictures. */
struct Momentary final : SimpleImageButton
{
    explicit Momentary (CountingSink& sink)
        : SimpleImageButton ("Momentary", { CommandCode::multiplyDuration })
    {
        setSink (&sink);
        setSizeAndCreateImages (20, 20);
    }

    void createImages() override
    {
        setPictures (Drawing::backgroundImage (20, 20), Drawing::backgroundImage (20, 20),
                     Drawing::backgroundImage (20, 20));
    }
};

struct Toggle final : ToggleImageButton
{
    Toggle (CountingSink& sink, FlashMode mode)
        : ToggleImageButton ("Toggle", false, false, mode, { CommandCode::mute, 3 }, ModeField::second)
    {
        setSink (&sink);
        setSizeAndCreateImages (20, 20);
    }

    void createImages() override
    {
        setPictures (Drawing::backgroundImage (20, 20), Drawing::backgroundImage (20, 20), Drawing::backgroundImage (20, 20),
                     Drawing::backgroundImage (20, 20));
    }
};

enum Picture
{
    off = 0,
    offLit = 1,
    on = 2,
    onLit = 3
};

class ImageButtonTest : public ::testing::Test
{
protected:
    juce::ScopedJuceInitialiser_GUI juce;
    CountingSink sink;
};
} // namespace

TEST_F (ImageButtonTest, AMomentaryFlashLasts180MsFromItsLatestExecution)
{
    Momentary button (sink);

    // Executions at 1000 and 1100 (each followed by the tick that shows it), ticks every 15 ms.
    button.trigger();
    button.preAudioCallback();
    button.guiTimerCallback (1000, 0);
    EXPECT_TRUE (button.isFlashing());
    EXPECT_EQ (sink.posts, 1);
    EXPECT_EQ (sink.last.type, CommandCode::multiplyDuration) << "the button's command, as data";

    std::int64_t ended = 0;
    for (std::int64_t now = 1015; now <= 1400 && ended == 0; now += 15)
    {
        if (now == 1105)
        {
            button.trigger();
            button.preAudioCallback();
        }
        button.guiTimerCallback (now, 0);
        if (! button.isFlashing())
            ended = now;
    }

    // The flash from 1105 ends on the first tick more than 180 ms later: 1105 + 195.
    EXPECT_EQ (ended, 1300) << "one continuous flash, 180 ms after the second execution";
    EXPECT_EQ (sink.posts, 2);
}

TEST_F (ImageButtonTest, ATogglesPictureFollowsTheEngineStateAndItsFlashMode)
{
    {
        SCOPED_TRACE ("flash mode 2: on at once without a flash, the off picture flashes");
        Toggle undo (sink, ToggleImageButton::FlashMode::notWhileOn);
        undo.showState (true, 1000);
        undo.guiTimerCallback (1000, 0);
        EXPECT_EQ (undo.getShownPicture(), on);
        undo.guiTimerCallback (1190, 0);
        undo.showState (false, 1205);
        undo.guiTimerCallback (1205, 0);
        EXPECT_EQ (undo.getShownPicture(), offLit);
        undo.guiTimerCallback (1385, 0);
        EXPECT_EQ (undo.getShownPicture(), offLit) << "180 ms is not yet over";
        undo.guiTimerCallback (1400, 0);
        EXPECT_EQ (undo.getShownPicture(), off);
    }
    {
        SCOPED_TRACE ("the state it shows, seen again, gives no flash");
        Toggle mute (sink, ToggleImageButton::FlashMode::always);
        mute.showState (false, 1000);
        mute.guiTimerCallback (1000, 0);
        EXPECT_EQ (mute.getShownPicture(), off);
        EXPECT_FALSE (mute.isFlashing());
    }
    {
        SCOPED_TRACE ("a click only asks: the picture waits for the engine");
        Toggle solo (sink, ToggleImageButton::FlashMode::always);
        solo.trigger();
        solo.guiTimerCallback (1000, 0);
        EXPECT_EQ (solo.getShownPicture(), off);
        solo.preAudioCallback();
        EXPECT_EQ (sink.last.type, CommandCode::mute);
        EXPECT_EQ (sink.last.first, 3);
        EXPECT_EQ (sink.last.second, int (MidiCommands::ToggleMode::flip)) << "the request's mode in its field";
        solo.showState (true, 1015);
        solo.guiTimerCallback (1015, 0);
        EXPECT_EQ (solo.getShownPicture(), onLit);
    }
}

TEST_F (ImageButtonTest, APopupClickInLearnModeAsksToLearnAndQueuesNothing)
{
    Momentary button (sink);
    button.learnEnabled = true;
    const juce::MouseEvent rightClick (juce::Desktop::getInstance().getMainMouseSource(), {},
                                       juce::ModifierKeys (juce::ModifierKeys::rightButtonModifier), 1.0f, 0.0f, 0.0f, 0.0f,
                                       0.0f, &button, &button, juce::Time(), {}, juce::Time(), 1, false);
    button.mouseDown (rightClick);
    button.preAudioCallback();
    EXPECT_TRUE (button.learnRequested.load());
    EXPECT_EQ (sink.posts, 0);
}

TEST_F (ImageButtonTest, FramesClampTheirCornerAndThickness)
{
    // A frame 100 x 40 asked for corner 50 (half the height is 20) and thickness 40 (cut to 12).
    juce::Path frame;
    Drawing::addRoundedFrame (frame, 0.0f, 0.0f, 100.0f, 40.0f, 50.0f, 40.0f);
    EXPECT_TRUE (frame.contains (50.0f, 11.0f)) << "inside the thickness of 12";
    EXPECT_FALSE (frame.contains (50.0f, 13.0f)) << "the hole starts at 12";
    EXPECT_FALSE (frame.contains (2.0f, 2.0f)) << "the corner is rounded by 20";
    EXPECT_TRUE (frame.contains (8.0f, 20.0f));
}
