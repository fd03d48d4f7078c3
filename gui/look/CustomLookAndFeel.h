// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

/** The program's look: the framework's own, in the dark colours of the screen, with six
    drawings of its own so that alert boxes, the menu bar and the sliders match the screen:

    - alert windows in the first channel colour (orange), their text dark;
    - every alert icon in one dark red, whatever the alert's type;
    - the menu bar on the background colour, its resting items in grey;
    - vertical sliders with a white rounded bar for a thumb;
    - rotary sliders of a radius above 12 as a glass knob with a white pointer (smaller ones as
      the framework draws them).

    It must outlive every component drawn with it. [message] */
class CustomLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    CustomLookAndFeel();

    /** The colour every alert icon is filled with. */
    static juce::Colour alertIconColour() noexcept { return juce::Colour (0xff8b0000).withAlpha (0.3f); }

    /** The colour of a menu bar item that is neither open nor under the mouse. */
    static juce::Colour restingMenuItemColour() noexcept { return juce::Colour (0xff808080); }

    /** Knobs of a radius up to this are drawn as the framework draws them. */
    static constexpr float smallestGlassKnobRadius = 12.0f;

    juce::AlertWindow* createAlertWindow (const juce::String& title, const juce::String& message,
                                          const juce::String& button1, const juce::String& button2,
                                          const juce::String& button3, juce::MessageBoxIconType iconType, int numButtons,
                                          juce::Component* associatedComponent) override;

    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                       juce::TextLayout& textLayout) override;

    void drawMenuBarBackground (juce::Graphics& g, int width, int height, bool isMouseOverBar,
                                juce::MenuBarComponent& menuBar) override;

    void drawMenuBarItem (juce::Graphics& g, int width, int height, int itemIndex, const juce::String& itemText,
                          bool isMouseOverItem, bool isMenuOpen, bool isMouseOverBar,
                          juce::MenuBarComponent& menuBar) override;

    void drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos, float minSliderPos,
                           float maxSliderPos, juce::Slider::SliderStyle style, juce::Slider& slider) override;

    void drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height, float sliderPos, float minSliderPos,
                                float maxSliderPos, juce::Slider::SliderStyle style, juce::Slider& slider) override;

    /** Options rows give their names room to be read whole: up to half the row, not a third. */
    juce::Rectangle<int> getPropertyComponentContentPosition (juce::PropertyComponent& component) override;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPosProportional,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CustomLookAndFeel)
};

} // namespace Work
