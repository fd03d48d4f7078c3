// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "engine/MemorySystem.h"

#include <gtest/gtest.h>

namespace Work::Testing
{

/** The engine runtime alone: queues take their storage from it, as in the program. */
class RuntimeEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { MemorySystem::startEngineRuntime(); }
    void TearDown() override { MemorySystem::stopEngineRuntime(); }
};

/** The engine runtime and a 256 MB sample pool for the whole test binary, as the program has. */
class EngineEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        MemorySystem::startEngineRuntime();
        ASSERT_EQ (MemorySystem::startSampleMemory (768), 256u);
    }

    void TearDown() override
    {
        MemorySystem::stopSampleMemory();
        MemorySystem::stopEngineRuntime();
    }
};

} // namespace Work::Testing
