// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// libFuzzer target: a datagram on the OSC port, as the server's thread handles it: the bundle
// walk, the library's message reader, the reading of every argument for a momentary, an on/off
// and a continuous control and the program's own addresses, and the hand-over to the controls
// at the start of a block. Whatever the bytes, every command that reaches a control must be one
// it can take, and every message must be counted once.
#include "osc/OscServer.h"

#include <cstdlib>
#include <cstring>

namespace
{
using namespace Work;
using namespace Work::MidiCommands;

struct Nowhere final : CommandSink
{
    bool post (const LooperCommand&) noexcept override { return true; }
};

struct Button final : SimpleCommand
{
    Button()
        : SimpleCommand ("Punch In Out 1 1", false, { CommandCode::punch })
    {
        setSink (&sink);
    }
    void guiFeedback (std::int64_t) override {}
    Nowhere sink;
};

struct Switch final : ToggleCommand
{
    Switch()
        : ToggleCommand ("Mute 1", false, true, { CommandCode::mute }, ModeField::second)
    {
        setSink (&sink);
    }
    void guiFeedback (std::int64_t) override {}
    Nowhere sink;
};

struct Slider final : ControlChangeListener
{
    Slider()
        : ControlChangeListener ("Loop Volume 1", false, 127)
    {
    }
    void guiFeedback (std::int64_t) override {}
    int shownValue() const override { return 0; }
    void showValue (int) override {}
};

struct Rig
{
    Rig()
    {
        manager.registerMomentary (&button);
        manager.registerToggle (&toggle);
        manager.registerContinuous (&slider);
        auto book = std::make_shared<const OscAddressBook> (manager.getDispatcher());
        inbox.useBook (book->getId());
        server.setAddressBook (std::move (book));
    }

    MidiInputCallbackManager fanOut;
    MidiGuiManager manager { nullptr, fanOut };
    Button button;
    Switch toggle;
    Slider slider;
    OscInbox inbox { manager };
    OscServer server { inbox, nullptr };
    std::uint32_t frame = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static Rig rig;

    const auto receivedBefore = rig.server.getCounts().received;
    rig.server.handlePacket (data, size, "127.0.0.1", 9);
    const auto received = rig.server.getCounts().received - receivedBefore;

    // A packet that is no bundle is one message; a bundle holds none or more, each element
    // taking its size word and at least four bytes (a broken one counts once).
    const bool isBundle = size >= 8 && std::memcmp (data, "#bundle", 8) == 0;
    if (size > 0 && (isBundle ? received > size / 8 + 1 : received != 1))
        std::abort();

    BlockStart block;
    block.runs = true;
    block.numSamples = 256;
    block.sampleRate = 48000.0;
    block.frame = rig.frame;
    rig.frame += 256;
    rig.inbox.blockStarting (block);
    rig.button.preAudioCallback();
    rig.toggle.preAudioCallback();
    rig.slider.preAudioCallback();

    const auto value = rig.slider.getLatestValue();
    if (value < 0 || value > 127)
        std::abort();

    while (rig.server.nextLogLine() != nullptr)
    {
    }
    return 0;
}
