// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "Part.h"

#include <tuple>
#include <utility>

namespace Work
{

namespace
{
    template <typename Loop>
    void destroyList (Loop*& head) noexcept
    {
        while (head != nullptr)
        {
            auto* following = head->next;
            head->destroy();
            head = following;
        }
    }

    template <typename Loop>
    void appendToList (Loop*& head, Loop* loop) noexcept
    {
        Loop** link = &head;
        while (*link != nullptr)
            link = &(*link)->next;
        *link = loop;
    }

    template <typename Loop>
    Loop* findRecordingIn (Loop* head, int input, int output) noexcept
    {
        for (auto* loop = head; loop != nullptr; loop = loop->next)
            if (loop->isRecording() && loop->getInputChannel() == input && loop->getOutputChannel() == output)
                return loop;
        return nullptr;
    }

    /** Marks every loop of the list playing on output; returns the first and last marked. */
    template <typename Loop>
    std::pair<Loop*, Loop*> eraseIn (Loop* head, int output) noexcept
    {
        Loop* first = nullptr;
        Loop* last = nullptr;

        for (auto* loop = head; loop != nullptr; loop = loop->next)
            if (loop->getOutputChannel() == output && ! loop->isErased())
            {
                loop->setErased (true);
                if (first == nullptr)
                    first = loop;
                last = loop;
            }

        return { first, last };
    }

    /** Sets the erased mark on the loops of [first, last] that play on output. */
    template <typename Loop>
    void markRange (Loop* first, Loop* last, int output, bool erased) noexcept
    {
        for (auto* loop = first; loop != nullptr; loop = loop->next)
        {
            if (loop->getOutputChannel() == output)
                loop->setErased (erased);
            if (loop == last)
                break;
        }
    }
} // namespace

Part::Part (MemorySystem::Allocator& memoryToUse, char letter, int inputs, int outputs) noexcept
    : memory (memoryToUse)
    , numInputs (inputs)
    , numOutputs (outputs)
{
    const char prefix[] = "Part ";
    std::size_t i = 0;
    for (; prefix[i] != 0; ++i)
        name[i] = prefix[i];
    name[i] = letter;
}

Part::~Part()
{
    clear();
}

void Part::clear() noexcept
{
    if (mainLoop != nullptr)
        mainLoop->destroy();

    mainLoop = nullptr;
    destroyList (secondaryLoops);
    destroyList (freeLoops);
    playListValid = false;
    activity = {};
    history.clear();
    position = previousPosition = 0;
    multiplier = addAmount = 1;
    recording.clear();
    clockBeatsPerBar = clockBars = 0;
    clockEnabled = false;
}

void Part::setLatencies (std::uint32_t input, std::uint32_t output) noexcept
{
    inputLatency = input;
    outputLatency = output;
}

bool Part::channelsFit (int input, int output, int channels) const noexcept
{
    return (channels == 1 || channels == 2) && input >= 0 && output >= 0 && input + channels <= numInputs
           && output + channels <= numOutputs && input < 32 && output < 32;
}

bool Part::findRecording (int input, int output) const noexcept
{
    const auto slot = recording.findOutput (output);
    return slot.has_value() && slot->input == input;
}

bool Part::isOutputRecording (int output) const noexcept
{
    return recording.findOutput (output).has_value();
}

int Part::inputRecordingOn (int output) const noexcept
{
    const auto slot = recording.findOutput (output);
    return slot.has_value() ? slot->input : -1;
}

int Part::channelsRecordingOn (int output) const noexcept
{
    const auto slot = recording.findOutput (output);
    return slot.has_value() ? slot->channels : 0;
}

LoopRefusal Part::startMainLoop (int input, int output, int channels, std::uint32_t offset) noexcept
{
    if (mainLoop != nullptr)
        return LoopRefusal::mainLoopExists;
    if (! channelsFit (input, output, channels))
        return LoopRefusal::channelsOutOfRange;

    mainLoop = MainLoop::create (memory, input, output, channels);

    if (mainLoop == nullptr)
        return LoopRefusal::outOfMemory;

    mainLoop->startRecording (offset);
    recording.add ({ input, output, channels });
    return LoopRefusal::none;
}

void Part::stopMainLoop (std::uint32_t offset) noexcept
{
    if (mainLoop == nullptr || ! mainLoop->isRecording() || mainLoop->isStopping())
        return;

    mainLoop->stopRecording (offset);
    recording.remove ({ mainLoop->getInputChannel(), mainLoop->getOutputChannel(), mainLoop->getNumChannels() });
}

LoopRefusal Part::addLoop (int input, int output, int channels, std::uint32_t offset, LoopKind kind,
                           Direction direction) noexcept
{
    if (std::uint32_t (kind) > std::uint32_t (LoopKind::quarterCycle) || ! channelsFit (input, output, channels))
        return LoopRefusal::channelsOutOfRange;

    // A stereo loop takes the slots of both its outputs.
    for (int c = 0; c < channels; ++c)
        if ((recording.outputMask() & (std::uint32_t (1) << (output + c))) != 0)
            return LoopRefusal::outputBusy;

    if (kind == LoopKind::free)
    {
        auto* loop = NonRhythmicalLoop::create (memory, input, output, channels, direction);
        if (loop == nullptr)
            return LoopRefusal::outOfMemory;
        loop->startRecording (offset);
        appendToList (freeLoops, loop);
    }
    else
    {
        const auto length = hasMainLoop() ? lengthForKind (kind, mainLoopLength(), multiplier) : 0;
        if (length == 0)
            return LoopRefusal::noMainLoop;

        auto* loop = SecondaryLoop::create (memory, input, output, channels, length);
        if (loop == nullptr)
            return LoopRefusal::outOfMemory;
        loop->startRecording (offset);
        appendToList (secondaryLoops, loop);
        playListValid = false;
    }

    recording.add ({ input, output, channels });
    return LoopRefusal::none;
}

void Part::stopLoop (int input, int output, std::uint32_t offset) noexcept
{
    // Only a loop that has not been asked to stop yet still holds its recording slot.
    auto holdsSlot = [this] (const BaseLoop* loop) {
        return recording.contains ({ loop->getInputChannel(), loop->getOutputChannel(), loop->getNumChannels() });
    };

    if (auto* loop = findRecordingIn (secondaryLoops, input, output); loop != nullptr && holdsSlot (loop))
    {
        loop->stopRecording (offset);
        recording.remove ({ input, output, loop->getNumChannels() });
        addAmount = multiplier;
        HistoryEntry entry;
        entry.type = HistoryEntry::Type::secondaryLoop;
        entry.loop = loop;
        entry.amount = entry.value = multiplier;
        history.record (entry);
        return;
    }

    if (auto* loop = findRecordingIn (freeLoops, input, output); loop != nullptr && holdsSlot (loop))
    {
        loop->stopRecording (offset);
        recording.remove ({ input, output, loop->getNumChannels() });
        HistoryEntry entry;
        entry.type = HistoryEntry::Type::freeLoop;
        entry.freeLoopA = loop;
        history.record (entry);
    }
}

void Part::doubleMultiplier() noexcept
{
    const auto doubled = multiplier * 2;

    if (doubled > maxMultiplier || std::uint64_t (mainLoopLength()) * doubled > 0xffffffffull)
        return;

    multiplier = doubled;
    HistoryEntry entry;
    entry.type = HistoryEntry::Type::multiply;
    entry.amount = addAmount;
    entry.value = multiplier;
    history.record (entry);
}

void Part::addToMultiplier() noexcept
{
    const auto grown = multiplier + addAmount;

    if (grown > maxMultiplier || std::uint64_t (mainLoopLength()) * grown > 0xffffffffull)
        return;

    multiplier = grown;
    HistoryEntry entry;
    entry.type = HistoryEntry::Type::add;
    entry.amount = addAmount;
    entry.value = multiplier;
    history.record (entry);
}

bool Part::erase (int output) noexcept
{
    HistoryEntry entry;
    entry.type = HistoryEntry::Type::erase;
    entry.key = output;

    if (mainLoop != nullptr && mainLoop->getOutputChannel() == output && ! mainLoop->isErased())
    {
        mainLoop->setErased (true);
        entry.flag = true;
    }

    std::tie (entry.loop, entry.loopB) = eraseIn (secondaryLoops, output);
    playListValid = false;
    std::tie (entry.freeLoopA, entry.freeLoopB) = eraseIn (freeLoops, output);

    if (! entry.flag && entry.loop == nullptr && entry.freeLoopA == nullptr)
        return false;

    history.record (entry);
    return true;
}

void Part::setErasedMarks (const HistoryEntry& entry, bool erased) noexcept
{
    playListValid = false;

    if (entry.flag && mainLoop != nullptr)
        mainLoop->setErased (erased);

    markRange (entry.loop, entry.loopB, entry.key, erased);
    markRange (entry.freeLoopA, entry.freeLoopB, entry.key, erased);
}

void Part::applyUndo (const HistoryEntry& entry) noexcept
{
    switch (entry.type)
    {
        case HistoryEntry::Type::secondaryLoop:
            entry.loop->setUndone (true);
            history.lastUndoneInput = entry.loop->getInputChannel();
            history.lastUndoneOutput = entry.loop->getOutputChannel();
            break;
        case HistoryEntry::Type::freeLoop:
            entry.freeLoopA->setUndone (true);
            history.lastUndoneInput = entry.freeLoopA->getInputChannel();
            history.lastUndoneOutput = entry.freeLoopA->getOutputChannel();
            break;
        case HistoryEntry::Type::multiply:
            if (multiplier > 1 && multiplier % 2 == 0)
                multiplier /= 2;
            break;
        case HistoryEntry::Type::add:
            if (entry.amount < multiplier)
                multiplier -= entry.amount;
            break;
        case HistoryEntry::Type::erase: setErasedMarks (entry, false); break;
        case HistoryEntry::Type::none: break;
    }

    // Only entries that carry an add amount restore it: a free loop or an erase has none, and
    // setting 0 would make the next add-duration add nothing.
    if (entry.type == HistoryEntry::Type::secondaryLoop || entry.type == HistoryEntry::Type::multiply
        || entry.type == HistoryEntry::Type::add)
        addAmount = entry.amount;
}

void Part::applyRedo (const HistoryEntry& entry) noexcept
{
    switch (entry.type)
    {
        case HistoryEntry::Type::secondaryLoop:
            entry.loop->setUndone (false);
            history.lastUndoneInput = entry.loop->getInputChannel();
            history.lastUndoneOutput = entry.loop->getOutputChannel();
            break;
        case HistoryEntry::Type::freeLoop:
            entry.freeLoopA->setUndone (false);
            history.lastUndoneInput = entry.freeLoopA->getInputChannel();
            history.lastUndoneOutput = entry.freeLoopA->getOutputChannel();
            break;
        case HistoryEntry::Type::multiply: multiplier *= 2; break;
        case HistoryEntry::Type::add: multiplier += entry.amount; break;
        case HistoryEntry::Type::erase: setErasedMarks (entry, true); break;
        case HistoryEntry::Type::none: break;
    }
}

HistoryEntry::Type Part::undo() noexcept
{
    const auto* entry = history.stepBack();

    if (entry == nullptr)
        return HistoryEntry::Type::none;

    applyUndo (*entry);
    playListValid = false;
    return entry->type;
}

HistoryEntry::Type Part::redo() noexcept
{
    const auto* entry = history.stepForward();

    if (entry == nullptr)
        return HistoryEntry::Type::none;

    applyRedo (*entry);
    playListValid = false;
    return entry->type;
}

std::uint32_t Part::effectiveLatency (std::uint32_t n) const noexcept
{
    auto latency = inputLatency + outputLatency;
    if (latency > n / 2)
        latency -= n / 2;
    return latency;
}

void Part::processMainLoopRecording (const float* const* inputs, float* const* outputs, std::uint32_t n,
                                     std::uint32_t latency) noexcept
{
    // Once stopped, the loop sounds while its tail is still recorded: the play position leads
    // the position of the arriving samples by the latency, on the loop's final length, so the
    // cycle comes round exactly at the press. It plays before this block is recorded, so what
    // is heard never depends on how the device cuts blocks.
    if (mainLoop->isStopping())
    {
        const auto recorded = mainLoop->length();
        const auto total = std::uint64_t (recorded) + mainLoop->remainingAfterStop();

        if (total > 0)
        {
            const auto playPosition = std::uint32_t ((recorded + std::uint64_t (latency)) % total);
            mainLoop->playWhileFinishing (outputs, playPosition, n, recorded, total, &activity);
            position = std::uint32_t ((playPosition + std::uint64_t (n)) % total);
        }
    }

    mainLoop->record (inputs, n);
}

void Part::processCycle (const float* const* inputs, float* const* outputs, std::uint32_t n, Direction direction,
                         std::uint32_t latency) noexcept
{
    const auto mainLength = mainLoop->length();
    const auto cycle = cycleLength();

    if (mainLength == 0 || cycle == 0)
        return;

    mainLoop->play (outputs, previousPosition % mainLength, direction, n, &activity);

    const bool forwards = direction == Direction::forwards;
    position = forwards ? std::uint32_t ((position + std::uint64_t (n)) % cycle)
                        : std::uint32_t ((position + cycle - n % cycle) % cycle);

    const auto recordPosition = forwards ? std::uint32_t ((previousPosition + cycle - latency % cycle) % cycle)
                                         : std::uint32_t ((previousPosition + std::uint64_t (latency)) % cycle);

    // Each loop plays before it records: the play position runs ahead of the samples arriving,
    // and playing what this block has just written would sound a sample before the performer
    // played it, for as much of the block as the latency leaves.
    if (! playListValid)
        rebuildPlayList();

    auto visit = [&] (SecondaryLoop* loop) {
        loop->play (outputs, previousPosition, direction, n, &activity);

        if (loop->isRecording())
            loop->record (inputs, recordPosition, direction, n);

        // Faded out for good: the next block leaves it out.
        if (loop->isParked() && ! playListOverflow)
            playListValid = false;
    };

    if (playListOverflow)
    {
        for (auto* loop = secondaryLoops; loop != nullptr; loop = loop->next)
            visit (loop);
    }
    else
    {
        for (int i = 0; i < playListSize; ++i)
            visit (playList[std::size_t (i)]);
    }
}

void Part::rebuildPlayList() noexcept
{
    playListSize = 0;
    playListOverflow = false;

    for (auto* loop = secondaryLoops; loop != nullptr; loop = loop->next)
    {
        if (loop->isParked())
            continue;

        if (playListSize == playListCapacity)
        {
            playListOverflow = true;
            break;
        }

        playList[std::size_t (playListSize++)] = loop;
    }

    playListValid = true;
}

int Part::process (const float* const* inputs, float* const* outputs, std::uint32_t n, Direction direction) noexcept
{
    activity = {};
    previousPosition = position;
    const auto latency = effectiveLatency (n);

    if (mainLoop != nullptr)
    {
        if (mainLoop->isRecording())
            processMainLoopRecording (inputs, outputs, n, latency);
        else
            processCycle (inputs, outputs, n, direction, latency);
    }

    // A free loop starts playing at the sample after its recording ends, not a block later.
    for (auto* loop = freeLoops; loop != nullptr; loop = loop->next)
    {
        const auto recorded = loop->isRecording() ? loop->record (inputs, n) : 0;

        if (! loop->isRecording() && recorded < n)
            loop->playOwn (outputs, direction, n - recorded, &activity, recorded);
    }

    return static_cast<int> (n);
}

} // namespace Work
