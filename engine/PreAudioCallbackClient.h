// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

namespace Work
{

/** Runs at the start of every block, before the engine: the controls' MIDI commands hand their
    queued presses to the looper here, so a press reaches the engine on the audio thread. */
class PreAudioCallbackClient
{
public:
    virtual ~PreAudioCallbackClient() = default;

    /** [audio] Never allocates, locks or waits. */
    virtual void preAudioCallback() noexcept = 0;
};

} // namespace Work
