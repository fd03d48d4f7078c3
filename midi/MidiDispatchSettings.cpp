#include "MidiDispatchSettings.h"

namespace Work
{

std::optional<std::int64_t> MidiDispatchSettings::repeatIntervalForChoice (int index) noexcept
{
    // Choices: off, 5, 10, 15, 20, 30, 40, 50, 75, 100, 150, 200, 250, 300, 400 ... 1000 ms.
    if (index == 0)
        return -1;
    if (index >= 1 && index <= 4)
        return 5 * index;
    if (index >= 5 && index <= 7)
        return 10 * index - 20;
    if (index >= 8 && index <= 9)
        return 25 * index - 125;
    if (index >= 10 && index <= 13)
        return 50 * index - 350;
    if (index >= 14 && index <= 20)
        return 100 * index - 1000;
    return std::nullopt;
}

void MidiDispatchSettings::setRepeatIntervalChoice (int index) noexcept
{
    if (const auto interval = repeatIntervalForChoice (index))
        repeatInterval.store (*interval, std::memory_order_relaxed);
}

} // namespace Work
