// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "GuiTimer.h"

#include <algorithm>

namespace Work
{

GuiTimer::GuiTimer()
    : startTime (juce::Time::currentTimeMillis())
{
    clients.reserve (256);
}

GuiTimer::~GuiTimer()
{
    stop();
}

void GuiTimer::addClient (GuiTimerClient* client)
{
    if (client != nullptr)
        clients.push_back (client);
}

void GuiTimer::removeClient (GuiTimerClient* client)
{
    if (const auto found = std::find (clients.begin(), clients.end(), client); found != clients.end())
        clients.erase (found);
}

void GuiTimer::start (juce::Component& component)
{
    attachment = std::make_unique<juce::VBlankAttachment> (&component, [this] { blank(); });
}

void GuiTimer::stop()
{
    attachment = nullptr;
}

void GuiTimer::blank()
{
    const auto now = juce::Time::currentTimeMillis();

    if (now - lastTick >= tickMs)
        tick (now);
}

void GuiTimer::tick (std::int64_t nowMs)
{
    lastTick = nowMs;
    const auto elapsedMs = int (nowMs - startTime);
    ++tickCount;

    for (auto* client : clients)
        client->guiTimerCallback (nowMs, elapsedMs);
}

} // namespace Work
