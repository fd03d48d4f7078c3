// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "engine/MemorySystem.h"

#include <gtest/gtest.h>

namespace
{
// Queues take their storage from the process-wide system allocator, as in the program.
class EngineRuntimeEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { Work::MemorySystem::startEngineRuntime(); }
    void TearDown() override { Work::MemorySystem::stopEngineRuntime(); }
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new EngineRuntimeEnvironment());
} // namespace
