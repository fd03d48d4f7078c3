// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(VARNOLO_SANITIZED)
#define VARNOLO_COUNT_C_HEAP 0
#else
#define VARNOLO_COUNT_C_HEAP 1
#endif

namespace
{
thread_local int openSections = 0;
thread_local long calls = 0;

inline void note() noexcept
{
    if (openSections > 0)
        ++calls;
}
} // namespace

#if VARNOLO_COUNT_C_HEAP
extern "C"
{
    void* __libc_malloc (std::size_t);
    void* __libc_calloc (std::size_t, std::size_t);
    void* __libc_realloc (void*, std::size_t);
    void __libc_free (void*);

    void* malloc (std::size_t size)
    {
        note();
        return __libc_malloc (size);
    }

    void* calloc (std::size_t count, std::size_t size)
    {
        note();
        return __libc_calloc (count, size);
    }

    void* realloc (void* pointer, std::size_t size)
    {
        note();
        return __libc_realloc (pointer, size);
    }

    void free (void* pointer)
    {
        if (pointer != nullptr)
            note();
        __libc_free (pointer);
    }
}
#endif

namespace
{
void* allocateOrThrow (std::size_t size)
{
    note();

    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    note();
    const auto align = static_cast<std::size_t> (alignment);
    const auto rounded = (size + align - 1) / align * align;

    if (void* p = std::aligned_alloc (align, rounded == 0 ? align : rounded))
        return p;

    throw std::bad_alloc();
}

void release (void* pointer) noexcept
{
    if (pointer != nullptr)
        note();
    std::free (pointer);
}
} // namespace

// With the C heap counted, malloc inside these counts a second time; either way the count is
// non-zero exactly when the section touched the heap, which is all the tests ask.
void* operator new (std::size_t size)
{
    return allocateOrThrow (size);
}
void* operator new[] (std::size_t size)
{
    return allocateOrThrow (size);
}
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    note();
    return std::malloc (size == 0 ? 1 : size);
}
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    note();
    return std::malloc (size == 0 ? 1 : size);
}
void* operator new (std::size_t size, std::align_val_t alignment)
{
    return allocateAligned (size, alignment);
}
void* operator new[] (std::size_t size, std::align_val_t alignment)
{
    return allocateAligned (size, alignment);
}
void operator delete (void* pointer) noexcept
{
    release (pointer);
}
void operator delete[] (void* pointer) noexcept
{
    release (pointer);
}
void operator delete (void* pointer, std::size_t) noexcept
{
    release (pointer);
}
void operator delete[] (void* pointer, std::size_t) noexcept
{
    release (pointer);
}
void operator delete (void* pointer, std::align_val_t) noexcept
{
    release (pointer);
}
void operator delete[] (void* pointer, std::align_val_t) noexcept
{
    release (pointer);
}
void operator delete (void* pointer, std::size_t, std::align_val_t) noexcept
{
    release (pointer);
}
void operator delete[] (void* pointer, std::size_t, std::align_val_t) noexcept
{
    release (pointer);
}

namespace Work::Testing
{

ScopedRealTimeSection::ScopedRealTimeSection() noexcept
{
    if (openSections++ == 0)
        calls = 0;
}

ScopedRealTimeSection::~ScopedRealTimeSection()
{
    --openSections;
}

long ScopedRealTimeSection::heapCalls() const noexcept
{
    return calls;
}

bool countsCHeap() noexcept
{
    return VARNOLO_COUNT_C_HEAP != 0;
}

} // namespace Work::Testing
