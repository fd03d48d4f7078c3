// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "LampButtons.h"
#include "MidiSliders.h"
#include "SimpleImageButton.h"
#include "VumeterComponent.h"
#include "engine/CursorWord.h"
#include "mixer/MixerChannelSet.h"

#include <memory>
#include <vector>

namespace Work
{

/** One loop channel's strip: its meter, mute and solo lamps, volume and pan, and the bus
    selectors when there are several buses. The strip glows in the colours of the inputs whose
    loops sound on it, red while it records, darker while muted. A click on it moves the record
    cursor there (1011), as a MIDI message mapped to it would; it does not flash. [message] */
class LoopChannelComponent final
    : public juce::Component
    , public MidiCommands::SimpleCommand
{
public:
    LoopChannelComponent (VarnoloLooper& looper, const MeterImages& images, int channelIndex, int busCount);

    /** The side of the mute, solo and bus lamps in a strip width wide, for the screen's unit:
        grown with the strip, never below the smallest control. */
    [[nodiscard]] static int lampSizeFor (int width, int unit) noexcept;

    /** The strip's height when it is width wide, for the screen's unit. */
    [[nodiscard]] int heightFor (int width, int unit) const noexcept;

    /** Sizes the strip width wide and lays its parts out: heights follow the unit, widths the
        strip's own width, so a wide screen gets wide strips with larger controls. */
    void layoutFor (int width, int unit);

    void connectCommands (CommandWiring& wiring);

    /** Takes the volume, pan and routing holders of its loop channel in the mixer (null: unlinked). */
    void linkMixerChannel (MixerChannel* channel);

    // What the looper's GUI pass shows; each repaints only on a change.
    void setSourceMask (std::uint32_t inputBuses);
    void setRecording (bool isRecording);
    void setDimmed (bool isDimmed);
    void setMuteShown (bool on) { mute->state = on; }
    void setSoloShown (bool on) { solo->state = on; }
    void setSelectedBus (int bus);

    void paint (juce::Graphics& g) override;
    void mouseDown (const juce::MouseEvent& e) override;

    void guiFeedback (std::int64_t) override {}

    [[nodiscard]] VumeterComponent& getMeter() noexcept { return *meter; }
    [[nodiscard]] juce::Rectangle<int> getMeterBounds() const noexcept { return meter->getBounds(); }
    [[nodiscard]] juce::Rectangle<int> getPanBounds() const noexcept { return pan->getBounds(); }
    [[nodiscard]] juce::Rectangle<int> getVolumeBounds() const noexcept { return volume->getBounds(); }
    [[nodiscard]] MuteButton& getMuteButton() noexcept { return *mute; }
    [[nodiscard]] SoloButton& getSoloButton() noexcept { return *solo; }
    [[nodiscard]] VolumeSlider& getVolumeSlider() noexcept { return *volume; }
    [[nodiscard]] PanOrBalanceSlider& getPanSlider() noexcept { return *pan; }
    [[nodiscard]] int getWindowHeight() const noexcept { return windowHeight; }
    [[nodiscard]] std::uint32_t getSourceMask() const noexcept { return sourceMask; }
    [[nodiscard]] bool isRecording() const noexcept { return recording; }

private:
    void execute (std::int64_t timeMs) noexcept override;

    VarnoloLooper& looper;
    const MeterImages& images;
    std::unique_ptr<VumeterComponent> meter;
    std::vector<std::unique_ptr<MixBusSelectorButton>> busSelectors;
    std::unique_ptr<MuteButton> mute;
    std::unique_ptr<SoloButton> solo;
    std::unique_ptr<VolumeSlider> volume;
    std::unique_ptr<PanOrBalanceSlider> pan;
    std::uint32_t sourceMask = 0;
    int channelIndex;
    int windowWidth = 0, windowHeight = 0;
    bool dimmed = false, recording = false;
};

/** Moves a record cursor one loop channel back or forward (1010). */
class DirectionCursorButton final : public SimpleImageButton
{
public:
    DirectionCursorButton (VarnoloLooper& looper, int cursorIndex, bool forward);
    void createImages() override;

private:
    void execute (std::int64_t timeMs) noexcept override;

    VarnoloLooper& looper;
    int cursor;
    bool forward;
};

/** The loop channels side by side, with a yellow frame round the channel under each record
    cursor and, below it, the cursor's back and forward buttons. The cursors live in the
    engine's cursor word, which the looper changes on the audio thread; the view reads it on its
    GUI tick and rearranges itself only when it changed. [message] */
class LoopChannelsComponent final
    : public juce::Component
    , public GuiTimerClient
{
public:
    LoopChannelsComponent (VarnoloLooper& looper, const MeterImages& images, CursorWord& cursors, int channelCount,
                           int busCount);
    ~LoopChannelsComponent() override;

    /** Lays the strips out stripWidth wide for the screen's unit. */
    void layoutFor (int unit, int stripWidth);

    /** The view's width with strips stripWidth wide. */
    [[nodiscard]] int widthFor (int stripWidth) const noexcept;

    void connectCommands (CommandWiring& wiring);
    void linkMixerChannels (MixerChannelSet* loopChannels);

    void guiTimerCallback (std::int64_t nowMs, int elapsedMs) override;
    void paint (juce::Graphics& g) override;

    /** Volumes and pans back to their defaults, as an incoming controller would set them. */
    void resetMix();

    /** The first bus selected on every strip. */
    void resetBusSelection();

    [[nodiscard]] int getNumStrips() const noexcept { return int (strips.size()); }
    [[nodiscard]] LoopChannelComponent& getStrip (int i) noexcept { return *strips[std::size_t (i)]; }
    [[nodiscard]] DirectionCursorButton& getCursorButton (int i) noexcept { return *cursorButtons[std::size_t (i)]; }
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const;

private:
    void arrangeStrips();
    void placeCursorButtons (int cursor);

    CursorWord& cursors;
    std::vector<std::unique_ptr<LoopChannelComponent>> strips;
    std::vector<std::unique_ptr<DirectionCursorButton>> cursorButtons;
    int unit = 0;
    static constexpr int groupGap = 48; // between the two cursor groups
};

} // namespace Work
