// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/DataMemory.h"
#include "engine/LockFreeFifo.h"
#include "engine/SampleRoutines.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using Work::Testing::ScopedRealTimeSection;

TEST (RealTimePath, CounterSeesHeapCalls)
{
    // Guards the guard: a section that does allocate must be caught.
    ScopedRealTimeSection section;
    auto* leak = new std::vector<int> (100);
    delete leak;
    EXPECT_GE (section.heapCalls(), 2);
}
