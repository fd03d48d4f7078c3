// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "SecondWindow.h"
#include "audio/EngineRuntime.h"
#include "gui/controls/FadeLabelComponent.h"
#include "gui/controls/GuiTimer.h"
#include "gui/midi/MidiComponent.h"
#include "gui/midi/MidiLearn.h"
#include "gui/screen/CommandWiring.h"
#include "gui/screen/InputChannelsComponent.h"
#include "gui/screen/LoopChannelsComponent.h"
#include "gui/screen/LoopInfoComponent.h"
#include "gui/screen/MixBusesComponent.h"
#include "gui/screen/PerformanceKeys.h"
#include "gui/screen/TransportComponent.h"

#include <functional>
#include <memory>

namespace Work
{

/** The performance screen: the live inputs, the MIDI lights and the loop panel along the top,
    the loop channel strips with the output buses beside them, the transport row below, the
    notice line and the status lines.

    It owns the GUI timer that drives every refresh. On each tick the engine's news comes first,
    through the screen's port, into one view of the engine (LooperView); every panel then shows
    what it shows from that view, and every control and view catches up. The controls post their
    commands through the port's command sink, and the keys through the port.

    The layout grows with the window: heights follow one unit, the largest at which everything
    fits the screen's height; the strips (loop channels, inputs, buses) take the width the row
    leaves, up to 1.6 units, so a wide display gets wide strips and larger controls; the ring and
    the counters fill the top row. No control is laid out smaller than Drawing::smallestControl
    and no text smaller than Drawing::smallestText: below the smallest unit the window scrolls.
    [message] */
class MainComponent final : public juce::Component
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

    /** The layout's unit (the height of a meter) and the strips' width the last layout settled
        on: the largest unit at which everything fits the screen's height, and the widest strips
        the width holds beside it. */
    [[nodiscard]] int getUnit() const noexcept { return unit; }
    [[nodiscard]] int getStripWidth() const noexcept { return stripWidth; }

    /** Below these the screen is not laid out smaller: every control keeps at least the smallest
        control's size and every text the smallest text's, and the window scrolls instead. */
    static constexpr int minimumUnit = 64, minimumStripWidth = 64, minimumButtonSize = 44;

    /** The size the screen needs at the smallest unit; a smaller window scrolls. */
    [[nodiscard]] juce::Point<int> getMinimumSize();

    // juce::Component
    void resized() override;
    void paint (juce::Graphics& g) override;
    void paintOverChildren (juce::Graphics& g) override;

    /** The engine's news brought into the view and shown at once, as on a GUI tick: for a
        decision that needs the engine's latest state. */
    void refreshNow();

    /** The engine as the screen last saw it. */
    [[nodiscard]] const LooperView& getView() const noexcept { return view; }

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
    [[nodiscard]] bool hasMainLoop() const noexcept { return view.state.hasMainLoop; }

    /** Whether any loop exists, as the last status said: a main loop, or one to undo or redo (a
        free loop without a main loop). */
    [[nodiscard]] bool hasLoops() const noexcept
    {
        return view.state.hasMainLoop || view.state.canUndo || view.state.canRedo;
    }

    /** Brings the window to the front with the keys on the screen, as when a window that had
        them goes. */
    void takeKeysBack();

    /** The keys that drive the looper; the window listens with them. */
    [[nodiscard]] PerformanceKeys& getKeys() noexcept { return keys; }

    /** The window came to the front (at start, or when a dialog, message box, menu or the
        confirmation went): the screen takes the keys unless something in it has them, keys
        still held from that window act only when pressed again, and everything is drawn
        afresh, so nothing of a closed window stays on screen. */
    void windowActivated();

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
    void show (std::int64_t nowMs);
    void showConfirmation (bool visible);
    void layOut (int unitToUse, int stripWidthToUse);
    [[nodiscard]] bool fits() const;
    [[nodiscard]] int rowWidth (int stripWidthToUse, int unitToUse) const noexcept;
    [[nodiscard]] int stripWidthFor (int unitToUse, int width) const noexcept;
    void setMeterFeeds (bool connect);
    void perform (PerformanceKeys::Action action);

    static inline MainComponent* instance = nullptr;

    EngineRuntime& engine;
    ScreenPort& port;
    LooperView view;
    /** Says on the notice line when the Link session's tempo moved away from the loops'. */
    void showLinkTempoChange();
    int linkTempoNoticed = 0; // thousandths of a beat per minute, 0 for none

    bool playingShown = false;
    GuiTimer timer;
    EngineTick engineTick { *this };
    PerformanceKeys keys; // before the confirmation window, which shares its repeat filter
    MeterImages meterImages;
    std::unique_ptr<InputChannelsComponent> inputs;
    std::unique_ptr<LoopChannelsComponent> loopChannels;
    std::unique_ptr<TransportComponent> transport;
    std::unique_ptr<MixBusesComponent> mixBuses;
    MidiComponent midi;
    std::unique_ptr<LoopInfoComponent> loopInfo;
    std::unique_ptr<FadeLabelComponent> notice;
    juce::Label deviceStatus, diagnostics;
    juce::TooltipWindow tooltips { this };
    std::unique_ptr<SecondWindow> confirmation;
    std::unique_ptr<CommandWiring> wiring;
    std::unique_ptr<MidiLearnMenu> learnMenu;

    int unit = minimumUnit, stripWidth = minimumStripWidth;
    juce::Point<int> minimumSize;
    float averagePaintMs = 0.0f;
    double paintStart = 0.0;
    int tickCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};

} // namespace Work
