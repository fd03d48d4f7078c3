// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Work
{

/** A control input of an LV2 plug-in, as its description gives it. */
struct Lv2ControlPort
{
    unsigned index = 0;
    std::string symbol, name, unit;
    float minimum = 0.0f, maximum = 1.0f, defaultValue = 0.0f;
    bool toggled = false, integer = false, logarithmic = false;
    std::vector<std::pair<float, std::string>> scalePoints;
};

/** What the program knows of one installed LV2 plug-in. */
struct Lv2PluginInfo
{
    std::string uri, name;
    int audioInputs = 0, audioOutputs = 0;
    std::vector<Lv2ControlPort> controls;

    /** Why the bus cannot host it (empty when it can): the bus takes plug-ins with one audio
        input and output (run once a side) or two of each, whose other ports are controls or
        may stay unconnected, and that need no feature the program does not give. */
    std::string whyNot;

    [[nodiscard]] bool isUsable() const noexcept { return whyNot.empty(); }
};

/** The installed LV2 plug-ins, read through lilv from the standard LV2 path (LV2_PATH when
    set). Reading the descriptions loads no plug-in library, so it cannot crash on one; running
    one can, which is why plug-ins are probed in a process of their own (see Lv2Probe).
    [message] */
class Lv2Catalog
{
public:
    /** Every plug-in found, sorted by name. */
    [[nodiscard]] static std::vector<Lv2PluginInfo> listAll();

    /** The plug-in with this URI, or one with an empty URI when there is none. */
    [[nodiscard]] static Lv2PluginInfo find (const std::string& uri);

    /** The features the program gives a plug-in. */
    static const std::vector<std::string>& supportedFeatures();
};

} // namespace Work
