// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Lv2Effect.h"

#include "Lv2World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Work
{

std::unique_ptr<Lv2Effect> Lv2Effect::create (const std::string& uri, double sampleRate, int maxBlockSize,
                                              std::string& error)
{
    auto& w = Lv2World::get();
    auto info = Lv2Catalog::find (uri);

    if (info.uri.empty())
        return error = "There is no LV2 plug-in " + uri + ".", nullptr;
    if (! info.isUsable())
        return error = info.name + " cannot run on the bus: " + info.whyNot + ".", nullptr;
    if (sampleRate <= 0.0 || maxBlockSize <= 0)
        return error = "No sample rate to run " + info.name + " at.", nullptr;

    auto* uriNode = lilv_new_uri (w.world, uri.c_str());
    const auto* plugin = lilv_plugins_get_by_uri (w.plugins, uriNode);
    lilv_node_free (uriNode);

    std::unique_ptr<Lv2Effect> effect (new Lv2Effect());
    effect->info = std::move (info);
    effect->maxBlock = maxBlockSize;

    const auto& controls = effect->info.controls;
    const auto numPorts = lilv_plugin_get_num_ports (plugin);
    effect->targets = std::make_unique<std::atomic<float>[]> (controls.size());
    effect->controlPorts.resize (controls.size());
    effect->outputControls.assign (numPorts, 0.0f);
    for (std::size_t c = 0; c < controls.size(); ++c)
    {
        effect->targets[c].store (controls[c].defaultValue);
        effect->controlPorts[c] = controls[c].defaultValue;
    }
    for (auto& buffer : effect->inputs)
        buffer.assign (std::size_t (maxBlockSize), 0.0f);
    for (auto& buffer : effect->outputs)
        buffer.assign (std::size_t (maxBlockSize), 0.0f);

    const int numInstances = effect->info.audioInputs == 1 ? 2 : 1;
    for (int k = 0; k < numInstances; ++k)
    {
        auto* instance = lilv_plugin_instantiate (plugin, sampleRate, w.features);
        if (instance == nullptr)
            return error = effect->info.name + " could not be started.", nullptr;
        effect->instances.push_back (instance);

        // Every port connected before activation: audio to the effect's own buffers (a mono
        // plug-in's second instance takes the right side), controls to their values, output
        // controls to places of their own, anything optional to nothing.
        int audioIn = k, audioOut = k;
        for (std::uint32_t i = 0; i < numPorts; ++i)
        {
            const auto* port = lilv_plugin_get_port_by_index (plugin, i);
            const bool isInput = lilv_port_is_a (plugin, port, w.inputPort);
            void* where = nullptr;

            if (lilv_port_is_a (plugin, port, w.audioPort))
                where = isInput ? effect->inputs[audioIn++].data() : effect->outputs[audioOut++].data();
            else if (lilv_port_is_a (plugin, port, w.controlPort))
            {
                const auto found =
                    std::find_if (controls.begin(), controls.end(), [i] (const auto& c) { return c.index == i; });
                if (found != controls.end())
                    where = &effect->controlPorts[std::size_t (found - controls.begin())];
                else
                {
                    where = &effect->outputControls[i];
                    if (lilv_port_has_property (plugin, port, w.reportsLatency))
                        effect->latencyPort = int (i);
                }
            }
            lilv_instance_connect_port (instance, i, where);
        }
        lilv_instance_activate (instance);
    }

    return effect;
}

Lv2Effect::~Lv2Effect()
{
    for (auto* instance : instances)
    {
        lilv_instance_deactivate (instance);
        lilv_instance_free (instance);
    }
}

int Lv2Effect::findControl (const std::string& symbol) const noexcept
{
    for (std::size_t c = 0; c < info.controls.size(); ++c)
        if (info.controls[c].symbol == symbol)
            return int (c);
    return -1;
}

void Lv2Effect::setControl (int control, float value) noexcept
{
    if (control < 0 || std::size_t (control) >= info.controls.size() || std::isnan (value))
        return;

    const auto& port = info.controls[std::size_t (control)];
    targets[std::size_t (control)].store (std::clamp (value, port.minimum, port.maximum), std::memory_order_relaxed);
}

float Lv2Effect::getControl (int control) const noexcept
{
    return control >= 0 && std::size_t (control) < info.controls.size()
               ? targets[std::size_t (control)].load (std::memory_order_relaxed)
               : 0.0f;
}

void Lv2Effect::process (float* left, float* right, int n) noexcept
{
    n = std::clamp (n, 0, maxBlock);

    for (std::size_t c = 0; c < controlPorts.size(); ++c)
        controlPorts[c] = targets[c].load (std::memory_order_relaxed);

    float* sides[2] = { left, right };
    for (int s = 0; s < 2; ++s)
        std::memcpy (inputs[s].data(), sides[s], sizeof (float) * std::size_t (n));

    for (auto* instance : instances)
        lilv_instance_run (instance, std::uint32_t (n));

    if (latencyPort >= 0)
        latency.store (int (std::lround (outputControls[std::size_t (latencyPort)])), std::memory_order_relaxed);

    // Faded by a straight ramp, a step of 1 / fadeFrames a frame; fully dry, the bus is left
    // as it came.
    const float target = isBypassed() ? 0.0f : 1.0f;
    if (! started)
        wet = target;
    started = true;

    if (wet == 0.0f && target == 0.0f)
        return;

    const float step = 1.0f / float (fadeFrames);
    for (int i = 0; i < n; ++i)
    {
        if (wet != target)
            wet = target > wet ? std::min (target, wet + step) : std::max (target, wet - step);

        for (int s = 0; s < 2; ++s)
        {
            const auto dry = inputs[s][std::size_t (i)], processed = outputs[s][std::size_t (i)];
            sides[s][i] = wet == 1.0f ? processed : dry + wet * (processed - dry);
        }
    }
}

} // namespace Work
