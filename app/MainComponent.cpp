// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MainComponent.h"

#include "ProductInfo.h"
#include "gui/ColourPalette.h"
#include "gui/Drawing.h"

namespace Work
{

MainComponent::MainComponent (EngineRuntime& engineToUse, const MainSettings& settings)
    : engine (engineToUse)
    , looper (*engineToUse.getLooper())
{
    instance = this;
    setName ("Performance Screen");
    const auto& palette = Drawing::palette();
    auto& audio = *engine.getMainAudio();

    inputs = std::make_unique<InputChannelsComponent> (looper, meterImages, EngineRuntime::numInputs, true, 0, 0, false);
    loopChannels = std::make_unique<LoopChannelsComponent> (looper, meterImages, *engine.getCursorWord(),
                                                            audio.getNumLoopChannels(), audio.getNumBuses());
    transport = std::make_unique<TransportComponent> (settings, looper, engine.getTapTempo());
    mixBuses = std::make_unique<MixBusesComponent> (looper, meterImages, audio.getNumBuses());
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
        looper.postFromMessageThread (
            { CommandCode::clockOutput, clockOutputOn ? 0 : 1, 0, 0, juce::Time::currentTimeMillis() });
    };
    midi.onBeatsPerBarChosen = [this] (int beatsPerBar) { engine.setBeatsPerBar (beatsPerBar); };

    if (auto* tapTempo = engine.getTapTempo())
        midi.showBeatsPerBar (tapTempo->getBeatsPerBar());

    confirmation = std::make_unique<SecondWindow> (looper);
    confirmation->onCancel = [this] {
        looper.postFromMessageThread ({ CommandCode::undo, 0, 0, 0, juce::Time::currentTimeMillis() });
        takeKeysBack();
    };

    // The engine's tick comes first, so every control below sees this tick's state.
    wiring = std::make_unique<CommandWiring> (*engine.getDevice(), timer, engine.getMidiGuiManager());
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

void MainComponent::layOut (float factor)
{
    const auto w = getWidth(), h = getHeight();
    const auto u = int (float (h) * factor);

    inputs->layoutForUnit (u);
    loopInfo->layoutForUnit (int (0.9f * float (u)));
    midi.layoutForHeight (loopInfo->getHeight());

    inputs->setTopLeftPosition (5, 0);
    const auto afterInputs = inputs->getRight() + u / 4;
    midi.setTopLeftPosition (afterInputs, h / 12);
    loopInfo->setTopLeftPosition (midi.getRight() + u / 4, h / 12);
    notice->setBounds (afterInputs, 0, w - afterInputs, int (0.03f * float (h)));

    loopChannels->layoutForUnit (u);
    loopChannels->setTopLeftPosition (5, inputs->getBottom() + 8);

    transport->layoutForButtonSize (int (0.8f * float (u)));
    transport->setTopLeftPosition (5, loopChannels->getBottom() + 8);

    if (loopChannels->getNumStrips() > 0)
        mixBuses->layoutLike (loopChannels->getStrip (0), u, loopChannels->getHeight());
    mixBuses->setTopLeftPosition (loopChannels->getRight() + loopChannels->getHeight() / 24, loopChannels->getY());

    deviceStatus.setBounds (0, h - 18, w - 250, 16);
    diagnostics.setBounds (w - 250, h - 18, 230, 16);
    confirmation->setSize (std::max (1, h / 3), std::max (1, h / 3));
}

bool MainComponent::fits() const
{
    const auto w = getWidth(), h = getHeight();
    return loopChannels->getRight() <= w && transport->getRight() <= w && mixBuses->getRight() <= w
           && transport->getBottom() <= h - 20;
}

void MainComponent::resized()
{
    // The largest factor from 0.14 down, in steps of 0.002, at which everything fits.
    for (scaleFactor = 0.14f;; scaleFactor -= 0.002f)
    {
        layOut (scaleFactor);
        if (fits() || scaleFactor <= smallestScaleFactor)
            break;
    }
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

bool MainComponent::keyPressed (const juce::KeyPress& key)
{
    const auto now = juce::Time::currentTimeMillis();

    if (key == juce::KeyPress::spaceKey)
        looper.postFromMessageThread ({ CommandCode::startStop, 0, 0, 0, now });
    else if (key == juce::KeyPress::backspaceKey || key == juce::KeyPress::deleteKey)
        looper.postFromMessageThread ({ CommandCode::resetLoops, 0, 0, 0, now });
    else if (key == juce::KeyPress::leftKey)
        looper.postFromMessageThread ({ CommandCode::cursorStep, 0, 0, 0, now });
    else if (key == juce::KeyPress::rightKey)
        looper.postFromMessageThread ({ CommandCode::cursorStep, 0, 1, 0, now });

    return false; // the keys go on to the other handlers too
}

void MainComponent::tick (std::int64_t, int)
{
    engine.tick (*this);

    if (tickCount % 10 == 0)
    {
        auto* device = engine.getDevice();
        const auto cpu = device != nullptr ? int (device->getDeviceManager().getCpuUsage() * 100.0) : 0;
        diagnostics.setText ("paint " + juce::String (averagePaintMs, 1) + " ms, CPU " + juce::String (cpu) + " %, memory "
                                 + juce::String (megabytesUsed) + " of " + juce::String (megabytesUsed + megabytesFree)
                                 + " MB",
                             juce::sendNotification);
    }

    ++tickCount;
}

void MainComponent::transportShown (bool playing)
{
    wiring->setLearnMode (! playing);
    loopInfo->setRunning (playing);

    if (onTransportShown)
        onTransportShown (playing);
}

void MainComponent::confirmationShown (bool visible)
{
    if (visible)
    {
        confirmation->showOver (*this);
    }
    else if (confirmation->isVisible())
    {
        confirmation->setVisible (false);
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

void MainComponent::stripDimmed (int loopChannel, bool dimmed)
{
    if (loopChannel >= 0 && loopChannel < loopChannels->getNumStrips())
        loopChannels->getStrip (loopChannel).setDimmed (dimmed);
}

void MainComponent::busSelectionShown (int loopChannel, int bus)
{
    if (loopChannel >= 0 && loopChannel < loopChannels->getNumStrips())
        loopChannels->getStrip (loopChannel).setSelectedBus (bus);
}

void MainComponent::toMainShown (int bus, bool on)
{
    mixBuses->setToMainShown (bus, on);
}

void MainComponent::clockOutputShown (bool on)
{
    clockOutputOn = on;
    midi.setOutputState (on);
}

void MainComponent::clockMessage (const LooperMessage& message)
{
    switch (message.code)
    {
        case NoticeCode::clockTempo:
        case NoticeCode::tempoValue:
            midi.showTempo (message.first);
            if (auto* tap = transport->getTapTempoButton(); tap != nullptr && message.code == NoticeCode::tempoValue)
                tap->showTempo (message.first);
            break;
        case NoticeCode::clockBeatsPerBar: midi.showBeatsPerBar (message.first); break;
        default: break; // the output light follows the clock itself
    }
}

void MainComponent::statusShown (const LooperStatus& status)
{
    const auto& w = status.words;
    const auto flags = w[LooperStatus::flags];
    const bool playing = (flags & LooperStatus::playing) != 0;
    mainLoopShown = (flags & LooperStatus::hasMainLoop) != 0;

    transport->setRunning (playing);
    transport->setReversed ((flags & LooperStatus::reversed) != 0);
    transport->setUndoPossible ((flags & LooperStatus::canUndo) != 0);
    transport->setRedoPossible ((flags & LooperStatus::canRedo) != 0);
    loopInfo->setRunning (playing);

    // The cycle word is 0 until a main loop is finished: the ring empty, the counters at 0.
    const auto cycle = w[LooperStatus::cycle];
    const auto multiplier = int ((cycle >> 16) & 0xff);
    const auto addAmount = int ((cycle >> 24) & 0xff);
    loopInfo->getCursor().setAngle (float (cycle & 0xff) / 255.0f * juce::MathConstants<float>::twoPi);
    loopInfo->setCounterA (int ((cycle >> 8) & 0xff));
    loopInfo->setCounterB (multiplier);
    loopInfo->getCursor().setMode (LoopKind (juce::jlimit (0, 8, int (w[LooperStatus::loopKind]))), multiplier);
    transport->setAddAmount (addAmount);

    for (int i = 0; i < loopChannels->getNumStrips(); ++i)
    {
        const auto bit = std::uint32_t (1) << i;
        auto& strip = loopChannels->getStrip (i);
        strip.setSourceMask (w[std::size_t (i)]);
        strip.setRecording ((w[LooperStatus::recordingOutputs] & bit) != 0);
        strip.setMuteShown ((w[LooperStatus::muted] & bit) != 0);
        strip.setSoloShown ((w[LooperStatus::soloed] & bit) != 0);
    }

    inputs->setRecordingInputs (w[LooperStatus::recordingInputs]);
    megabytesUsed = w[LooperStatus::memory] >> 16;
    megabytesFree = w[LooperStatus::memory] & 0xffff;
}

void MainComponent::textShown (const char* text)
{
    notice->showText (text);
}

void MainComponent::midiInputIgnoredShown()
{
    notice->showText ("MIDI input was ignored: the controls do not listen while the MIDI log is open.");
}

void MainComponent::loopsReset()
{
    notice->showText ("Every loop was reset.");
}

void MainComponent::mixReset()
{
    loopChannels->resetMix();
    loopChannels->resetBusSelection();
    mixBuses->resetVolumes();

    for (int bus = 1; bus < mixBuses->getNumBuses(); ++bus)
        mixBuses->requestToMainOff (bus);
}

} // namespace Work
