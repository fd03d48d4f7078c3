// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "EffectControlCommand.h"

#include <algorithm>
#include <cmath>

namespace Work
{

namespace
{
    bool isLogarithmic (const Lv2ControlPort& port) noexcept
    {
        return port.logarithmic && port.minimum > 0.0f && port.maximum > port.minimum;
    }
} // namespace

EffectControlCommand::EffectControlCommand (Lv2Effect& effectToUse, int controlToUse)
    : ControlChangeListener ("Bus Effect " + effectToUse.getInfo().controls[std::size_t (controlToUse)].symbol, false,
                             controllerValueFor (effectToUse.getInfo().controls[std::size_t (controlToUse)],
                                                 effectToUse.getControl (controlToUse)))
    , effect (effectToUse)
    , control (controlToUse)
    , applied (getLatestValue())
{
}

float EffectControlCommand::valueFor (const Lv2ControlPort& port, int controllerValue) noexcept
{
    const auto v = float (std::clamp (controllerValue, 0, 127)) / 127.0f;
    if (port.toggled)
        return controllerValue >= 64 ? 1.0f : 0.0f;

    const auto value = isLogarithmic (port) ? port.minimum * std::pow (port.maximum / port.minimum, v)
                                            : port.minimum + v * (port.maximum - port.minimum);
    return std::clamp (port.integer ? std::round (value) : value, port.minimum, port.maximum);
}

int EffectControlCommand::controllerValueFor (const Lv2ControlPort& port, float value) noexcept
{
    if (port.toggled)
        return value > 0.0f ? 127 : 0;
    if (port.maximum <= port.minimum)
        return 0;

    const auto v = isLogarithmic (port)
                       ? std::log (std::max (value, port.minimum) / port.minimum) / std::log (port.maximum / port.minimum)
                       : (value - port.minimum) / (port.maximum - port.minimum);
    return std::clamp (int (std::lround (v * 127.0f)), 0, 127);
}

void EffectControlCommand::followPanel (float value) noexcept
{
    fromPanel.store (controllerValueFor (effect.getInfo().controls[std::size_t (control)], value),
                     std::memory_order_relaxed);
}

void EffectControlCommand::preAudioCallback() noexcept
{
    // The panel set the control itself, finer than a controller value can: the command takes
    // the nearest controller value as its own, here where applied is written, so that a block
    // never hands the effect a value from before the panel's move.
    if (const auto panel = fromPanel.exchange (noneFromPanel, std::memory_order_relaxed); panel != noneFromPanel)
    {
        applied = panel;
        guiValue (panel);
        return;
    }

    const auto value = getLatestValue();
    if (value == applied)
        return;

    applied = value;
    effect.setControl (control, valueFor (effect.getInfo().controls[std::size_t (control)], value));
}

} // namespace Work
