// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "TransportButtons.h"

#include "ColourPalette.h"
#include "Drawing.h"

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

StartStopButton::StartStopButton (VarnoloLooper& looperToUse)
    : MultipleImageButton ("Start Stop")
    , looper (looperToUse)
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
    const auto size = getWidth();
    setPictures (playPicture (size, running, false), playPicture (size, running, true));
}

void StartStopButton::resetToDefault()
{
    running = false;
    createImages();
    repaint();
}

void StartStopButton::execute (std::int64_t timeMs) noexcept
{
    looper.post ({ CommandCode::startStop, 0, 0, 0, timeMs });
}

LabelledCommandButton::LabelledCommandButton (const juce::String& commandName, VarnoloLooper& looperToUse,
                                              LooperCommand commandToPost, Label labelToShow, bool isEmphasised)
    : SimpleImageButton (commandName)
    , looper (looperToUse)
    , command (commandToPost)
    , label (std::move (labelToShow))
    , emphasised (isEmphasised)
{
}

void LabelledCommandButton::setLabel (Label newLabel)
{
    label = std::move (newLabel);
    if (getWidth() > 0)
    {
        createImages();
        repaint();
    }
}

void LabelledCommandButton::createImages()
{
    using Drawing::Look;
    const auto size = getWidth();

    auto picture = [&] (Look look) {
        return label.second.isEmpty() ? Drawing::oneLinePicture (size, label.first, look, emphasised)
                                      : Drawing::twoLinePicture (size, label.first, label.second, look, emphasised);
    };

    setPictures (picture (Look::normal), picture (Look::highlighted), picture (Look::pressed));
}

void LabelledCommandButton::resized()
{
    Drawing::noteTextHeight (*this, (label.second.isEmpty() ? 0.7f : 0.4f) * float (getWidth()));
}

void LabelledCommandButton::execute (std::int64_t timeMs) noexcept
{
    auto toPost = command;
    toPost.time = timeMs;
    looper.post (toPost);
}

PlayResyncButton::PlayResyncButton (VarnoloLooper& l)
    : LabelledCommandButton ("Play Resync", l, { CommandCode::resync }, { "Play", "Sync" })
{
}

TapTempoButton::TapTempoButton (VarnoloLooper& l, TapTempo& tempoToUse)
    : LabelledCommandButton ("Tap Tempo", l, {}, { "Tap", "" })
    , tempo (tempoToUse)
{
}

void TapTempoButton::showTempo (int tempoMilliBpm)
{
    setLabel ({ "Tap", tempoMilliBpm > 0 ? juce::String ((tempoMilliBpm + 500) / 1000) : juce::String() });
}

void TapTempoButton::execute (std::int64_t timeMs) noexcept
{
    tempo.tap (timeMs);
}

ResetLoopsButton::ResetLoopsButton (const juce::String& name, VarnoloLooper& l, bool emphasised)
    : LabelledCommandButton (name, l, { CommandCode::resetLoops }, { "Reset", emphasised ? "Loops?" : "Loops" }, emphasised)
{
}

ShowPlayListButton::ShowPlayListButton (const juce::String& name, VarnoloLooper& l, bool emphasised)
    : LabelledCommandButton (name, l, { CommandCode::playList }, { "Play", emphasised ? "List?" : "List" }, emphasised)
{
}

ResetMixButton::ResetMixButton (VarnoloLooper& l)
    : LabelledCommandButton ("Reset Mix", l, {}, { "Reset", "Mix" })
{
}

void ResetMixButton::execute (std::int64_t) noexcept
{
    looper.requestMixReset();
}

EraseChannelButton::EraseChannelButton (VarnoloLooper& l, int cursorIndex)
    : LabelledCommandButton ("Erase Channel " + juce::String (cursorIndex + 1), l,
                             { CommandCode::eraseChannel, cursorIndex }, { "Erase", "Chan" })
{
}

MultiplyDurationButton::MultiplyDurationButton (VarnoloLooper& l)
    : LabelledCommandButton ("Multiply Duration", l, { CommandCode::multiplyDuration },
                             { juce::String::fromUTF8 ("\xc3\x97"
                                                       "2"),
                               {} })
{
}

AddDurationButton::AddDurationButton (VarnoloLooper& l)
    : LabelledCommandButton ("Add Duration", l, { CommandCode::addDuration }, { "+1", {} })
{
}

void AddDurationButton::setAmount (int newAmount)
{
    newAmount = newAmount == 0 ? 1 : newAmount;
    if (newAmount == amount)
        return;

    amount = newAmount;
    setLabel ({ "+" + juce::String (amount), {} });
}

NonRhythmicalLoopsButton::NonRhythmicalLoopsButton (VarnoloLooper& l)
    : LabelledCommandButton ("Free Loops", l, { CommandCode::freeLoops }, { "Free", "Loops" })
{
}

namespace
{
    juce::String divisionDepthText (int depth)
    {
        switch (depth)
        {
            case 1: return "to 1";
            case 2: return "to 1/2";
            case 3: return "to 1/3";
            case 4: return "to 1/4";
            default: return {};
        }
    }
} // namespace

LoopDivision1234Button::LoopDivision1234Button (VarnoloLooper& l, int depth)
    : LabelledCommandButton ("Loop Division", l, { CommandCode::loopDivision }, { "Divide", divisionDepthText (depth) })
{
}

} // namespace Work
