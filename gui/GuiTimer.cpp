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
    stopTimer();
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

void GuiTimer::tick (std::int64_t nowMs)
{
    const auto elapsedMs = int (nowMs - startTime);
    ++tickCount;

    for (auto* client : clients)
        client->guiTimerCallback (nowMs, elapsedMs);
}

void GuiTimer::timerCallback()
{
    tick (juce::Time::currentTimeMillis());
}

} // namespace Work
