// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Lv2Catalog.h"

#include "Lv2World.h"

#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/port-props/port-props.h>
#include <lv2/units/units.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Work
{

Lv2World& Lv2World::get()
{
    static Lv2World instance;
    return instance;
}

Lv2World::Lv2World()
{
    world = lilv_world_new();
    lilv_world_load_all (world);
    plugins = lilv_world_get_all_plugins (world);

    audioPort = lilv_new_uri (world, LV2_CORE__AudioPort);
    controlPort = lilv_new_uri (world, LV2_CORE__ControlPort);
    inputPort = lilv_new_uri (world, LV2_CORE__InputPort);
    outputPort = lilv_new_uri (world, LV2_CORE__OutputPort);
    connectionOptional = lilv_new_uri (world, LV2_CORE__connectionOptional);
    toggled = lilv_new_uri (world, LV2_CORE__toggled);
    integer = lilv_new_uri (world, LV2_CORE__integer);
    logarithmic = lilv_new_uri (world, LV2_PORT_PROPS__logarithmic);
    unit = lilv_new_uri (world, LV2_UNITS__unit);
    unitSymbol = lilv_new_uri (world, LV2_UNITS__symbol);
    reportsLatency = lilv_new_uri (world, LV2_CORE__reportsLatency);
    name = lilv_new_uri (world, LV2_CORE__name);

    mapFeature = { LV2_URID__map, &map };
    unmapFeature = { LV2_URID__unmap, &unmap };
    boundedBlockFeature = { LV2_BUF_SIZE__boundedBlockLength, nullptr };
    features[0] = &mapFeature;
    features[1] = &unmapFeature;
    features[2] = &boundedBlockFeature;
    features[3] = nullptr;
}

LV2_URID Lv2World::mapUri (LV2_URID_Map_Handle handle, const char* uri)
{
    auto& self = *static_cast<Lv2World*> (handle);
    const std::lock_guard<std::mutex> hold (self.uridLock);

    const auto found = std::find (self.uris.begin(), self.uris.end(), uri);
    if (found != self.uris.end())
        return LV2_URID (found - self.uris.begin() + 1);

    self.uris.emplace_back (uri);
    return LV2_URID (self.uris.size());
}

const char* Lv2World::unmapUri (LV2_URID_Unmap_Handle handle, LV2_URID urid)
{
    auto& self = *static_cast<Lv2World*> (handle);
    const std::lock_guard<std::mutex> hold (self.uridLock);
    return urid >= 1 && urid <= self.uris.size() ? self.uris[urid - 1].c_str() : nullptr;
}

const std::vector<std::string>& Lv2Catalog::supportedFeatures()
{
    static const std::vector<std::string> features {
        LV2_URID__map,    LV2_URID__unmap,         LV2_BUF_SIZE__boundedBlockLength,
        LV2_CORE__isLive, LV2_CORE__hardRTCapable, LV2_CORE__inPlaceBroken
    };
    return features;
}

namespace
{
    std::string text (const LilvNode* node)
    {
        return node != nullptr && lilv_node_as_string (node) != nullptr ? lilv_node_as_string (node) : "";
    }

    using Nodes = std::unique_ptr<LilvNodes, decltype (&lilv_nodes_free)>;
    using Node = std::unique_ptr<LilvNode, decltype (&lilv_node_free)>;

    Lv2PluginInfo describe (const LilvPlugin* plugin)
    {
        auto& w = Lv2World::get();
        Lv2PluginInfo info;
        info.uri = text (lilv_plugin_get_uri (plugin));
        const Node pluginName (lilv_plugin_get_name (plugin), &lilv_node_free);
        info.name = text (pluginName.get());

        const auto numPorts = lilv_plugin_get_num_ports (plugin);
        std::vector<float> minimums (numPorts), maximums (numPorts), defaults (numPorts);
        lilv_plugin_get_port_ranges_float (plugin, minimums.data(), maximums.data(), defaults.data());

        for (std::uint32_t i = 0; i < numPorts; ++i)
        {
            const auto* port = lilv_plugin_get_port_by_index (plugin, i);
            const bool isInput = lilv_port_is_a (plugin, port, w.inputPort);

            if (lilv_port_is_a (plugin, port, w.audioPort))
            {
                ++(isInput ? info.audioInputs : info.audioOutputs);
                continue;
            }

            if (lilv_port_is_a (plugin, port, w.controlPort))
            {
                if (! isInput)
                    continue; // an output control: read back (the latency), never shown

                Lv2ControlPort control;
                control.index = i;
                control.symbol = text (lilv_port_get_symbol (plugin, port));
                const Node portName (lilv_port_get_name (plugin, port), &lilv_node_free);
                control.name = text (portName.get());
                control.toggled = lilv_port_has_property (plugin, port, w.toggled);
                control.integer = lilv_port_has_property (plugin, port, w.integer);
                control.logarithmic = lilv_port_has_property (plugin, port, w.logarithmic);
                control.minimum = std::isnan (minimums[i]) ? 0.0f : minimums[i];
                control.maximum = std::isnan (maximums[i]) ? std::max (1.0f, control.minimum) : maximums[i];
                control.defaultValue = std::isnan (defaults[i]) ? control.minimum : defaults[i];
                control.defaultValue = std::clamp (control.defaultValue, control.minimum, control.maximum);

                if (const Nodes units (lilv_port_get_value (plugin, port, w.unit), &lilv_nodes_free); units != nullptr)
                    if (const auto* first = lilv_nodes_get_first (units.get()))
                        if (const Nodes symbols (lilv_world_find_nodes (w.world, first, w.unitSymbol, nullptr),
                                                 &lilv_nodes_free);
                            symbols != nullptr && lilv_nodes_size (symbols.get()) > 0)
                            control.unit = text (lilv_nodes_get_first (symbols.get()));

                if (auto* points = lilv_port_get_scale_points (plugin, port))
                {
                    LILV_FOREACH (scale_points, p, points)
                    {
                        const auto* point = lilv_scale_points_get (points, p);
                        control.scalePoints.emplace_back (lilv_node_as_float (lilv_scale_point_get_value (point)),
                                                          text (lilv_scale_point_get_label (point)));
                    }
                    lilv_scale_points_free (points);
                }

                info.controls.push_back (std::move (control));
                continue;
            }

            if (! lilv_port_has_property (plugin, port, w.connectionOptional) && info.whyNot.empty())
                info.whyNot = "it has a port of a kind the bus does not connect (MIDI, events or CV)";
        }

        if (info.whyNot.empty()
            && ! ((info.audioInputs == 1 && info.audioOutputs == 1) || (info.audioInputs == 2 && info.audioOutputs == 2)))
            info.whyNot = "it takes " + std::to_string (info.audioInputs) + " audio inputs and gives "
                          + std::to_string (info.audioOutputs) + " outputs (the bus needs 1 and 1, or 2 and 2)";

        if (info.whyNot.empty())
            if (const Nodes required (lilv_plugin_get_required_features (plugin), &lilv_nodes_free); required != nullptr)
                LILV_FOREACH (nodes, f, required.get())
                {
                    const auto feature = text (lilv_nodes_get (required.get(), f));
                    const auto& supported = Lv2Catalog::supportedFeatures();
                    if (std::find (supported.begin(), supported.end(), feature) == supported.end())
                    {
                        info.whyNot = "it needs " + feature;
                        break;
                    }
                }

        return info;
    }
} // namespace

std::vector<Lv2PluginInfo> Lv2Catalog::listAll()
{
    auto& w = Lv2World::get();
    std::vector<Lv2PluginInfo> all;

    LILV_FOREACH (plugins, i, w.plugins)
    all.push_back (describe (lilv_plugins_get (w.plugins, i)));

    std::sort (all.begin(), all.end(), [] (const auto& a, const auto& b) { return a.name < b.name; });
    return all;
}

Lv2PluginInfo Lv2Catalog::find (const std::string& uri)
{
    auto& w = Lv2World::get();
    const Node node (lilv_new_uri (w.world, uri.c_str()), &lilv_node_free);
    const auto* plugin = node != nullptr ? lilv_plugins_get_by_uri (w.plugins, node.get()) : nullptr;
    return plugin != nullptr ? describe (plugin) : Lv2PluginInfo {};
}

} // namespace Work
