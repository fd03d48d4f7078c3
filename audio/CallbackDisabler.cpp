#include "CallbackDisabler.h"

#include <thread>

namespace Work::CallbackDisabler
{

ScopedDisable::ScopedDisable (Manager& managerToUse) noexcept
    : manager (managerToUse)
{
    manager.disableCount.fetch_add (1);

    while (manager.inCallback.load() != 0)
        std::this_thread::yield();
}

ScopedDisable::~ScopedDisable()
{
    manager.disableCount.fetch_sub (1);
}

} // namespace Work::CallbackDisabler
