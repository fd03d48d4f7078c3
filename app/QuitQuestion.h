#pragma once

namespace Work
{

/** [message] Asks whether to quit, with yes, no and cancel; true only for yes.
    Blocks in a modal loop until answered. */
[[nodiscard]] bool askToQuit();

} // namespace Work
