// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Two LV2 plug-ins that are broken on purpose, for the tests of the plug-in scan: one crashes
// its host as it starts, the other never finishes starting. Their bundle (this library and its
// descriptions) is made in the build folder.
#include <lv2/core/lv2.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace
{
LV2_Handle crash (const LV2_Descriptor*, double, const char*, const LV2_Feature* const*)
{
    std::abort();
}

LV2_Handle hang (const LV2_Descriptor*, double, const char*, const LV2_Feature* const*)
{
    for (;;)
        std::this_thread::sleep_for (std::chrono::seconds (1));
}

void connect (LV2_Handle, uint32_t, void*) {}
void run (LV2_Handle, uint32_t) {}
void cleanup (LV2_Handle) {}

const LV2_Descriptor descriptors[] = {
    { "http://example.org/varnolo-test/crashes", crash, connect, nullptr, run, nullptr, cleanup, nullptr },
    { "http://example.org/varnolo-test/hangs", hang, connect, nullptr, run, nullptr, cleanup, nullptr },
};
} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor (uint32_t index)
{
    return index < 2 ? &descriptors[index] : nullptr;
}
