#pragma once

#include "LooperMessages.h"

#include <cstdint>

namespace Work
{

/** What the looper's GUI pass shows, implemented by the performance screen. [message] */
class LooperGuiClient
{
public:
    virtual ~LooperGuiClient() = default;

    virtual void transportShown (bool playing) = 0;
    virtual void confirmationShown (bool visible) = 0;
    virtual void stripDimmed (int loopChannel, bool dimmed) = 0;
    virtual void busSelectionShown (int loopChannel, int bus) = 0;
    virtual void toMainShown (int bus, bool on) = 0;
    virtual void clockOutputShown (bool on) = 0;
    virtual void clockMessage (const LooperMessage& message) = 0;
    virtual void statusShown (const LooperStatus& status) = 0;
    virtual void textShown (const char* text) = 0;
    virtual void midiInputIgnoredShown() = 0;

    /** All loops were reset: the views return to their empty state. */
    virtual void loopsReset() = 0;

    /** The mix was reset: mute, solo and bus views return to their defaults. */
    virtual void mixReset() = 0;
};

/** The mixer parts the looper's commands reach: the loop channels' bus routing and the bus
    returns. [audio; message while the audio callback is held off] */
class LooperMixer
{
public:
    virtual ~LooperMixer() = default;

    /** Routes loop channel onto the buses in mask; false when there is no such channel. */
    virtual bool setActiveOutputs (int loopChannel, std::uint32_t mask) noexcept = 0;

    /** Opens or closes bus return index; out of range does nothing. */
    virtual void setBusReturnEnabled (int index, bool on) noexcept = 0;

    [[nodiscard]] virtual int getNumLoopChannels() const noexcept = 0;
};

} // namespace Work
