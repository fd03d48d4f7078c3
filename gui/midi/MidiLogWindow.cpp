// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiLogWindow.h"

#include "gui/controls/Dialogs.h"

#include "MidiFilterComponent.h"
#include "gui/look/ColourPalette.h"
#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    juce::String describeMessage (const std::uint8_t* bytes, int size)
    {
        const auto channel = juce::String (bytes[0] & 0x0f);
        switch (bytes[0] & 0xf0)
        {
            case 0x90: return "channel " + channel + ", note " + juce::String (size > 1 ? bytes[1] : 0);
            case 0xb0:
                return "channel " + channel + ", controller " + juce::String (size > 1 ? bytes[1] : 0) + " = "
                       + juce::String (size > 2 ? bytes[2] : 0);
            case 0xc0: return "channel " + channel + ", program " + juce::String (size > 1 ? bytes[1] : 0);
            default: return "channel " + channel;
        }
    }
} // namespace

MidiLogComponent::MidiLogComponent (MidiInputCallbackManager& fanOut, MidiGuiManager& managerToUse,
                                    juce::Colour backgroundColour, juce::Colour accentColour)
    : MidiInputCallbackItem (fanOut)
    , manager (managerToUse)
    , background (backgroundColour)
    , accent (accentColour)
{
    text.setMultiLine (true);
    text.setReadOnly (true);
    text.setCaretVisible (false);
    text.setEscapeAndReturnKeysConsumed (false); // Escape goes on to the window, which hides
    text.setColour (juce::TextEditor::backgroundColourId, background.darker (0.3f));
    text.setColour (juce::TextEditor::textColourId, juce::Colours::lightgrey);
    text.setColour (juce::TextEditor::outlineColourId, accent);
    status.setFont (juce::Font (14.0f));
    status.setColour (juce::Label::textColourId, juce::Colours::lightgrey);
    pauseButton.setButtonText ("Pause");
    filterButton.setButtonText ("Filter...");
    pauseButton.onClick = [this] { setPaused (! paused); };
    filterButton.onClick = [this] { editFilter(); };

    for (auto* child : std::initializer_list<juce::Component*> { &text, &status, &pauseButton, &filterButton })
        addAndMakeVisible (child);

    filterCopy = manager.getFilterKeys();
    refreshFilterButton();
    pauseButton.setColour (juce::TextButton::buttonColourId, accent);
    appendLine ("Incoming MIDI that can drive a control:\n");
    setSize (400, 400);
}

MidiLogComponent::~MidiLogComponent()
{
    stopListening(); // no delivery may run into a log that is going
    stopTimer();
}

void MidiLogComponent::midiArrived (const std::uint8_t* bytes, int size, std::int64_t timeMs, MidiDelivery) noexcept
{
    const CallbackDisabler::ScopedCallback guard (*this);

    if (! guard.isEnabled() || size < 1 || size > 3)
        return;

    const auto key = packMidiKey (bytes, std::size_t (size), midiChannelMask.load (std::memory_order_relaxed));

    if (key == 0)
        return;

    for (const auto filtered : filterCopy)
        if (keysMatch (filtered, key))
            return;

    LoggedMessage message { double (timeMs) / 1000.0,
                            { bytes[0], size > 1 ? bytes[1] : std::uint8_t (0), size > 2 ? bytes[2] : std::uint8_t (0), 0 },
                            size };
    messages.push (message);
}

juce::String MidiLogComponent::lineFor (double seconds, const std::uint8_t* bytes, int size)
{
    const auto ms = std::int64_t (seconds * 1000.0 + 0.5);
    return "MIDI (" + juce::Time (ms).toString (false, true, true, true) + "." + juce::String (ms % 1000).paddedLeft ('0', 3)
           + ") \t" + describeMessage (bytes, size) + "\n";
}

void MidiLogComponent::learn (MidiCommands::MidiGuiListener& control, MidiCommandKind kind)
{
    pending = Target { &control, kind };
}

void MidiLogComponent::forgetTargets()
{
    pending.reset();
    current.reset();
    status.setText ({}, juce::dontSendNotification);
}

void MidiLogComponent::setPaused (bool shouldBePaused)
{
    if (paused == shouldBePaused)
        return;

    paused = shouldBePaused;

    if (paused)
        pausedHold.emplace (*this);
    else
        pausedHold.reset();

    pauseButton.setButtonText (paused ? "Go on" : "Pause");
    pauseButton.setColour (juce::TextButton::buttonColourId, paused ? Drawing::palette().highlight.darker (0.4f) : accent);
}

juce::StringArray MidiLogComponent::getLines() const
{
    juce::StringArray lines;
    lines.addLines (text.getText());
    lines.removeEmptyStrings();
    return lines;
}

void MidiLogComponent::setShown (bool shown)
{
    if (! shown)
        stopTimer();
    else if (! isTimerRunning())
        startTimer (10);
}

void MidiLogComponent::timerCallback()
{
    showNextMessage();
}

void MidiLogComponent::showNextMessage()
{
    takePendingTarget();

    const auto* message = messages.pop();
    if (message == nullptr)
        return;

    const auto copy = *message;
    offerForLearning (copy);
    appendLine (lineFor (copy.seconds, copy.bytes, copy.size));

    // One line per tick: whatever else waits is dropped.
    while (messages.pop() != nullptr)
    {
    }
}

void MidiLogComponent::takePendingTarget()
{
    if (! pending.has_value())
        return;

    current = pending;
    pending.reset();
    status.setColour (juce::Label::textColourId, Drawing::palette().highlight);
    status.setText ("Play the MIDI message for " + juce::String (current->control->getDisplayName()) + "...",
                    juce::dontSendNotification);
}

void MidiLogComponent::offerForLearning (const LoggedMessage& message)
{
    if (! current.has_value())
        return;

    const auto key = packMidiKey (message.bytes, std::size_t (message.size), midiChannelMask.load());
    const auto result = manager.assign (current->kind, current->control, key);

    if (result.isNotEmpty())
    {
        // Said once on the status line, however many messages a turning knob sends; the control
        // keeps waiting and the next message is tried.
        status.setColour (juce::Label::textColourId, Drawing::palette().highlight);
        status.setText (result + " Still waiting for " + juce::String (current->control->getDisplayName()) + ".",
                        juce::dontSendNotification);
        return;
    }

    status.setColour (juce::Label::textColourId, juce::Colours::lightgrey);
    status.setText ("Learned " + juce::String (describeMidiKey (key, current->kind == MidiCommandKind::momentary)) + " for "
                        + juce::String (current->control->getDisplayName()) + ".",
                    juce::dontSendNotification);
    current.reset();
}

void MidiLogComponent::showOscLine (const juce::String& what)
{
    if (! isTimerRunning() || paused)
        return;

    const auto now = juce::Time::getCurrentTime();
    appendLine (what.upToFirstOccurrenceOf (" ", false, false) + " (" + now.toString (false, true, true, true) + "."
                + juce::String (now.getMilliseconds()).paddedLeft ('0', 3) + ") \t"
                + what.fromFirstOccurrenceOf (" ", false, false));
}

void MidiLogComponent::appendLine (const juce::String& line)
{
    auto lines = getLines();
    lines.add (line.trimEnd());
    while (lines.size() > maxLines)
        lines.remove (0);

    text.setText (lines.joinIntoString ("\n") + "\n", false);
    text.moveCaretToEnd();
}

void MidiLogComponent::editFilter()
{
    // The log's own input stays off while its copy of the filter is edited.
    const CallbackDisabler::ScopedDisable logOff (*this);

    MidiFilterComponent editor (filterCopy, background, accent);
    Dialogs::run (editor, "MIDI filter", this, Dialogs::Resizing::fixed, background);

    filterCopy = editor.getFilterList();
    refreshFilterButton();
    manager.setFilterKeys (filterCopy);
}

void MidiLogComponent::refreshFilterButton()
{
    filterButton.setColour (juce::TextButton::buttonColourId,
                            filterCopy.empty() ? accent : Drawing::palette().highlight.darker (0.4f));
}

void MidiLogComponent::resized()
{
    const auto w = getWidth(), h = getHeight();
    status.setBounds (8, 30, w - 16, 24);
    text.setBounds (8, 88, w - 16, h - 137);
    pauseButton.setBounds (8, h - 40, (w - 32) / 2, 22);
    filterButton.setBounds (w / 2 + 8, h - 40, (w - 32) / 2, 22);
}

void MidiLogComponent::paint (juce::Graphics& g)
{
    g.fillAll (background);
}

MidiLogWindow::MidiLogWindow (const juce::String& title, MidiInputCallbackManager& fanOut, MidiGuiManager& managerToUse)
    : juce::DocumentWindow (title, Drawing::palette().background, juce::DocumentWindow::closeButton)
    , manager (managerToUse)
    , log (fanOut, managerToUse, Drawing::palette().background, Drawing::palette().foreground)
{
    logHeld.emplace (log); // hidden: the log does not listen
    setContentNonOwned (&log, true);
    setResizable (true, false);
    setResizeLimits (300, 300, 400, 1000);
    setWantsKeyboardFocus (true);
    setTopLeftPosition (0, 30);
}

MidiLogWindow::~MidiLogWindow()
{
    onHidden = nullptr;
    setVisible (false);
    clearContentComponent();
}

void MidiLogWindow::setVisible (bool shouldBeVisible)
{
    if (shouldBeVisible != shown)
    {
        shown = shouldBeVisible;

        if (shown)
        {
            dispatchHeld.emplace (manager);
            logHeld.reset();
            log.setShown (true);
        }
        else
        {
            log.setShown (false);
            dispatchHeld.reset();
            logHeld.emplace (log);
            log.forgetTargets();
        }
    }

    juce::DocumentWindow::setVisible (shouldBeVisible);

    if (shouldBeVisible)
    {
        toFront (true);
        grabKeyboardFocus();
    }
    else if (onHidden)
    {
        onHidden();
    }
}

void MidiLogWindow::closeButtonPressed()
{
    setVisible (false);
}

bool MidiLogWindow::keyPressed (const juce::KeyPress& key)
{
    if (key == juce::KeyPress::escapeKey)
        setVisible (false);
    return false;
}

} // namespace Work
