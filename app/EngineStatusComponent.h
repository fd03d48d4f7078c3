#pragma once

#include "engine/LooperGuiClient.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** The window's content until the performance screen exists: the notice line at the top and
    the device status line at the bottom. It is the looper's GUI client for the texts meant for
    the performer; the other views it will update arrive with the performance screen.
    [message] */
class EngineStatusComponent final
    : public juce::Component
    , public LooperGuiClient
{
public:
    EngineStatusComponent();

    void setDeviceStatus (const juce::String& text);
    [[nodiscard]] juce::String getNotice() const { return notice.getText(); }

    void resized() override;
    void paint (juce::Graphics& g) override;

    // LooperGuiClient
    void textShown (const char* text) override
    {
        notice.setText (juce::String::fromUTF8 (text), juce::dontSendNotification);
    }
    void midiInputIgnoredShown() override
    {
        notice.setText ("MIDI input was ignored while the engine was busy.", juce::dontSendNotification);
    }

private:
    juce::Label notice, deviceStatus;
};

} // namespace Work
