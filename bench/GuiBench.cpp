// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// The performance screen's cost on JUCE's software renderer, the one the X11 window uses: the
// screen is painted into an image, tick after tick, while the engine runs offline under it.
// Each tick is what the program does every 15 ms: the engine's GUI pass and every control's
// refresh, then the repaint of exactly the regions they asked for. Printed: the average and
// the worst tick, and one full repaint, at 1920 x 1080 and 1280 x 720, in two scenes:
//   - transport: a main loop, the transport started and stopped, buttons flashing, notices;
//   - alive: eight loops playing, meters moving, the ring turning, counters changing.
//   gui_bench [ticks per scene, default 4000]
#include "app/MainComponent.h"
#include "gui/look/ColourPalette.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Work;

namespace
{
using Clock = std::chrono::steady_clock;

double msSince (Clock::time_point start)
{
    return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
}

/** Stands in for the window's peer: collects the regions the screen asks to repaint. */
struct RepaintCollector final : juce::CachedComponentImage
{
    void paint (juce::Graphics&) override {}
    bool invalidateAll() override
    {
        all = true;
        return false;
    }
    bool invalidate (const juce::Rectangle<int>& area) override
    {
        dirty.add (area);
        return false;
    }
    void releaseResources() override {}

    juce::RectangleList<int> dirty;
    bool all = false;
};

struct Scene
{
    const char* name;
    bool alive;
};

/** The engine under the screen, run block by block on a clock of its own, and the screen. */
class Bench
{
public:
    Bench (int width, int height)
    {
        folder = juce::File::createTempFile ("gui-bench");
        folder.createDirectory();
        settings = std::make_unique<MainSettings> (folder.getFullPathName());
        engine = std::make_unique<EngineRuntime> (*settings, nullptr, 768);
        engine->buildEngine();
        looper = engine->getLooper();
        if (looper == nullptr)
        {
            std::printf ("no engine: no sample memory\n");
            std::exit (1);
        }
        looper->setDevice (48000, 0, 0);
        screen = std::make_unique<MainComponent> (*engine, *settings);
        screen->setVisible (true);
        screen->setSize (width, height);
        collector = new RepaintCollector();
        screen->setCachedComponentImage (collector);
        image = juce::Image (juce::Image::RGB, width, height, true);
    }

    ~Bench()
    {
        screen = nullptr;
        engine = nullptr;
        settings = nullptr;
        folder.deleteRecursively();
    }

    /** Posts a command as a press at the current time. */
    void press (std::int32_t type, std::int32_t first = 0, std::int32_t second = 0, std::int32_t third = 0)
    {
        looper->postFromMessageThread ({ type, first, second, third, nowMs });
    }

    /** 15 ms of audio in 240-sample blocks: a 220 Hz tone on input 1, silence on input 2. */
    void runAudio()
    {
        for (int b = 0; b < 3; ++b)
        {
            for (int i = 0; i < 240; ++i)
                tone[std::size_t (i)] = 0.3f * std::sin (float (samples++) * 0.0288f);
            const float* inputs[] = { tone.data(), silence.data() };
            float* outputs[] = { left.data(), right.data() };
            engine->getDevice()->processBlock (inputs, 2, outputs, 2, 240, nowMs + 5 * b, 48000.0f);
        }
    }

    /** One GUI tick and the repaint it asked for; returns the time both took in milliseconds. */
    double tick()
    {
        nowMs += 15;
        runAudio();
        const auto start = Clock::now();
        screen->getTimer().tick (nowMs);

        juce::Graphics g (image);
        if (collector->all)
            screen->paintEntireComponent (g, false);
        else
            for (const auto& area : collector->dirty)
            {
                juce::Graphics::ScopedSaveState state (g);
                g.reduceClipRegion (area);
                screen->paintEntireComponent (g, false);
            }

        collector->dirty.clear();
        collector->all = false;
        return msSince (start);
    }

    double fullRepaint()
    {
        const auto start = Clock::now();
        juce::Graphics g (image);
        screen->paintEntireComponent (g, false);
        return msSince (start);
    }

    /** A performance the scene's ticks follow: what the performer does on which tick. */
    void perform (const Scene& scene, int t)
    {
        using namespace CommandCode;
        if (t == 5)
            press (punch, 0, 1, 0); // the main loop
        if (t == 70)
            press (punch, 0, 1, 0);

        if (scene.alive)
        {
            // A layer on each of the other seven channels, one after the other.
            if (t >= 100 && t < 100 + 7 * 60 && (t - 100) % 60 == 0)
                press (punch, 0, 1, 0);
            if (t >= 150 && t < 150 + 7 * 60 && (t - 150) % 60 == 0)
                press (punch, 0, 1, 0);
            if (t > 600 && t % 97 == 0)
                press (multiplyDuration);
            if (t > 600 && t % 131 == 0)
                press (undo);
            if (t > 600 && t % 137 == 0)
                press (redo);
        }
        else if (t > 100)
        {
            if (t % 200 == 0)
                press (startStop); // stops, and 200 ticks later starts again
            if (t % 50 == 25)
                press (mute, (t / 50) % 8, 2);
            if (t % 90 == 45)
                press (multiplyDuration); // refused while stopped: a notice
            if (t % 70 == 35)
                screen->getTransport().getStartStopButton().trigger(); // a flash
        }
    }

    std::unique_ptr<MainComponent> screen;
    std::unique_ptr<EngineRuntime> engine;
    VarnoloLooper* looper = nullptr;

private:
    juce::File folder;
    std::unique_ptr<MainSettings> settings;
    RepaintCollector* collector = nullptr;
    juce::Image image;
    std::int64_t nowMs = 1'000'000;
    std::int64_t samples = 0;
    std::vector<float> tone = std::vector<float> (240), silence = std::vector<float> (240), left = std::vector<float> (240),
                       right = std::vector<float> (240);
};

void run (const Scene& scene, int width, int height, int ticks)
{
    Bench bench (width, height);
    bench.fullRepaint(); // the first paint draws every picture once

    double total = 0.0, worst = 0.0;
    int measured = 0;
    for (int t = 0; t < ticks; ++t)
    {
        bench.perform (scene, t);
        const auto ms = bench.tick();
        if (t >= 20) // the screen's first ticks place its cursors
        {
            total += ms;
            worst = std::max (worst, ms);
            ++measured;
        }
    }

    double full = 1.0e9;
    for (int i = 0; i < 5; ++i)
        full = std::min (full, bench.fullRepaint());

    int loops = bench.looper->getCurrentPart().hasMainLoop() ? 1 : 0;
    for (auto* loop = bench.looper->getCurrentPart().getSecondaryLoops(); loop != nullptr; loop = loop->next)
        ++loops;

    std::printf ("%-9s %4d x %-4d  tick: average %6.3f ms, worst %7.3f ms   full repaint %6.2f ms   (%d ticks, %d loops)\n",
                 scene.name, width, height, total / std::max (1, measured), worst, full, measured, loops);
}
} // namespace

int main (int argc, char** argv)
{
    const int ticks = argc > 1 ? std::max (100, std::atoi (argv[1])) : 4000;
    const juce::ScopedJuceInitialiser_GUI juce;
    ColourPalette palette;

    std::printf ("GUI work per 15 ms tick on the software renderer (target: average <= 2 ms at 1920 x 1080)\n");
    for (const Scene scene : { Scene { "transport", false }, Scene { "alive", true } })
        for (const auto& [w, h] : { std::pair { 1920, 1080 }, { 1280, 720 } })
            run (scene, w, h, ticks);
    return 0;
}
