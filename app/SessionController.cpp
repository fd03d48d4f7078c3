// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SessionController.h"

#include "engine/MemorySystem.h"
#include "engine/VarnoloLooper.h"

namespace Work
{

SessionController::SessionController (EngineRuntime& engineToUse, juce::PropertiesFile& settingsFileToUse)
    : engine (engineToUse)
    , settingsFile (settingsFileToUse)
{
    image.reserve();
    savedMix = currentMix();
    startTimer (20);
}

SessionController::~SessionController()
{
    stopTimer();
    *alive = false;
    if (writer.joinable())
        writer.join(); // a save under way finishes: the folder is never left half swapped
    if (auto* looper = engine.getLooper())
        looper->holdLoops (false);
}

bool SessionController::hasUnsavedLoops() const
{
    return hasUnsavedChanges() && loopsExist && loopsExist();
}

juce::String SessionController::getName() const
{
    return folder == juce::File() ? juce::String ("Untitled") : folder.getFileName();
}

MixImage SessionController::currentMix() const
{
    auto* audio = const_cast<EngineRuntime&> (engine).getMainAudio();
    return audio != nullptr ? MixImage::capture (audio->getLoopMixerSet(), audio->getBusMixerSet()) : MixImage {};
}

int SessionController::sampleRate() const
{
    auto* audio = const_cast<EngineRuntime&> (engine).getMainAudio();
    return audio != nullptr ? juce::roundToInt (audio->getSampleRate()) : 0;
}

std::optional<BusEffectImage> SessionController::currentEffect() const
{
    return busEffect ? busEffect() : std::nullopt;
}

bool SessionController::hasUnsavedChanges() const
{
    auto* looper = const_cast<EngineRuntime&> (engine).getLooper();
    return (looper != nullptr && looper->getEditCount() != savedEditCount) || currentMix() != savedMix
           || currentEffect() != savedEffect;
}

void SessionController::save (const juce::File& folderToUse, std::function<void (const juce::String&)> done)
{
    auto* looper = engine.getLooper();
    if (looper == nullptr || stage != Stage::idle)
    {
        if (done)
            done (looper == nullptr ? "There is no looper to save." : "A save is already being written.");
        return;
    }

    target = folderToUse;
    whenSaved = std::move (done);
    looper->holdLoops (true);
    looper->askForImage (image);
    stage = Stage::waitingForImage;
    waitedTicks = 0;
}

void SessionController::timerCallback()
{
    if (stage == Stage::waitingForImage)
    {
        auto* looper = engine.getLooper();
        auto state = looper != nullptr ? looper->getImageState() : VarnoloLooper::ImageState::recording;

        // Blocks come every few milliseconds while a device runs; without one, take it now.
        if (state == VarnoloLooper::ImageState::asked && ++waitedTicks > 25)
            state = looper->takeImageNow (image);

        switch (state)
        {
            case VarnoloLooper::ImageState::taken: write(); break;
            case VarnoloLooper::ImageState::recording:
                finishSave ("A loop is being recorded: stop recording, then save.", 0, {});
                break;
            case VarnoloLooper::ImageState::tooMany: finishSave ("There are too many loops to save.", 0, {}); break;
            case VarnoloLooper::ImageState::idle:
            case VarnoloLooper::ImageState::asked: break;
        }
    }

    // The title follows on the next tick.
    const auto dirty = hasUnsavedChanges();
    if (dirty != lastShownDirty || changed)
    {
        lastShownDirty = dirty;
        changed = false;
        if (onChange)
            onChange();
    }
}

void SessionController::write()
{
    stage = Stage::writing;
    const auto mix = currentMix();
    auto document = SessionDocument::of (image, mix, sampleRate());
    document.tempoMilliBpm = tempoMilliBpm ? juce::jlimit (0, 1000000, tempoMilliBpm()) : 0;
    document.busEffect = writtenEffect = currentEffect();
    const auto editCount = image.editCount;

    // The writing thread reads the held loops' samples and the files; nothing else.
    writer = std::thread (
        [this, document = std::move (document), folderToWrite = target, editCount, mix, stillAlive = alive]() mutable {
            auto error = SessionFolder::save (folderToWrite, std::move (document));
            juce::MessageManager::callAsync ([this, error, editCount, mix, stillAlive] {
                if (*stillAlive)
                    finishSave (error, editCount, mix);
            });
        });
}

void SessionController::finishSave (const juce::String& error, std::uint32_t editCount, const MixImage& mix)
{
    if (writer.joinable())
        writer.join();

    if (auto* looper = engine.getLooper())
        looper->holdLoops (false);

    if (error.isEmpty() && stage == Stage::writing)
    {
        folder = target;
        savedEditCount = editCount;
        savedMix = mix;
        savedEffect = writtenEffect;
        remember (folder);
    }

    stage = Stage::idle;
    changed = true;
    if (auto done = std::move (whenSaved))
        done (error);
}

void SessionController::engineWillChange()
{
    cleanBeforeRebuild = ! hasUnsavedChanges();
    if (stage == Stage::waitingForImage)
        finishSave ("The save was called off by a change of options: save again.", 0, {});
    else if (stage == Stage::writing && writer.joinable())
        writer.join(); // its answer arrives as ever, after the rebuild
}

void SessionController::engineChanged()
{
    if (auto* looper = engine.getLooper(); looper != nullptr && cleanBeforeRebuild)
    {
        savedEditCount = looper->getEditCount();
        savedMix = currentMix();
        savedEffect = currentEffect();
    }
    changed = true;
}

juce::String SessionController::open (const juce::File& folderToUse)
{
    auto* looper = engine.getLooper();
    auto* audio = engine.getMainAudio();
    auto* memory = MemorySystem::getDataMemory();

    if (looper == nullptr || audio == nullptr || memory == nullptr)
        return "There is no looper to open the session in.";
    if (stage != Stage::idle)
        return "A save is being written: open the session once it is done.";

    juce::String error;
    auto loaded = SessionFolder::open (folderToUse, sampleRate(), memory->getCapacity(), error);
    if (! loaded.has_value())
        return error;

    if (auto why = SessionFolder::restore (*loaded, *looper, audio->getLoopMixerSet(), audio->getBusMixerSet(),
                                           SessionFolder::Transport::stopped);
        why.isNotEmpty())
        return why;

    // A session of the format that kept no effect leaves the bus as it is. An effect that
    // cannot be made here is said on the notice line: the loops matter more than the effect.
    if (loaded->document.keepsBusEffect && useBusEffect)
        useBusEffect (loaded->document.busEffect);

    folder = folderToUse;
    savedEditCount = looper->getEditCount();
    savedMix = currentMix();
    savedEffect = currentEffect();
    remember (folder);
    changed = true;
    return {};
}

void SessionController::startNew()
{
    if (auto* looper = engine.getLooper(); looper != nullptr && stage == Stage::idle)
    {
        looper->resetAllLoops (nullptr);
        savedEditCount = looper->getEditCount();
    }
    folder = juce::File();
    savedMix = currentMix();
    savedEffect = currentEffect();
    changed = true;
}

void SessionController::setFolder (const juce::File& f)
{
    folder = f;
    changed = true;
}

juce::StringArray SessionController::getRecentSessions() const
{
    juce::StringArray recent;
    recent.addLines (settingsFile.getValue (recentSessionsKey));
    recent.removeEmptyStrings();
    return recent;
}

void SessionController::remember (const juce::File& f)
{
    auto recent = getRecentSessions();
    recent.removeString (f.getFullPathName());
    recent.insert (0, f.getFullPathName());
    while (recent.size() > recentCount)
        recent.remove (recent.size() - 1);
    settingsFile.setValue (recentSessionsKey, recent.joinIntoString ("\n"));
    settingsFile.saveIfNeeded();
}

} // namespace Work
