// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

/** Counts heap calls made on the current thread while a ScopedRealTimeSection is open.

    Linking this file into a test binary replaces the global operator new and delete
    (and, outside sanitizer builds, malloc, calloc, realloc and free) with versions that
    count before forwarding to the C library, so any heap use on the audio path shows.
*/
namespace Work::Testing
{

class ScopedRealTimeSection
{
public:
    ScopedRealTimeSection() noexcept;
    ~ScopedRealTimeSection();

    ScopedRealTimeSection (const ScopedRealTimeSection&) = delete;
    ScopedRealTimeSection& operator= (const ScopedRealTimeSection&) = delete;

    /** Heap calls (allocations and frees) made on this thread since the section opened. */
    [[nodiscard]] long heapCalls() const noexcept;
};

/** True when the C allocation functions are counted too, not only operator new/delete. */
[[nodiscard]] bool countsCHeap() noexcept;

} // namespace Work::Testing
