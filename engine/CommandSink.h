// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "LooperMessages.h"
#include "PreAudioCallbackClient.h"

namespace Work
{

/** Where a control's command goes: the looper's command queue. The screen's controls and their
    MIDI commands hold a command as data (its code and fields) and post it here from the pre-block
    stage of the audio callback; they see nothing else of the engine. */
class CommandSink
{
public:
    virtual ~CommandSink() = default;

    /** [audio] Posts a command; false, and the command is dropped, when the queue is full. */
    virtual bool post (const LooperCommand& command) noexcept = 0;
};

/** Where pre-block clients are registered: the audio device, whose callback runs them before
    the engine in every block. [message, while no block can run] */
class PreAudioClientList
{
public:
    virtual ~PreAudioClientList() = default;

    [[nodiscard]] virtual bool addPreAudioCallbackClient (PreAudioCallbackClient* client) = 0;
    virtual bool removePreAudioCallbackClient (PreAudioCallbackClient* client) = 0;
};

} // namespace Work
