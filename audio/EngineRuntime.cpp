#include "EngineRuntime.h"

#include "engine/MemorySystem.h"

namespace Work
{

EngineRuntime::EngineRuntime (MainSettings& settingsToUse, MidiInputCallbackManager* midiInput,
                              std::uint64_t physicalMemoryMb)
    : settings (settingsToUse)
{
    MemorySystem::startEngineRuntime();
    poolMegabytes = MemorySystem::startSampleMemory (physicalMemoryMb);

    if (poolMegabytes > 0)
        mainAudio = std::make_unique<MainAudio> (&settings.getApplicationProperties(), midiInput);

    if (midiInput != nullptr)
        jackMidi = std::make_unique<JackMidiPorts> (*midiInput);

    settings.addListener (this);
    applySettings();
}

EngineRuntime::~EngineRuntime()
{
    settings.removeListener (this);
    teardownEngine();
    jackMidi = nullptr;
    mainAudio = nullptr;
    MemorySystem::stopSampleMemory();
    MemorySystem::stopEngineRuntime();
}

MidiGuiManager* EngineRuntime::getMidiGuiManager() noexcept
{
    return mainAudio != nullptr ? mainAudio->getDevice().getMidiGuiManager() : nullptr;
}

bool EngineRuntime::buildEngine()
{
    if (mainAudio == nullptr || ! mainAudio->setupEngine (numInputs, false, numLoopChannels, numBuses))
        return false;

    // Everything the looper is handed, it has before the first block.
    cursors = std::make_unique<CursorWord> (numLoopChannels, numCursors);
    auto* looper = mainAudio->getLooper();
    looper->setCursorWord (cursors.get());
    looper->setClock (clockPair);
    applySettings();
    return true;
}

juce::String EngineRuntime::openAudio()
{
    return mainAudio != nullptr ? mainAudio->openAudio() : juce::String ("There is no sample memory to record into.");
}

void EngineRuntime::closeAudio()
{
    if (mainAudio != nullptr)
        mainAudio->getDevice().closeDevice();
}

void EngineRuntime::teardownEngine()
{
    if (mainAudio == nullptr)
        return;

    closeAudio();
    mainAudio->teardownEngine();
    cursors = nullptr;
}

void EngineRuntime::tick (LooperGuiClient& gui)
{
    if (auto* looper = getLooper())
    {
        looper->pollQueues (gui);
        looper->runRequestedWork (&gui);
    }
}

void EngineRuntime::applySettings()
{
    // One line per option: what the engine reads of it, and where it goes.
    if (auto* midi = getMidiGuiManager())
    {
        midi->setRepeatInterval (settings.getMidiRepeatFilterMs());
        midi->setToggleByValue (! settings.controllersFlipToggles.isOn());
    }

    if (mainAudio == nullptr)
        return;

    mainAudio->inputMonitoring = settings.inputMonitoring.isOn();

    if (auto* looper = getLooper())
    {
        looper->setLatencyOffsetMs (settings.getLatencyOffsetMs());
        auto& options = looper->getOptions();
        options.advanceCursorAfterRecording = settings.advanceCursorAfterRecording.isOn();
        options.cursorFollowsUndoRedo = settings.cursorFollowsUndoRedo.isOn();
        options.handOverRecordingOnMove = settings.handOverRecordingOnMove.isOn();
        options.loopDivisionMode = settings.loopDivisionMode.getIndex();
    }
}

} // namespace Work
