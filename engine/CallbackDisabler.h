// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <atomic>
#include <thread>

/** The callback gate: lets the message thread hold a real-time callback off without a lock.
    Header-only, so the engine can hold its own callback off without depending on the device layer.

    How it works: the guarded callback marks itself inside (inCallback = 1) and only then
    reads disableCount; a disabler raises disableCount and only then waits, yielding,
    while inCallback is 1. Because each side writes its own word before reading the
    other's, and both use sequentially consistent operations, at least one of them sees
    the other: either the callback sees the disable and skips its body, or the disabler
    sees the callback inside and waits for it to leave. After a ScopedDisable has been
    constructed no guarded body runs until the last one is destroyed.

    The callback side never waits. A ScopedDisable must never be made on the thread that
    runs the guarded callback: it would wait for itself.
*/
namespace Work::CallbackDisabler
{

class ScopedCallback;
class ScopedDisable;

/** The two words of one gate. Carried as a base or member by whatever owns a guarded callback. */
class Manager
{
public:
    Manager() = default;
    Manager (const Manager&) = delete;
    Manager& operator= (const Manager&) = delete;

    /** [any] True while at least one ScopedDisable lives. */
    [[nodiscard]] bool isDisabled() const noexcept { return disableCount.load() != 0; }

private:
    friend class ScopedCallback;
    friend class ScopedDisable;

    std::atomic<int> disableCount { 0 };
    std::atomic<int> inCallback { 0 };
};

/** [audio/midi] Wraps a guarded callback body; run the body only if isEnabled(). */
class ScopedCallback
{
public:
    explicit ScopedCallback (Manager& managerToUse) noexcept
        : manager (managerToUse)
    {
        manager.inCallback.store (1);
        enabled = manager.disableCount.load() == 0;
    }

    ~ScopedCallback() { manager.inCallback.store (0); }

    ScopedCallback (const ScopedCallback&) = delete;
    ScopedCallback& operator= (const ScopedCallback&) = delete;

    [[nodiscard]] bool isEnabled() const noexcept { return enabled; }

private:
    Manager& manager;
    bool enabled;
};

/** [message] While alive, guarded callbacks skip their bodies. The constructor returns once
    any body that was running has finished. */
class ScopedDisable
{
public:
    explicit ScopedDisable (Manager& managerToUse) noexcept
        : manager (managerToUse)
    {
        manager.disableCount.fetch_add (1);

        while (manager.inCallback.load() != 0)
            std::this_thread::yield();
    }

    ~ScopedDisable() { manager.disableCount.fetch_sub (1); }

    ScopedDisable (const ScopedDisable&) = delete;
    ScopedDisable& operator= (const ScopedDisable&) = delete;

private:
    Manager& manager;
};

/** [message] Returns once no guarded body is running; later bodies run as usual. */
inline void waitUntilIdle (Manager& manager) noexcept
{
    const ScopedDisable wait (manager);
}

} // namespace Work::CallbackDisabler
