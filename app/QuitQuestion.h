// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

namespace Work
{

/** [message] Asks whether to quit, with yes, no and cancel; true only for yes.
    Blocks in a modal loop until answered. */
[[nodiscard]] bool askToQuit();

} // namespace Work
