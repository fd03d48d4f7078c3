// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "LooperMessages.h"

#include <cstdint>

namespace Work
{

/** What the looper's GUI pass shows, implemented by the performance screen; every view it does
    not have is left alone. [message] */
class LooperGuiClient
{
public:
    virtual ~LooperGuiClient() = default;

    virtual void transportShown (bool /*playing*/) {}
    virtual void confirmationShown (bool /*visible*/) {}
    virtual void stripDimmed (int /*loopChannel*/, bool /*dimmed*/) {}
    virtual void busSelectionShown (int /*loopChannel*/, int /*bus*/) {}
    virtual void toMainShown (int /*bus*/, bool /*on*/) {}
    virtual void clockOutputShown (bool /*on*/) {}
    virtual void clockMessage (const LooperMessage& /*message*/) {}
    virtual void statusShown (const LooperStatus& /*status*/) {}
    virtual void textShown (const char* /*text*/) {}
    virtual void midiInputIgnoredShown() {}

    /** All loops were reset: the views return to their empty state. */
    virtual void loopsReset() {}

    /** The mix was reset: mute, solo and bus views return to their defaults. */
    virtual void mixReset() {}
};

} // namespace Work
