// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "TransportButtons.h"

#include "gui/look/Drawing.h"

namespace Work
{

namespace
{
    /** A polygon whose corners are rounded by quadratic segments with the vertices as control
        points, each corner cut radius along both of its edges. */
    juce::Path roundedPolygon (const std::vector<juce::Point<float>>& vertices, float radius)
    {
        juce::Path path;
        const auto count = vertices.size();

        auto towards = [radius] (juce::Point<float> from, juce::Point<float> to) {
            const auto length = from.getDistanceFrom (to);
            return length > 0.0f ? from + (to - from) * (std::min (radius, length / 2.0f) / length) : from;
        };

        for (std::size_t i = 0; i < count; ++i)
        {
            const auto vertex = vertices[i];
            const auto previous = vertices[(i + count - 1) % count];
            const auto next = vertices[(i + 1) % count];
            const auto in = towards (vertex, previous), out = towards (vertex, next);

            if (i == 0)
                path.startNewSubPath (in);
            else
                path.lineTo (in);
            path.quadraticTo (vertex, out);
        }

        path.closeSubPath();
        return path;
    }

    juce::Image playPicture (int size, bool running, bool highlighted)
    {
        const auto w = float (size);
        auto image = Drawing::backgroundImage (size, size);
        juce::Graphics g (image);
        const auto& palette = Drawing::palette();
        Drawing::drawButtonFrame (g, size, size, highlighted ? palette.highlight : palette.foreground);

        // The triangle's box is (0.1, 0.1, 0.9, 0.8) of the side: half its height bounds the corners.
        const auto radius = std::min ({ 0.2f * w, 0.4f * w, 0.45f * w });
        const auto triangle = roundedPolygon ({ { 0.1f * w, 0.1f * w }, { w, 0.5f * w }, { 0.1f * w, 0.9f * w } }, radius);
        g.setGradientFill (Drawing::runningGradient (w, w, running));
        g.fillPath (triangle);
        return image;
    }
} // namespace

StartStopButton::StartStopButton()
    : SimpleImageButton ("Start Stop", { CommandCode::startStop })
{
}

void StartStopButton::setRunning (bool shouldShowRunning)
{
    if (running == shouldShowRunning)
        return;

    running = shouldShowRunning;
    createImages();
    repaint();
}

void StartStopButton::createImages()
{
    // Two pictures: the highlighted one doubles as the flash.
    const auto size = getWidth();
    auto highlighted = playPicture (size, running, true);
    setPictures (playPicture (size, running, false), highlighted, highlighted);
}

void StartStopButton::resetToDefault()
{
    running = false;
    createImages();
    repaint();
}

namespace TransportButtons
{
    using Label = LabelledButton::Label;
    using Flash = ImageButtonBase::FlashMode;
    using Field = ToggleImageButton::ModeField;

    std::unique_ptr<LabelledButton> playResync()
    {
        return std::make_unique<LabelledButton> ("Play Resync", LooperCommand { CommandCode::resync },
                                                 Label { "Play", "Sync" });
    }

    std::unique_ptr<LabelledButton> resetLoops (const juce::String& name, bool emphasised)
    {
        return std::make_unique<LabelledButton> (name, LooperCommand { CommandCode::resetLoops },
                                                 Label { "Reset", emphasised ? "Loops?" : "Loops" }, emphasised);
    }

    std::unique_ptr<LabelledButton> showPlayList (const juce::String& name, bool emphasised)
    {
        return std::make_unique<LabelledButton> (name, LooperCommand { CommandCode::playList },
                                                 Label { "Play", emphasised ? "List?" : "List" }, emphasised);
    }

    std::unique_ptr<LabelledButton> resetMix()
    {
        return std::make_unique<LabelledButton> ("Reset Mix", LooperCommand { CommandCode::resetMix },
                                                 Label { "Reset", "Mix" });
    }

    std::unique_ptr<LabelledButton> eraseChannel (int cursorIndex)
    {
        return std::make_unique<LabelledButton> ("Erase Channel " + juce::String (cursorIndex + 1),
                                                 LooperCommand { CommandCode::eraseChannel, cursorIndex },
                                                 Label { "Erase", "Chan" });
    }

    std::unique_ptr<LabelledButton> multiplyDuration()
    {
        return std::make_unique<LabelledButton> ("Multiply Duration", LooperCommand { CommandCode::multiplyDuration },
                                                 Label { juce::String::fromUTF8 ("\xc3\x97"
                                                                                 "2"),
                                                         {} });
    }

    LabelledButton::Label addDurationLabel (int amount)
    {
        return { "+" + juce::String (amount == 0 ? 1 : amount), {} };
    }

    std::unique_ptr<LabelledButton> addDuration()
    {
        return std::make_unique<LabelledButton> ("Add Duration", LooperCommand { CommandCode::addDuration },
                                                 addDurationLabel (1));
    }

    std::unique_ptr<LabelledButton> freeLoops()
    {
        return std::make_unique<LabelledButton> ("Free Loops", LooperCommand { CommandCode::freeLoops },
                                                 Label { "Free", "Loops" });
    }

    std::unique_ptr<LabelledButton> loopDivision (int depth)
    {
        const char* depths[] = { "", "to 1", "to 1/2", "to 1/3", "to 1/4" };
        return std::make_unique<LabelledButton> ("Loop Division", LooperCommand { CommandCode::loopDivision },
                                                 Label { "Divide", depth >= 1 && depth <= 4 ? depths[depth] : "" });
    }

    LabelledButton::Label tapTempoLabel (int tempoMilliBpm)
    {
        return { "Tap", tempoMilliBpm > 0 ? juce::String ((tempoMilliBpm + 500) / 1000) : juce::String() };
    }

    std::unique_ptr<LabelledButton> tapTempo()
    {
        return std::make_unique<LabelledButton> ("Tap Tempo", LooperCommand { CommandCode::tapTempo }, tapTempoLabel (0));
    }

    std::unique_ptr<ArrowButton> undo()
    {
        return std::make_unique<ArrowButton> ("Undo", LooperCommand { CommandCode::undo }, Field::none, false,
                                              Flash::notWhileOn, ArrowButton::Arrow::undo);
    }

    std::unique_ptr<ArrowButton> redo()
    {
        return std::make_unique<ArrowButton> ("Redo", LooperCommand { CommandCode::redo }, Field::none, false,
                                              Flash::notWhileOn, ArrowButton::Arrow::redo);
    }

    std::unique_ptr<ArrowButton> playbackDirection()
    {
        return std::make_unique<ArrowButton> ("Playback Direction", LooperCommand { CommandCode::direction }, Field::first,
                                              true, Flash::always, ArrowButton::Arrow::uTurn);
    }
} // namespace TransportButtons

} // namespace Work
