// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "CommandWiring.h"
#include "StripButtons.h"
#include "engine/CursorWord.h"
#include "engine/LooperView.h"
#include "gui/controls/MidiSlider.h"
#include "gui/controls/VumeterComponent.h"
#include "mixer/MixerChannelSet.h"

#include <functional>

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
    LoopChannelComponent (const MeterImages& images, int channelIndex, int busCount);

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

    /** [message] Once per GUI tick: the inputs heard on the channel, recording, dimmed while
        muted, mute, solo and the bus it plays on; each repaints only on a change. */
    void show (const LooperView& view, std::int64_t nowMs);

    /** [message] The first bus selected, before the engine said otherwise. */
    void resetBusSelection (std::int64_t nowMs);

    void paint (juce::Graphics& g) override;
    void mouseDown (const juce::MouseEvent& e) override;

    void guiFeedback (std::int64_t) override {}

    [[nodiscard]] VumeterComponent& getMeter() noexcept { return *meter; }
    [[nodiscard]] juce::Rectangle<int> getMeterBounds() const noexcept { return meter->getBounds(); }
    [[nodiscard]] juce::Rectangle<int> getPanBounds() const noexcept { return pan->getBounds(); }
    [[nodiscard]] juce::Rectangle<int> getVolumeBounds() const noexcept { return volume->getBounds(); }
    [[nodiscard]] LampButton& getMuteButton() noexcept { return *mute; }
    [[nodiscard]] LampButton& getSoloButton() noexcept { return *solo; }
    [[nodiscard]] MidiSlider& getVolumeSlider() noexcept { return *volume; }
    [[nodiscard]] MidiSlider& getPanSlider() noexcept { return *pan; }
    [[nodiscard]] bool isDimmed() const noexcept { return dimmed; }
    [[nodiscard]] int getWindowHeight() const noexcept { return windowHeight; }
    [[nodiscard]] std::uint32_t getSourceMask() const noexcept { return sourceMask; }
    [[nodiscard]] bool isRecording() const noexcept { return recording; }

private:
    void selectBus (int bus, std::int64_t nowMs);

    const MeterImages& images;
    std::unique_ptr<VumeterComponent> meter;
    std::vector<std::unique_ptr<LampButton>> busSelectors;
    std::unique_ptr<LampButton> mute;
    std::unique_ptr<LampButton> solo;
    std::unique_ptr<MidiSlider> volume;
    std::unique_ptr<MidiSlider> pan;
    std::uint32_t sourceMask = 0;
    int channelIndex;
    int windowWidth = 0, windowHeight = 0;
    bool dimmed = false, recording = false;
};

/** The loop channels side by side, with a yellow frame round the channel under each record
    cursor and, below it, the cursor's back and forward buttons. Where the cursors stand comes with
    the screen's view of the engine on every GUI tick; the strips rearrange themselves only when it
    changed, and tell the engine what they show (onCursorsShown). [message] */
class LoopChannelsComponent final : public juce::Component
{
public:
    /** cursorWord: where the engine's cursors stand as the view is built (see CursorWord). */
    LoopChannelsComponent (const MeterImages& images, int channelCount, int busCount, std::uint32_t cursorWord,
                           int cursorCount);
    ~LoopChannelsComponent() override;

    /** Lays the strips out stripWidth wide for the screen's unit. */
    void layoutFor (int unit, int stripWidth);

    /** The view's width with strips stripWidth wide. */
    [[nodiscard]] int widthFor (int stripWidth) const noexcept;

    void connectCommands (CommandWiring& wiring);
    void linkMixerChannels (MixerChannelSet* loopChannels);

    /** [message] Once per GUI tick: every strip, and the cursors where the engine has them. */
    void show (const LooperView& view, std::int64_t nowMs);

    /** Told the cursor word the strips now show, whenever it changes. */
    std::function<void (std::uint32_t word)> onCursorsShown;

    void paint (juce::Graphics& g) override;

    /** Volumes and pans back to their defaults, as an incoming controller would set them. */
    void resetMix();

    /** The first bus selected on every strip. */
    void resetBusSelection (std::int64_t nowMs);

    [[nodiscard]] int getNumStrips() const noexcept { return int (strips.size()); }
    [[nodiscard]] LoopChannelComponent& getStrip (int i) noexcept { return *strips[std::size_t (i)]; }
    [[nodiscard]] DirectionCursorButton& getCursorButton (int i) noexcept { return *cursorButtons[std::size_t (i)]; }
    [[nodiscard]] std::vector<VumeterComponent*> getMeters() const;

private:
    void arrangeStrips();
    void placeCursorButtons (int cursor);

    void showCursors (std::uint32_t word);

    std::vector<std::unique_ptr<LoopChannelComponent>> strips;
    int cursorCount;
    std::uint32_t shown; // the cursor word the strips are arranged for
    std::vector<std::unique_ptr<DirectionCursorButton>> cursorButtons;
    int unit = 0;
    static constexpr int groupGap = 48; // between the two cursor groups
};

} // namespace Work
