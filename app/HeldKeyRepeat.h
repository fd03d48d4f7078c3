// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

namespace Work
{

/** Asks the window system to repeat a held key as presses alone. By default X repeats a held
    key as a release and a press with the same time stamp; the framework pairs them only when
    both are already queued, so on a busy message thread a repeat can look like a fresh press
    of a key that was let go. With this set, a held key is never seen released until it is.
    Returns whether the window system agreed; elsewhere than X there is nothing to ask.
    [message] */
bool repeatHeldKeysAsPressesOnly();

} // namespace Work
