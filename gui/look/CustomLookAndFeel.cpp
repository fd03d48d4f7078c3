// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "CustomLookAndFeel.h"

#include "ColourPalette.h"
#include "Drawing.h"

namespace Work
{

namespace
{
    juce::LookAndFeel_V4::ColourScheme darkScheme()
    {
        const auto& p = Drawing::palette();
        const juce::Colour lightText (0xffd8d0d0);
        return { p.background,                  // window background
                 p.foreground,                  // widget background
                 p.background.brighter (0.25f), // menu background
                 p.foreground.brighter (0.4f),  // outline
                 lightText,                     // text
                 juce::Colour (0xff42a2c8),     // fill: slider tracks and ticks, the screen's blue
                 juce::Colours::white,          // highlighted text
                 p.foreground.brighter (0.6f),  // highlighted fill
                 lightText };                   // menu text
    }
} // namespace

CustomLookAndFeel::CustomLookAndFeel()
    : juce::LookAndFeel_V4 (darkScheme())
{
    // Light text would hardly read on the orange of the alert windows. Set here, as an alert
    // window lays its text out with the colour it finds when it is made.
    setColour (juce::AlertWindow::textColourId, Drawing::palette().background);
}

juce::AlertWindow* CustomLookAndFeel::createAlertWindow (const juce::String& title, const juce::String& message,
                                                         const juce::String& button1, const juce::String& button2,
                                                         const juce::String& button3, juce::MessageBoxIconType iconType,
                                                         int numButtons, juce::Component* associatedComponent)
{
    auto* window = juce::LookAndFeel_V4::createAlertWindow (title, message, button1, button2, button3, iconType, numButtons,
                                                            associatedComponent);
    window->setColour (juce::AlertWindow::backgroundColourId, Drawing::palette().channelColour (0));
    return window;
}

void CustomLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                                      juce::TextLayout& textLayout)
{
    constexpr float cornerSize = 4.0f;

    g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
    g.drawRoundedRectangle (alert.getLocalBounds().toFloat(), cornerSize, 2.0f);

    const auto bounds = alert.getLocalBounds().reduced (1);
    g.reduceClipRegion (bounds);
    g.setColour (alert.findColour (juce::AlertWindow::backgroundColourId));
    g.fillRoundedRectangle (bounds.toFloat(), cornerSize);

    // The icon: as large as 130 pixels, no taller than the box plus 20, and no taller than the
    // text plus 50 when the box holds more than the text and two buttons. It reaches past the
    // top left corner, and the text keeps 80 pixels clear beside it.
    constexpr int iconWidth = 80;
    int iconSpaceUsed = 0;
    auto iconSize = juce::jmin (iconWidth + 50, bounds.getHeight() + 20);

    if (alert.containsAnyExtraComponents() || alert.getNumButtons() > 2)
        iconSize = juce::jmin (iconSize, textArea.getHeight() + 50);

    const juce::Rectangle<float> iconArea (float (-iconSize / 10), float (-iconSize / 10), float (iconSize),
                                           float (iconSize));

    if (alert.getAlertType() != juce::MessageBoxIconType::NoIcon)
    {
        juce::Path icon;
        juce::juce_wchar character = '?';

        if (alert.getAlertType() == juce::MessageBoxIconType::WarningIcon)
        {
            character = '!';
            icon.addTriangle (iconArea.getCentreX(), iconArea.getY(), iconArea.getRight(), iconArea.getBottom(),
                              iconArea.getX(), iconArea.getBottom());
            icon = icon.createPathWithRoundedCorners (5.0f);
        }
        else
        {
            character = alert.getAlertType() == juce::MessageBoxIconType::InfoIcon ? 'i' : '?';
            icon.addEllipse (iconArea);
        }

        juce::GlyphArrangement glyphs;
        glyphs.addFittedText (juce::Font (iconArea.getHeight() * 0.9f, juce::Font::bold),
                              juce::String::charToString (character), iconArea.getX(), iconArea.getY(), iconArea.getWidth(),
                              iconArea.getHeight(), juce::Justification::centred, false);
        glyphs.createPath (icon);

        // Even-odd filling cuts the character out of the shape.
        icon.setUsingNonZeroWinding (false);
        g.setColour (alertIconColour());
        g.fillPath (icon);
        iconSpaceUsed = iconWidth;
    }

    g.setColour (alert.findColour (juce::AlertWindow::textColourId));
    const juce::Rectangle<int> textBounds (bounds.getX() + iconSpaceUsed, 30, bounds.getWidth(),
                                           bounds.getHeight() - getAlertWindowButtonHeight() - 20);
    textLayout.draw (g, textBounds.toFloat());
}

void CustomLookAndFeel::drawMenuBarBackground (juce::Graphics& g, int, int, bool, juce::MenuBarComponent&)
{
    g.fillAll (Drawing::palette().background);
}

void CustomLookAndFeel::drawMenuBarItem (juce::Graphics& g, int width, int height, int itemIndex,
                                         const juce::String& itemText, bool isMouseOverItem, bool isMenuOpen,
                                         bool isMouseOverBar, juce::MenuBarComponent& menuBar)
{
    if (! menuBar.isEnabled() || isMenuOpen || isMouseOverItem)
    {
        juce::LookAndFeel_V4::drawMenuBarItem (g, width, height, itemIndex, itemText, isMouseOverItem, isMenuOpen,
                                               isMouseOverBar, menuBar);
        return;
    }

    g.setColour (restingMenuItemColour());
    g.setFont (getMenuBarFont (menuBar, itemIndex, itemText));
    g.drawFittedText (itemText, 0, 0, width, height, juce::Justification::centred, 1);
}

void CustomLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                          float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                          juce::Slider& slider)
{
    if (style != juce::Slider::LinearVertical)
    {
        juce::LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style,
                                                slider);
        return;
    }

    // The framework's track, from the bottom up to the value, and a thumb of our own.
    const auto trackWidth = juce::jmin (6.0f, float (width) * 0.25f);
    const auto centreX = float (x) + float (width) * 0.5f;
    const juce::PathStrokeType stroke (trackWidth, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);

    juce::Path track;
    track.startNewSubPath (centreX, float (y + height));
    track.lineTo (centreX, float (y));
    g.setColour (slider.findColour (juce::Slider::backgroundColourId));
    g.strokePath (track, stroke);

    juce::Path value;
    value.startNewSubPath (centreX, float (y + height));
    value.lineTo (centreX, sliderPos);
    g.setColour (slider.findColour (juce::Slider::trackColourId));
    g.strokePath (value, stroke);

    drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
}

void CustomLookAndFeel::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                               float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                               juce::Slider& slider)
{
    if (style != juce::Slider::LinearVertical)
    {
        juce::LookAndFeel_V4::drawLinearSliderThumb (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style,
                                                     slider);
        return;
    }

    const auto thickness = float (getSliderThumbRadius (slider) - 2);
    g.setColour (juce::Colours::white);
    g.fillRoundedRectangle (float (x), sliderPos - thickness * 0.5f, float (width), thickness, 0.2f * thickness);
}

void CustomLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                          float sliderPosProportional, float rotaryStartAngle, float rotaryEndAngle,
                                          juce::Slider& slider)
{
    const auto radius = float (juce::jmin (width, height)) * 0.5f - 2.0f;

    if (radius <= smallestGlassKnobRadius)
    {
        juce::LookAndFeel_V4::drawRotarySlider (g, x, y, width, height, sliderPosProportional, rotaryStartAngle,
                                                rotaryEndAngle, slider);
        return;
    }

    const bool lively = slider.isEnabled() && (slider.isMouseOverOrDragging());
    const auto colour = slider.isEnabled()
                            ? slider.findColour (juce::Slider::rotarySliderFillColourId).withAlpha (lively ? 1.0f : 0.7f)
                            : juce::Colour (0x80808080);

    drawGlassLozenge (g, float (x) + 0.1f * float (width), float (y) + 0.1f * float (height), 0.8f * float (width),
                      0.8f * float (height), colour, 0.7f, -1.0f, false, false, false, false);

    const auto angle = rotaryStartAngle + sliderPosProportional * (rotaryEndAngle - rotaryStartAngle);
    juce::Path pointer;
    pointer.addRectangle (-0.04375f * radius, -radius, 0.0875f * radius, 0.9f * radius);
    g.setColour (juce::Colours::white);
    g.fillPath (pointer, juce::AffineTransform::rotation (angle).translated (float (x) + float (width) * 0.5f,
                                                                             float (y) + float (height) * 0.5f));
}

juce::Rectangle<int> CustomLookAndFeel::getPropertyComponentContentPosition (juce::PropertyComponent& component)
{
    const auto textWidth = std::min (340, component.getWidth() / 2);
    return { textWidth, 1, component.getWidth() - textWidth - 1, component.getHeight() - 3 };
}

} // namespace Work
