// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainComponent.h"

#include "WindowSystem.h"

#include "ProductInfo.h"
#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

MainComponent::MainComponent (EngineRuntime& engineToUse, const MainSettings& settings)
    : engine (engineToUse)
    , port (engineToUse)
{
    instance = this;
    setName ("Performance Screen");
    const auto& palette = Drawing::palette();
    auto& audio = *engine.getMainAudio();

    inputs = std::make_unique<InputChannelsComponent> (meterImages, EngineRuntime::numInputs, true, 0, 0, false);
    loopChannels =
        std::make_unique<LoopChannelsComponent> (meterImages, audio.getNumLoopChannels(), audio.getNumBuses(),
                                                 engine.getCursorWord()->get(), engine.getCursorWord()->getCursorCount());
    transport = std::make_unique<TransportComponent> (settings, engine.getTapTempo() != nullptr);
    mixBuses = std::make_unique<MixBusesComponent> (meterImages, audio.getNumBuses());
    loopInfo = std::make_unique<LoopInfoComponent>();
    notice = std::make_unique<FadeLabelComponent> (palette.highlight, palette.foreground, palette.background, 1000);
    notice->setJustification (juce::Justification::centredLeft);
    notice->setName ("Notice Line");
    transport->setName ("Transport");
    mixBuses->setName ("Buses");
    midi.setName ("MIDI Lights");
    deviceStatus.setName ("Device Status");
    diagnostics.setName ("Diagnostics");

    for (auto* label : { &deviceStatus, &diagnostics })
    {
        label->setFont (juce::Font (12.0f));
        label->setColour (juce::Label::textColourId, juce::Colours::lightgrey);
        label->setBorderSize ({});
    }

    for (juce::Component* child :
         std::initializer_list<juce::Component*> { inputs.get(), loopChannels.get(), transport.get(), mixBuses.get(), &midi,
                                                   loopInfo.get(), notice.get(), &deviceStatus, &diagnostics })
        addAndMakeVisible (child);

    midi.onOutputClicked = [this] {
        port.postFromScreen (
            { CommandCode::clockOutput, view.clockOutputOn ? 0 : 1, 0, 0, juce::Time::currentTimeMillis() });
    };
    midi.onBeatsPerBarChosen = [this] (int beatsPerBar) { engine.setBeatsPerBar (beatsPerBar); };
    loopChannels->onCursorsShown = [this] (std::uint32_t word) { port.showCursors (word); };

    if (auto* tapTempo = engine.getTapTempo())
        midi.showBeatsPerBar (tapTempo->getBeatsPerBar());

    // The clock outlives a rebuild of the screen: show its output as it is.
    if (auto* clock = engine.getClock())
        view.clockOutputOn = clock->isEnabled();
    midi.show (view);

    confirmation = std::make_unique<SecondWindow> (keys.getRepeatFilter());
    confirmation->onCancel = [this] {
        port.postFromScreen ({ CommandCode::undo, 0, 0, 0, juce::Time::currentTimeMillis() });
        takeKeysBack();
    };

    // The engine's tick comes first, so every control below sees this tick's state.
    wiring = std::make_unique<CommandWiring> (audio.getDevice(), port.getCommandSink(), timer, engine.getMidiGuiManager());
    wiring->connect (engineTick);
    inputs->connectCommands (*wiring);
    loopChannels->connectCommands (*wiring);
    transport->connectCommands (*wiring);
    wiring->connect (confirmation->getPanel().getResetButton());
    wiring->connect (confirmation->getPanel().getPlayListButton());
    mixBuses->connectCommands (*wiring);
    loopInfo->connectTimerClients ([this] (GuiTimerClient& client) { wiring->connect (client); });
    wiring->connect (static_cast<GuiTimerClient&> (*notice));
    wiring->connect (static_cast<GuiTimerClient&> (midi));
    wiring->connect (midi.getLinkButton());
    wiring->setLearnMode (true); // the looper starts stopped

    if (auto* midiManager = engine.getMidiGuiManager())
    {
        learnMenu = std::make_unique<MidiLearnMenu> (*midiManager,
                                                     [this] (MidiCommands::MidiGuiListener& control, MidiCommandKind kind) {
                                                         if (onLearn)
                                                             onLearn (control, kind);
                                                     });
        wiring->connect (*learnMenu);
    }

    loopChannels->linkMixerChannels (audio.getLoopMixerSet());
    mixBuses->linkMixerChannels (audio.getBusMixerSet());
    setMeterFeeds (true);

    if (auto* midiManager = engine.getMidiGuiManager())
        midiManager->setNotificationClient (&midi);

    keys.onAction = [this] (PerformanceKeys::Action action) { perform (action); };
    setWantsKeyboardFocus (true);
}

MainComponent::~MainComponent()
{
    timer.stop();

    // A MIDI callback may be lighting the input light: unhook it, then wait until none runs.
    if (auto* midiManager = engine.getMidiGuiManager())
    {
        midiManager->setNotificationClient (nullptr);
        CallbackDisabler::waitUntilIdle (*midiManager);
    }

    wiring->disconnectAll();
    setMeterFeeds (false);
    loopChannels->linkMixerChannels (nullptr);
    mixBuses->linkMixerChannels (nullptr);
    confirmation = nullptr;
    instance = nullptr;
}

void MainComponent::setMeterFeeds (bool connect)
{
    auto toFeeds = [connect] (const std::vector<VumeterComponent*>& meters) {
        std::vector<MeterFeed*> feeds;
        if (connect)
            feeds.assign (meters.begin(), meters.end());
        return feeds;
    };

    engine.getMainAudio()->setMeterFeeds (toFeeds (inputs->getMeters()), toFeeds (loopChannels->getMeters()),
                                          toFeeds (mixBuses->getMeters()));
}

void MainComponent::setTitleTexts (const juce::String& first, const juce::String& second)
{
    auto title = ProductInfo::getNameWithVersion();
    for (const auto& text : { first, second })
        if (text.isNotEmpty())
            title << " - " << text;

    if (onTitleChanged)
        onTitleChanged (title);
}

void MainComponent::setDeviceStatus (const juce::String& text)
{
    deviceStatus.setText (text, juce::dontSendNotification);
}

int MainComponent::rowWidth (int stripWidth, int u) const noexcept
{
    return 5 + loopChannels->widthFor (stripWidth) + u / 8 + mixBuses->widthFor (stripWidth, 3 * u) + 5;
}

int MainComponent::stripWidthFor (int u, int w) const noexcept
{
    // The widest strips, up to 1.6 units, whose row fits the width.
    const auto narrowest = std::max (minimumStripWidth, int (0.75f * float (u)));
    for (auto stripWidth = std::max (narrowest, int (1.6f * float (u))); stripWidth > narrowest; --stripWidth)
        if (rowWidth (stripWidth, u) <= w)
            return stripWidth;
    return narrowest;
}

void MainComponent::layOut (int u, int stripWidth)
{
    const auto w = getWidth(), h = getHeight();

    inputs->layoutFor (u, stripWidth);
    inputs->setTopLeftPosition (5, 0);
    const auto afterInputs = inputs->getRight() + u / 4;
    const auto noticeHeight = std::max (int (Drawing::smallestText) + 6, int (0.03f * float (h)));
    notice->setBounds (afterInputs, 0, std::max (1, w - afterInputs), noticeHeight);

    // The MIDI panel and the loop panel fill the rest of the top row: as tall as the inputs
    // below the notice line, as wide as the window lets them, so the ring and the counters are
    // as large as the screen allows.
    const auto top = noticeHeight + u / 8;
    const auto byHeight = float (inputs->getBottom() - top) / 1.8f;
    const auto byWidth = float (w - afterInputs - u / 2) / 3.2f;
    loopInfo->layoutForUnit (std::max (minimumUnit / 2, int (std::min (byHeight, byWidth))));
    midi.layoutForHeight (loopInfo->getHeight());
    midi.setTopLeftPosition (afterInputs, top);
    loopInfo->setTopLeftPosition (midi.getRight() + u / 4, top);

    loopChannels->layoutFor (u, stripWidth);
    loopChannels->setTopLeftPosition (5, inputs->getBottom() + 8);

    if (loopChannels->getNumStrips() > 0)
        mixBuses->layoutLike (loopChannels->getStrip (0), u, loopChannels->getHeight());
    mixBuses->setTopLeftPosition (loopChannels->getRight() + u / 8, loopChannels->getY());

    // The transport's buttons as large as the unit asks, and as the width holds.
    auto buttonSize = int (0.8f * float (u));
    while (buttonSize > minimumButtonSize && transport->widthForButtonSize (buttonSize) > w - 10)
        --buttonSize;
    transport->layoutForButtonSize (buttonSize);
    transport->setTopLeftPosition (5, loopChannels->getBottom() + 8);

    deviceStatus.setBounds (0, h - 18, w - 250, 16);
    diagnostics.setBounds (w - 250, h - 18, 230, 16);
    confirmation->setSize (std::max (1, h / 3), std::max (1, h / 3));
}

bool MainComponent::fits() const
{
    const auto w = getWidth(), h = getHeight();
    return loopChannels->getRight() <= w && transport->getRight() <= w && mixBuses->getRight() <= w
           && loopInfo->getRight() <= w && transport->getBottom() <= h - 20;
}

void MainComponent::resized()
{
    // The largest unit at which everything fits: heights grow with the unit, and the strips take
    // the width the row leaves. Everything grows with the unit, so the search halves the range.
    const auto w = getWidth(), h = getHeight();
    auto low = minimumUnit, high = std::max (minimumUnit, int (0.16f * float (h)));

    while (high > low && rowWidth (std::max (minimumStripWidth, int (0.75f * float (high))), high) > w)
        high = std::max (low, high * 9 / 10);

    while (low < high)
    {
        const auto middle = (low + high + 1) / 2;
        layOut (middle, stripWidthFor (middle, w));
        if (fits())
            low = middle;
        else
            high = middle - 1;
    }

    unit = low;
    stripWidth = stripWidthFor (unit, w);
    layOut (unit, stripWidth);
}

juce::Point<int> MainComponent::getMinimumSize()
{
    if (minimumSize.x == 0)
    {
        // Laid out once at the smallest unit in a window wide and tall enough; resized() lays the
        // screen out again for its real size.
        const auto w = rowWidth (minimumStripWidth, minimumUnit);
        setSize (w, 10000);
        layOut (minimumUnit, minimumStripWidth);
        auto right = 0;
        for (auto* panel : std::initializer_list<juce::Component*> { inputs.get(), loopChannels.get(), transport.get(),
                                                                     mixBuses.get(), loopInfo.get(), &midi })
            right = std::max (right, panel->getRight() + 5);
        minimumSize = { right, transport->getBottom() + 20 };
    }

    return minimumSize;
}

void MainComponent::paint (juce::Graphics& g)
{
    paintStart = juce::Time::getMillisecondCounterHiRes();
    g.fillAll (Drawing::palette().background);
}

void MainComponent::paintOverChildren (juce::Graphics&)
{
    const auto elapsed = float (juce::Time::getMillisecondCounterHiRes() - paintStart);
    averagePaintMs += (elapsed - averagePaintMs) * 0.1f;
}

void MainComponent::perform (PerformanceKeys::Action action)
{
    const auto now = juce::Time::currentTimeMillis();
    using Action = PerformanceKeys::Action;

    switch (action)
    {
        case Action::startStop: port.postFromScreen ({ CommandCode::startStop, 0, 0, 0, now }); break;
        case Action::resetLoops:
            // The question's window takes the keyboard a moment after it appears; a fresh press
            // that still reaches the screen answers it as well.
            if (confirmation->isVisible())
                confirmation->getPanel().getResetButton().trigger();
            else
                port.postFromScreen ({ CommandCode::resetLoops, 0, 0, 0, now });
            break;
        case Action::cursorBack: port.postFromScreen ({ CommandCode::cursorStep, 0, 0, 0, now }); break;
        case Action::cursorForward: port.postFromScreen ({ CommandCode::cursorStep, 0, 1, 0, now }); break;
    }
}

void MainComponent::refreshNow()
{
    port.refresh (view);
    show (juce::Time::currentTimeMillis());
    view.clearNews();
}

void MainComponent::tick (std::int64_t nowMs, int)
{
    port.refresh (view);
    show (nowMs);
    view.clearNews();

    if (tickCount % 10 == 0)
    {
        auto* device = engine.getDevice();
        const auto cpu = device != nullptr ? int (device->getDeviceManager().getCpuUsage() * 100.0) : 0;
        const auto& state = view.state;
        diagnostics.setText ("paint " + juce::String (averagePaintMs, 1) + " ms, CPU " + juce::String (cpu) + " %, memory "
                                 + juce::String (state.megabytesUsed) + " of "
                                 + juce::String (state.megabytesUsed + state.megabytesFree) + " MB",
                             juce::sendNotification);
    }

    ++tickCount;

    // A window shown or raised since the last tick may have left its events unread.
    deliverWaitingWindowEvents (*this);
}

void MainComponent::showLinkTempoChange()
{
    // Another program moved the session's tempo away from the loops': said once for each tempo.
    const bool apart = view.linkJoined && view.linkLoopTempoMilliBpm > 0
                       && std::abs (view.linkTempoMilliBpm - view.linkLoopTempoMilliBpm) > 50;
    if (! apart)
    {
        linkTempoNoticed = 0;
        return;
    }
    if (std::abs (view.linkTempoMilliBpm - linkTempoNoticed) <= 50)
        return;

    linkTempoNoticed = view.linkTempoMilliBpm;
    notice->showText ("The Link session's tempo is now " + juce::String (view.linkTempoMilliBpm / 1000.0, 1)
                      + " bpm; the loops stay at " + juce::String (view.linkLoopTempoMilliBpm / 1000.0, 1)
                      + " bpm, as they are never stretched. Resync puts them back on the session's bar.");
}

void MainComponent::show (std::int64_t nowMs)
{
    if (view.state.playing != playingShown)
    {
        // Learn mode only while stopped; the window swaps its menus.
        playingShown = view.state.playing;
        wiring->setLearnMode (! playingShown);
        if (onTransportShown)
            onTransportShown (playingShown);
    }

    inputs->show (view, nowMs);
    loopChannels->show (view, nowMs);
    transport->show (view, nowMs);
    mixBuses->show (view, nowMs);
    loopInfo->show (view);
    midi.show (view);
    showConfirmation (view.confirmationAsked);

    if (view.hasText)
        notice->showText (juce::String (view.text));
    else if (view.midiInputIgnored)
        notice->showText ("MIDI input was ignored: the controls do not listen while the MIDI log or the options are open.");

    if (view.loopsWereReset)
        notice->showText ("Every loop was reset.");

    showLinkTempoChange();

    if (view.mixWasReset)
    {
        loopChannels->resetMix();
        loopChannels->resetBusSelection (nowMs);
        mixBuses->resetVolumes();

        for (int bus = 1; bus < mixBuses->getNumBuses(); ++bus)
            mixBuses->requestToMainOff (bus);
    }
}

void MainComponent::showConfirmation (bool visible)
{
    if (visible && ! confirmation->isVisible())
    {
        // Over the part of the screen that shows.
        auto* shown = findParentComponentOfClass<juce::Viewport>();
        confirmation->showOver (shown != nullptr ? static_cast<juce::Component&> (*shown) : *this);
    }
    else if (! visible && confirmation->isVisible())
    {
        // What the window covered is drawn afresh at once, not when the window system asks.
        const auto covered = getLocalArea (nullptr, confirmation->getScreenBounds());
        confirmation->setVisible (false);
        repaint (covered);
        takeKeysBack();
    }
}

void MainComponent::takeKeysBack()
{
    // A window that had the keys went: they belong to the screen again.
    if (auto* window = getTopLevelComponent(); window != nullptr && window->isOnDesktop())
        window->toFront (true);
    grabKeyboardFocus();
}

void MainComponent::windowActivated()
{
    if (! hasKeyboardFocus (true) && ! isCurrentlyBlockedByAnotherModalComponent())
        grabKeyboardFocus();

    keys.windowActivated();
    repaint();
}

} // namespace Work
