// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include <mutex>
#include <string>
#include <vector>

namespace Work
{

/** The process's one lilv world, with every plug-in description loaded, the nodes the host
    asks about, and the URID map plug-ins are given. Made on first use, never freed (plug-ins
    may hold mapped ids until the process ends). [message], but the URID map [any, locks] */
class Lv2World
{
public:
    static Lv2World& get();

    LilvWorld* world = nullptr;
    const LilvPlugins* plugins = nullptr;
    LilvNode *audioPort, *controlPort, *inputPort, *outputPort, *connectionOptional, *toggled, *integer, *logarithmic, *unit,
        *unitSymbol, *reportsLatency, *name;

    LV2_URID_Map map { this, &Lv2World::mapUri };
    LV2_URID_Unmap unmap { this, &Lv2World::unmapUri };
    LV2_Feature mapFeature, unmapFeature, boundedBlockFeature;

    /** The features every instance gets, null-terminated. */
    const LV2_Feature* features[4];

private:
    Lv2World();
    static LV2_URID mapUri (LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapUri (LV2_URID_Unmap_Handle handle, LV2_URID urid);

    std::mutex uridLock;
    std::vector<std::string> uris; // id N is uris[N - 1]
};

} // namespace Work
