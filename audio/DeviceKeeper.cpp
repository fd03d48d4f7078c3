// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "DeviceKeeper.h"

namespace Work
{

DeviceKeeper::DeviceKeeper (MainAudio& audioToKeep)
    : audio (audioToKeep)
{
}

DeviceKeeper::~DeviceKeeper()
{
    stopTimer();
}

void DeviceKeeper::watch (bool opened)
{
    const auto now = juce::Time::currentTimeMillis();
    auto& device = audio.getDevice();
    lastBlocks = device.getBlocksDelivered();
    lastBlockSeen = now;
    (void)device.takeDeviceError();

    if (opened)
    {
        state = State::running;
        lastGoodState = device.captureState();
        lastName = device.getDeviceManager().getCurrentAudioDevice()->getName();
        lastRate = audio.getSampleRate();
        audio.setAbsenceTexts ({}, {});
    }
    else
    {
        state = State::away;
        nextAttempt = now + retryIntervalMs;
        showAway (false);
        audio.refreshDevice();
    }

    startTimer (checkIntervalMs);
}

void DeviceKeeper::stopWatching()
{
    stopTimer();
    state = State::idle;
    audio.setAbsenceTexts ({}, {});
}

void DeviceKeeper::timerCallback()
{
    const auto now = juce::Time::currentTimeMillis();
    auto& device = audio.getDevice();
    auto* current = device.getDeviceManager().getCurrentAudioDevice();
    const bool open = current != nullptr && current->isOpen();

    if (isDeviceBeingChosen && isDeviceBeingChosen())
    {
        choosing = true;
        return;
    }

    if (choosing)
    {
        choosing = false;
        if (open)
            watch (true);
        else
            stopWatching(); // no device was chosen
        return;
    }

    if (state == State::away)
    {
        if (now >= nextAttempt)
            tryToReopen (now);
        return;
    }

    if (state != State::running)
        return;

    const auto blocks = device.getBlocksDelivered();
    if (blocks != lastBlocks)
    {
        lastBlocks = blocks;
        lastBlockSeen = now;
    }

    const bool errored = device.takeDeviceError();
    const bool silent = now - lastBlockSeen > silenceLimitMs;

    // Closed by itself (a JACK server that went away), or open and no longer calling back.
    if (errored || silent)
        deviceLost();
}

void DeviceKeeper::deviceLost()
{
    state = State::away;
    nextAttempt = juce::Time::currentTimeMillis() + retryIntervalMs;
    showAway (true);

    // Let go of what is left of it; the saved state keeps naming it.
    audio.getDevice().dropDevice();
    audio.refreshDevice();
}

void DeviceKeeper::showAway (bool lost)
{
    const auto name = lastName.isNotEmpty() ? lastName : juce::String ("the audio device");

    if (lost)
        audio.setAbsenceTexts ("Audio device lost: " + name + " stopped. Reopening it as soon as it returns",
                               "The audio device stopped. The loops are kept, and play on as soon as it returns.");
    else
        audio.setAbsenceTexts ("No audio device. Opening " + name + " as soon as it can be",
                               "No audio device is open: the program opens one as soon as it can.");
}

void DeviceKeeper::tryToReopen (std::int64_t now)
{
    nextAttempt = now + retryIntervalMs;
    const auto error = audio.reopenAudio (lastGoodState.get());
    auto* current = audio.getDevice().getDeviceManager().getCurrentAudioDevice();

    if (error.isNotEmpty() || current == nullptr || ! current->isOpen())
    {
        // Whatever half-opened is closed again, quietly: the next attempt starts clean.
        if (current != nullptr)
            audio.getDevice().dropDevice();
        return;
    }

    const auto previousRate = lastRate;
    const bool wasLost = lastGoodState != nullptr;
    watch (true);

    auto notice = "The audio device is back: " + current->getName() + ".";
    if (wasLost && previousRate > 0.0 && audio.getSampleRate() != previousRate)
        notice = "The audio device is back at " + juce::String (audio.getSampleRate() / 1000.0, 1) + " kHz instead of "
                 + juce::String (previousRate / 1000.0, 1)
                 + " kHz: the loops keep every sample, so they play faster or slower and at another pitch.";

    if (auto* looper = audio.getLooper())
        looper->postText (notice.toRawUTF8());
}

} // namespace Work
