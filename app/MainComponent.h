// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "SecondWindow.h"
#include "audio/EngineRuntime.h"
#include "gui/CommandWiring.h"
#include "gui/FadeLabelComponent.h"
#include "gui/GuiTimer.h"
#include "gui/InputChannelsComponent.h"
#include "gui/LoopChannelsComponent.h"
#include "gui/LoopInfoComponent.h"
#include "gui/MidiComponent.h"
#include "gui/MidiLearn.h"
#include "gui/MixBusesComponent.h"
#include "gui/TransportComponent.h"

#include <functional>
#include <memory>

namespace Work
{

/** The performance screen: the live inputs, the MIDI lights and the loop panel along the top,
    the loop channel strips with the output buses beside them, the transport row below, the
    notice line and the status lines.

    It owns the GUI timer that drives every refresh. On each tick the engine's queues are
    drained first (the looper's GUI pass lands in the LooperGuiClient operations below, which
    pass each value to the panel that shows it), then every control and view catches up. The
    screen reaches the engine only through the EngineRuntime; its controls post commands that
    the audio thread runs.

    The layout is fitted by one scale factor: every panel is laid out for a unit of the
    window's height, and the factor shrinks until everything fits. [message] */
class MainComponent final
    : public juce::Component
    , public LooperGuiClient
{
public:
    MainComponent (EngineRuntime& engine, const MainSettings& settings);
    ~MainComponent() override;

    static MainComponent* getInstance() noexcept { return instance; }

    /** Starts the refresh; call once the window shows the screen. */
    void start() { timer.start (*this); }

    /** Told when the looper starts (true) or stops (false): the window swaps its menus. */
    std::function<void (bool playing)> onTransportShown;

    /** Told when a control is to learn a MIDI message (chosen in its learn menu). */
    std::function<void (MidiCommands::MidiGuiListener& control, MidiCommandKind kind)> onLearn;

    /** Told the window title's extra texts. */
    std::function<void (const juce::String& title)> onTitleChanged;

    /** The window title: the program's name, then each non-empty text after a separator. */
    void setTitleTexts (const juce::String& first, const juce::String& second);

    /** The device status line. */
    void setDeviceStatus (const juce::String& text);

    /** The scale factor the last layout settled on. */
    [[nodiscard]] float getScaleFactor() const noexcept { return scaleFactor; }

    /** The smallest factor the layout tries before it gives up shrinking. */
    static constexpr float smallestScaleFactor = 0.02f;

    // juce::Component
    void resized() override;
    void paint (juce::Graphics& g) override;
    void paintOverChildren (juce::Graphics& g) override;
    bool keyPressed (const juce::KeyPress& key) override;

    // LooperGuiClient: the looper's GUI pass
    void transportShown (bool playing) override;
    void confirmationShown (bool visible) override;
    void realConfirm (bool visible);
    void stripDimmed (int loopChannel, bool dimmed) override;
    void busSelectionShown (int loopChannel, int bus) override;
    void toMainShown (int bus, bool on) override;
    void clockOutputShown (bool on) override;
    void clockMessage (const LooperMessage& message) override;
    void statusShown (const LooperStatus& status) override;
    void textShown (const char* text) override;
    void midiInputIgnoredShown() override;
    void loopsReset() override;
    void mixReset() override;

    // The panels, for the window, tests and benchmarks.
    [[nodiscard]] GuiTimer& getTimer() noexcept { return timer; }
    [[nodiscard]] InputChannelsComponent& getInputs() noexcept { return *inputs; }
    [[nodiscard]] LoopChannelsComponent& getLoopChannels() noexcept { return *loopChannels; }
    [[nodiscard]] TransportComponent& getTransport() noexcept { return *transport; }
    [[nodiscard]] MixBusesComponent& getMixBuses() noexcept { return *mixBuses; }
    [[nodiscard]] LoopInfoComponent& getLoopInfo() noexcept { return *loopInfo; }
    [[nodiscard]] MidiComponent& getMidi() noexcept { return midi; }
    [[nodiscard]] FadeLabelComponent& getNoticeLine() noexcept { return *notice; }
    [[nodiscard]] SecondWindow& getConfirmationWindow() noexcept { return *confirmation; }
    [[nodiscard]] CommandWiring& getWiring() noexcept { return *wiring; }
    [[nodiscard]] juce::String getDiagnostics() const { return diagnostics.getText(); }
    [[nodiscard]] float getAveragePaintMs() const noexcept { return averagePaintMs; }

    /** Whether the engine's last status showed a main loop, finished or recording. */
    [[nodiscard]] bool hasMainLoop() const noexcept { return mainLoopShown; }

    /** Brings the window to the front with the keys on the screen, as when a window that had
        them goes. */
    void takeKeysBack();

private:
    /** The first client of the GUI timer: the engine's tick, then the diagnostics and lights. */
    struct EngineTick final : GuiTimerClient
    {
        explicit EngineTick (MainComponent& o)
            : owner (o)
        {
        }
        void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override { owner.tick (nowMs, elapsedMs); }
        MainComponent& owner;
    };

    void tick (std::int64_t nowMs, int elapsedMs);
    void layOut (float factor);
    [[nodiscard]] bool fits() const;
    void setMeterFeeds (bool connect);

    static inline MainComponent* instance = nullptr;
    bool mainLoopShown = false;
    bool clockOutputOn = true; // as the clock starts

    EngineRuntime& engine;
    VarnoloLooper& looper;
    GuiTimer timer;
    EngineTick engineTick { *this };
    MeterImages meterImages;
    std::unique_ptr<InputChannelsComponent> inputs;
    std::unique_ptr<LoopChannelsComponent> loopChannels;
    std::unique_ptr<TransportComponent> transport;
    std::unique_ptr<MixBusesComponent> mixBuses;
    MidiComponent midi;
    std::unique_ptr<LoopInfoComponent> loopInfo;
    std::unique_ptr<FadeLabelComponent> notice;
    juce::Label deviceStatus, diagnostics;
    std::unique_ptr<SecondWindow> confirmation;
    std::unique_ptr<CommandWiring> wiring;
    std::unique_ptr<MidiLearnMenu> learnMenu;

    float scaleFactor = 0.14f;
    float averagePaintMs = 0.0f;
    double paintStart = 0.0;
    int tickCount = 0;
    std::uint32_t megabytesUsed = 0, megabytesFree = 0;
    LooperStatus lastStatus {};
    bool statusSeen = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};

} // namespace Work
