// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "Lv2Catalog.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct LilvInstanceImpl;

namespace Work
{

/** One LV2 plug-in running on a stereo bus: one instance for a stereo plug-in, two (one a side)
    for a mono one.

    Made, activated, and finally deactivated and freed on the message thread; process runs on
    the audio thread, in place on the bus's two channels, through buffers made with the effect,
    so it never allocates, locks or waits (unless the plug-in does: a plug-in that maps URIs
    while it runs takes the map's lock). Control values are single words any thread writes and
    the audio thread copies into the plug-in's ports at the start of each block.

    Bypass fades between the plug-in's output and the dry signal over fadeFrames; once faded
    out, the dry signal passes untouched, to the bit, while the plug-in keeps running on it so
    that it comes back without a jump in its state. The latency the plug-in reports (its
    latency output) is read after each block; the bus does not delay its dry signal for it. */
class Lv2Effect
{
public:
    static constexpr int fadeFrames = 480;

    /** [message] The plug-in with this URI, activated for the rate and blocks up to maxBlock;
        null, and error set, when it cannot be hosted. */
    static std::unique_ptr<Lv2Effect> create (const std::string& uri, double sampleRate, int maxBlock, std::string& error);

    ~Lv2Effect();

    [[nodiscard]] const Lv2PluginInfo& getInfo() const noexcept { return info; }

    /** The control with this symbol, -1 when none. */
    [[nodiscard]] int findControl (const std::string& symbol) const noexcept;

    /** [any] A control's value, kept within its range. */
    void setControl (int control, float value) noexcept;
    [[nodiscard]] float getControl (int control) const noexcept;

    /** [any] Bypass on or off: faded over fadeFrames (an effect bypassed before its first
        block starts bypassed). */
    void setBypassed (bool shouldBeBypassed) noexcept { bypassed.store (shouldBeBypassed, std::memory_order_relaxed); }
    [[nodiscard]] bool isBypassed() const noexcept { return bypassed.load (std::memory_order_relaxed); }

    /** [any] The latency the plug-in last reported, in frames; 0 without a latency output. */
    [[nodiscard]] int getLatency() const noexcept { return latency.load (std::memory_order_relaxed); }

    /** [audio] The bus's two channels, n frames (at most the maxBlock it was made for). */
    void process (float* left, float* right, int n) noexcept;

private:
    Lv2Effect() = default;

    Lv2PluginInfo info;
    std::vector<LilvInstanceImpl*> instances; // one, or two for a mono plug-in
    int maxBlock = 0;

    std::unique_ptr<std::atomic<float>[]> targets; // per control, written by anyone
    std::vector<float> controlPorts;               // per control, what the plug-in reads
    std::vector<float> outputControls;             // per port index, for output controls
    int latencyPort = -1;

    std::vector<float> inputs[2], outputs[2];
    std::atomic<bool> bypassed { false };
    std::atomic<int> latency { 0 };
    float wet = 1.0f;     // 1: the plug-in's output; 0: the dry signal [audio]
    bool started = false; // an effect bypassed before its first block starts dry
};

} // namespace Work
