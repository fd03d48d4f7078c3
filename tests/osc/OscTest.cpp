// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "osc/OscServer.h"
#include "support/EngineEnvironment.h"

#include <gtest/gtest.h>
#include <lo/lo.h>

#include <cmath>
#include <cstdlib>

using namespace Work;
using namespace Work::MidiCommands;

namespace
{
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new Testing::RuntimeEnvironment());

/** Keeps what the controls post. */
struct Engine final : CommandSink
{
    bool post (const LooperCommand& command) noexcept override
    {
        posted.push_back (command);
        return true;
    }
    std::vector<LooperCommand> posted;
};

struct Button final : SimpleCommand
{
    Button()
        : SimpleCommand ("Undo", false, { CommandCode::undo })
    {
        setSink (&engine);
    }
    void guiFeedback (std::int64_t) override {}
    Engine engine;
};

struct Switch final : ToggleCommand
{
    Switch()
        : ToggleCommand ("Mute 3", false, true, { CommandCode::mute, 2 }, ModeField::second)
    {
        setSink (&engine);
    }
    void guiFeedback (std::int64_t) override {}
    Engine engine;
};

struct Flip final : ToggleCommand
{
    Flip()
        : ToggleCommand ("Redo", false, false, { CommandCode::redo })
    {
    }
    void guiFeedback (std::int64_t) override {}
};

struct Slider final : ControlChangeListener
{
    Slider()
        : ControlChangeListener ("Loop Volume 2", false, 100)
    {
    }
    void guiFeedback (std::int64_t) override {}
    int shownValue() const override { return 0; }
    void showValue (int) override {}
};

/** A serialised message: path, then the arguments lo_message_add_varargs would take. */
template <typename... Args>
std::vector<std::uint8_t> message (const char* path, const char* types = "", Args... args)
{
    auto* m = lo_message_new();
    lo_message_add (m, types, args..., LO_ARGS_END);
    std::size_t size = 0;
    auto* bytes = static_cast<std::uint8_t*> (lo_message_serialise (m, path, nullptr, &size));
    std::vector<std::uint8_t> result (bytes, bytes + size);
    std::free (bytes);
    lo_message_free (m);
    return result;
}

std::vector<std::uint8_t> bundle (Osc::TimeTag tag, std::initializer_list<std::vector<std::uint8_t>> elements)
{
    std::vector<std::uint8_t> b { '#', 'b', 'u', 'n', 'd', 'l', 'e', 0 };
    const auto put = [&b] (std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            b.push_back (std::uint8_t (v >> shift));
    };
    put (tag.seconds);
    put (tag.fraction);
    for (const auto& e : elements)
    {
        put (std::uint32_t (e.size()));
        b.insert (b.end(), e.begin(), e.end());
    }
    return b;
}

class OscTest : public ::testing::Test
{
protected:
    OscTest()
    {
        manager.registerMomentary (&undo);
        manager.registerToggle (&mute);
        manager.registerToggle (&redo);
        manager.registerContinuous (&volume);
        book = std::make_shared<const OscAddressBook> (manager.getDispatcher());
        inbox.useBook (book->getId());
        server.setAddressBook (book);
    }

    ~OscTest() override
    {
        manager.unregister (MidiCommandKind::continuous, &volume);
        manager.unregister (MidiCommandKind::toggle, &redo);
        manager.unregister (MidiCommandKind::toggle, &mute);
        manager.unregister (MidiCommandKind::momentary, &undo);
    }

    OscRequest read (const std::vector<std::uint8_t>& bytes) const
    {
        return OscRequest::read (bytes.data(), bytes.size(), *book);
    }

    void handle (const std::vector<std::uint8_t>& bytes)
    {
        server.handlePacket (bytes.data(), bytes.size(), "127.0.0.1", 9);
    }

    /** One block of 256 frames from firstFrame, on a frame clock whose frame 1000 is at
        2 000 000 us and whose frames last 20 us (and by the wall clock, at 5000 ms). */
    void block (std::uint32_t firstFrame = 1000)
    {
        BlockStart start;
        start.timeMs = 5000;
        start.sampleRate = 50000.0;
        start.numSamples = 256;
        start.runs = true;
        start.frameClock = true;
        start.frame = firstFrame;
        start.frameMicros = 2000000 + 20 * (std::int64_t (firstFrame) - 1000);
        start.microsPerFrame = 20.0;
        inbox.blockStarting (start);
        for (auto* client : std::initializer_list<PreAudioCallbackClient*> { &undo, &mute, &volume })
            client->preAudioCallback();
    }

    juce::ScopedJuceInitialiser_GUI juce;
    MidiInputCallbackManager fanOut;
    MidiGuiManager manager { nullptr, fanOut };
    Button undo;
    Switch mute;
    Flip redo;
    Slider volume;
    std::shared_ptr<const OscAddressBook> book;
    OscInbox inbox { manager };
    OscServer server { inbox, nullptr };
};
} // namespace

TEST_F (OscTest, MessagesReadAsTheControlsTakeThem)
{
    EXPECT_NE (book->find ("/varnolo/undo"), nullptr);
    EXPECT_NE (book->find ("/varnolo/mute_3"), nullptr);
    ASSERT_NE (book->find ("/varnolo/loop_volume_2"), nullptr);

    struct Case
    {
        std::vector<std::uint8_t> bytes;
        OscRequest::Type type;
        NamedAction action;
        int value;
    };
    const Case good[] = {
        { message ("/varnolo/undo"), OscRequest::Type::command, NamedAction::trigger, 0 },
        { message ("/varnolo/undo", "f", 1.0f), OscRequest::Type::command, NamedAction::trigger, 0 },
        { message ("/varnolo/undo", "f", 0.0f), OscRequest::Type::release, NamedAction::trigger, 0 },
        { message ("/varnolo/mute_3"), OscRequest::Type::command, NamedAction::flip, 0 },
        { message ("/varnolo/mute_3", "i", 1), OscRequest::Type::command, NamedAction::on, 0 },
        { message ("/varnolo/mute_3", "F"), OscRequest::Type::command, NamedAction::off, 0 },
        { message ("/varnolo/redo", "f", 1.0f), OscRequest::Type::command, NamedAction::flip, 0 },
        { message ("/varnolo/redo", "i", 0), OscRequest::Type::release, NamedAction::flip, 0 },
        { message ("/varnolo/loop_volume_2", "f", 0.5f), OscRequest::Type::command, NamedAction::value, 64 },
        { message ("/varnolo/loop_volume_2", "d", 1.0), OscRequest::Type::command, NamedAction::value, 127 },
        { message ("/varnolo/loop_volume_2", "i", 3), OscRequest::Type::command, NamedAction::value, 3 },
    };
    for (const auto& c : good)
    {
        const auto request = read (c.bytes);
        EXPECT_EQ (request.type, c.type) << request.reason;
        EXPECT_EQ (request.action, c.action);
        EXPECT_EQ (request.value, c.value);
    }

    const std::vector<std::uint8_t> bad[] = {
        message ("/varnolo/nothing"),
        message ("/other/undo"),
        message ("/varnolo/undo", "s", "now"),
        message ("/varnolo/undo", "ii", 1, 1),
        message ("/varnolo/mute_3", "i", 2),
        message ("/varnolo/mute_3", "f", 0.5f),
        message ("/varnolo/loop_volume_2"),
        message ("/varnolo/loop_volume_2", "f", 1.01f),
        message ("/varnolo/loop_volume_2", "f", std::nanf ("")),
        message ("/varnolo/loop_volume_2", "i", 128),
        message ("/varnolo/get", "s", "everything"),
        message ("/varnolo/get", "sss", "tempo", "osc.udp://localhost:9000/", "no-slash"),
        message ("/varnolo/subscribe", "i", 9000),
        { '/', 'v', 'a', 'r', 'n', 'o', 'l', 'o', 0, 0, 0, 0 }, // no type tags
        { 0xff, 0x00, 1, 2 },
    };
    for (const auto& bytes : bad)
    {
        const auto request = read (bytes);
        EXPECT_EQ (request.type, OscRequest::Type::bad);
        EXPECT_FALSE (request.reason.empty());
    }

    const auto get = read (message ("/varnolo/get", "s", "cycle"));
    EXPECT_EQ (get.type, OscRequest::Type::get);
    EXPECT_EQ (get.replyPath, OscRequest::defaultReplyPath) << "no path: the default one";
    EXPECT_TRUE (get.replyUrl.empty()) << "no URL: the sender's";
}

TEST_F (OscTest, BundlesHandOnEveryMessageWithItsOwnBundlesTag)
{
    const Osc::TimeTag outer { 100, 5 }, inner { 101, 7 };
    const auto packet = bundle (outer, { message ("/varnolo/undo"), bundle (inner, { message ("/varnolo/mute_3") }) });

    std::vector<std::pair<std::string, std::uint32_t>> seen;
    EXPECT_TRUE (
        Osc::forEachMessage (packet.data(), packet.size(), [&] (const std::uint8_t* m, std::size_t, Osc::TimeTag tag) {
            seen.emplace_back (reinterpret_cast<const char*> (m), tag.seconds);
        }));
    ASSERT_EQ (seen.size(), 2u);
    EXPECT_EQ (seen[0], std::make_pair (std::string ("/varnolo/undo"), 100u));
    EXPECT_EQ (seen[1], std::make_pair (std::string ("/varnolo/mute_3"), 101u));

    // An element longer than what is left, and bundles nested too deep, stop the walk.
    auto cut = packet;
    cut.resize (cut.size() - 4);
    EXPECT_FALSE (Osc::forEachMessage (cut.data(), cut.size(), [] (auto...) {}));

    auto deep = message ("/varnolo/undo");
    for (int depth = 0; depth <= Osc::deepestBundle; ++depth)
        deep = bundle (outer, { deep });
    int delivered = 0;
    EXPECT_FALSE (Osc::forEachMessage (deep.data(), deep.size(), [&] (auto...) { ++delivered; }));
    EXPECT_EQ (delivered, 0);
}

TEST_F (OscTest, CommandsActAtTheStartOfTheNextBlockOrOnTheirTimesFrame)
{
    using Clock = OscInbox::Clock;
    const auto event = [this] (Clock clock, std::int64_t at) {
        OscInbox::Event e;
        e.control = &undo;
        e.kind = MidiCommandKind::momentary;
        e.clock = clock;
        e.at = at;
        e.book = book->getId();
        return e;
    };

    // Untimed: at the block's first frame. On the frame clock: frame 1000 + (at - 2 s) / 20 us.
    // By the wall clock: (at - 5000 ms) at 50 frames a millisecond. Past moments: the first frame.
    const std::pair<OscInbox::Event, std::int64_t> cases[] = {
        { event (Clock::now, 0), 0 },
        { event (Clock::serverMicros, 2000000 + 20 * 37 + 19), 37 },
        { event (Clock::serverMicros, 2000000 + 20 * 255), 255 },
        { event (Clock::serverMicros, 2000000 + 20 * 256), -1 },
        { event (Clock::serverMicros, 1000000), 0 },
        { event (Clock::wallMs, 5003), 150 },
        { event (Clock::wallMs, 5006), -1 },
    };
    BlockStart start;
    start.timeMs = 5000;
    start.sampleRate = 50000.0;
    start.numSamples = 256;
    start.frameClock = true;
    start.frame = 1000;
    start.frameMicros = 2000000;
    start.microsPerFrame = 20.0;
    for (const auto& [e, offset] : cases)
        EXPECT_EQ (OscInbox::dueOffset (e, start), offset) << int (e.clock) << " at " << e.at;

    // Through the controls: a command waits for its block, then posts at its frame; one behind
    // it that is due at once does not wait for it.
    inbox.post (event (Clock::serverMicros, 2000000 + 20 * 300));
    inbox.post (event (Clock::now, 0));
    block();
    ASSERT_EQ (undo.engine.posted.size(), 1u);
    EXPECT_EQ (undo.engine.posted[0].frame, 1000u);
    block (1256);
    ASSERT_EQ (undo.engine.posted.size(), 2u);
    EXPECT_EQ (undo.engine.posted[1].frame, 1300u);
    EXPECT_TRUE (undo.engine.posted[1].atFrame);
    EXPECT_EQ (inbox.getDispatched(), 2u);
}

TEST_F (OscTest, ThePacketsCountAndOnlyCommandsOfTheBookInForceReachTheControls)
{
    handle (message ("/varnolo/mute_3", "i", 1));
    handle (message ("/varnolo/loop_volume_2", "f", 0.0f));
    handle (bundle ({ 0, 1 }, { message ("/varnolo/undo"), message ("/varnolo/undo", "f", 0.0f), message ("/nothing") }));
    handle ({ '#', 'b', 'u', 'n', 'd', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 64 }); // an element that is not there
    block();

    ASSERT_EQ (mute.engine.posted.size(), 1u);
    EXPECT_EQ (mute.engine.posted[0].second, std::int32_t (ToggleMode::on));
    EXPECT_EQ (mute.engine.posted[0].frame, 1000u);
    EXPECT_TRUE (mute.engine.posted[0].atFrame);
    EXPECT_EQ (volume.getLatestValue(), 0);
    EXPECT_EQ (undo.engine.posted.size(), 1u);

    auto counts = server.getCounts();
    EXPECT_EQ (counts.received, 6u);
    EXPECT_EQ (counts.commands, 3u);
    EXPECT_EQ (counts.ignored, 2u) << "the unknown address and the broken bundle";

    // While the controls do not listen, commands are dropped and counted; nothing waits for later.
    {
        const CallbackDisabler::ScopedDisable held (manager);
        handle (message ("/varnolo/undo"));
        block();
    }
    block();
    EXPECT_EQ (undo.engine.posted.size(), 1u);
    EXPECT_EQ (server.getCounts().heldOff, 1u);

    // A command read through a book no longer in force names controls that may be gone.
    handle (message ("/varnolo/undo"));
    inbox.useBook (0);
    block();
    EXPECT_EQ (undo.engine.posted.size(), 1u);
    EXPECT_EQ (inbox.getLost(), 1u);

    // The log has a line for each message, the refusals with their reasons.
    int lines = 0, refusals = 0;
    while (const auto* line = server.nextLogLine())
    {
        ++lines;
        refusals += std::string (line->text).find ("ignored") != std::string::npos;
    }
    EXPECT_EQ (lines, 7) << "three commands, two refusals, one held off, one of the old book";
    EXPECT_EQ (refusals, 2);

    // Reply URLs are read with care: cut short, another protocol, no port, a port out of range.
    const auto before = server.getCounts().ignored;
    for (const char* url :
         { "osc.udp:/", "osc.tcp://host:9000/", "osc.udp://host/", "osc.udp://host:70000/", "osc.udp://[::1:9000/" })
        handle (message ("/varnolo/subscribe", "s", url));
    handle (message ("/varnolo/subscribe", "s", "osc.udp://[::1]:9000/"));
    EXPECT_EQ (server.getCounts().ignored - before, 5u);
    EXPECT_EQ (server.getNumSubscribers(), 1);
}

TEST (OscStatus, SubscribersHearWhatChangedAndThePositionOnlyWhenItIsDue)
{
    LooperView view;
    view.state.recordingOutputs = 1u << 2;
    view.state.sources[4] = 1;
    view.state.muted = 1u << 4;
    view.state.playing = true;
    view.state.cycleLength = 96000;
    view.state.cyclePosition = 100;
    view.tempoMilliBpm = 120500;
    view.clockBeatsPerBar = 3;
    const auto before = OscStatus::from (view);

    EXPECT_STREQ (before.channels[2].state, "recording");
    EXPECT_STREQ (before.channels[4].state, "sounding");
    EXPECT_TRUE (before.channels[4].muted);
    EXPECT_STREQ (before.channels[0].state, "silent");
    ASSERT_EQ (before.answer ("all").size(), std::size_t (OscStatus::numChannels + 4));
    const auto tempo = before.answer ("tempo").front().arguments;
    EXPECT_FLOAT_EQ (tempo[1].f, 120.5f);
    EXPECT_EQ (tempo[2].i, 3);

    view.state.cyclePosition = 200;
    EXPECT_TRUE (OscStatus::from (view).changesSince (before, false).empty());
    EXPECT_EQ (OscStatus::from (view).changesSince (before, true).size(), 1u);

    view.state.soloed = 1u << 7;
    view.state.playing = false;
    const auto changes = OscStatus::from (view).changesSince (before, false);
    ASSERT_EQ (changes.size(), 2u);
    EXPECT_EQ (changes[0].arguments[1].i, 8) << "channel 8 soloed";
    EXPECT_EQ (changes[1].arguments[0].s, "running");
}
