// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// Taking a loop set's image and bringing one back: the part of Part that sessions use.

#include "Part.h"

namespace Work
{

bool Part::capture (LoopSetImage& image) const noexcept
{
    image.loops.clear();
    image.rawHistory.clear();
    image.history.clear();

    if (! recording.isEmpty())
        return false;

    auto add = [&image] (const BaseLoop& loop, LoopImage::Kind kind) {
        if (loop.isRecording() || image.loops.size() >= std::size_t (LoopSetImage::maxLoops) || loop.getChain() == nullptr)
            return false;

        LoopImage entry;
        entry.kind = kind;
        entry.input = loop.getInputChannel();
        entry.output = loop.getOutputChannel();
        entry.channels = loop.getNumChannels();
        entry.length = loop.length();
        entry.erased = loop.isErased();
        entry.undone = loop.isUndone();
        entry.audio = loop.getChain();
        entry.identity = &loop;
        image.loops.push_back (entry); // within the reserved room: no allocation
        return true;
    };

    if (mainLoop != nullptr && ! add (*mainLoop, LoopImage::Kind::main))
        return false;

    for (const auto* loop = secondaryLoops; loop != nullptr; loop = loop->next)
        if (! add (*loop, LoopImage::Kind::secondary))
            return false;

    for (const auto* loop = freeLoops; loop != nullptr; loop = loop->next)
    {
        if (! add (*loop, LoopImage::Kind::free))
            return false;
        image.loops.back().position = loop->getPosition();
        image.loops.back().recordedReversed = loop->wasRecordedReversed();
    }

    for (int i = 0; i < history.entryCount(); ++i)
        image.rawHistory.push_back (history.entryAt (i));

    image.historyInForce = history.size();
    image.lastUndoneInput = history.lastUndoneInput;
    image.lastUndoneOutput = history.lastUndoneOutput;
    image.position = position;
    image.multiplier = multiplier;
    image.addAmount = addAmount;
    image.clockBeatsPerBar = clockBeatsPerBar;
    image.clockBars = clockBars;
    image.clockEnabled = clockEnabled;
    return true;
}

bool Part::fits (const LoopSetImage& image) const noexcept
{
    for (const auto& loop : image.loops)
        if (! channelsFit (loop.input, loop.output, loop.channels))
            return false;
    return true;
}

bool Part::restore (const LoopSetImage& image) noexcept
{
    if (! image.isConsistent())
        return false;

    const auto count = image.loops.size();
    std::array<BaseLoop*, LoopSetImage::maxLoops> built {};
    std::size_t made = 0;

    auto undo = [&] {
        for (std::size_t i = 0; i < made; ++i)
            built[i]->destroy();
        return false;
    };

    for (; made < count; ++made)
    {
        const auto& loop = image.loops[made];
        if (! channelsFit (loop.input, loop.output, loop.channels) || loop.samples[0] == nullptr
            || (loop.channels == 2 && loop.samples[1] == nullptr))
            return undo();

        BaseLoop* created = nullptr;
        switch (loop.kind)
        {
            case LoopImage::Kind::main: created = MainLoop::create (memory, loop.input, loop.output, loop.channels); break;
            case LoopImage::Kind::secondary:
                created = SecondaryLoop::create (memory, loop.input, loop.output, loop.channels, 1);
                break;
            case LoopImage::Kind::free:
                created = NonRhythmicalLoop::create (memory, loop.input, loop.output, loop.channels,
                                                     loop.recordedReversed ? Direction::backwards : Direction::forwards);
                break;
        }

        if (created == nullptr)
            return undo();

        auto* root = SampleChain::createFrom (memory, std::uint32_t (loop.channels), loop.length, loop.samples.data());
        if (root == nullptr)
        {
            created->destroy();
            return undo();
        }

        created->adopt (root, loop.erased, loop.undone);
        built[made] = created;
    }

    // Everything is built: the old set goes, the new one takes its place.
    clear();

    auto* secondaryTail = &secondaryLoops;
    auto* freeTail = &freeLoops;
    for (std::size_t i = 0; i < count; ++i)
    {
        switch (image.loops[i].kind)
        {
            case LoopImage::Kind::main: mainLoop = static_cast<MainLoop*> (built[i]); break;
            case LoopImage::Kind::secondary:
                *secondaryTail = static_cast<SecondaryLoop*> (built[i]);
                secondaryTail = &(*secondaryTail)->next;
                break;
            case LoopImage::Kind::free:
            {
                auto* loop = static_cast<NonRhythmicalLoop*> (built[i]);
                loop->setPosition (image.loops[i].position);
                *freeTail = loop;
                freeTail = &loop->next;
                break;
            }
        }
    }

    std::array<HistoryEntry, LoopHistory::capacity + 1> entries {};
    auto loopAt = [&built] (int index) { return index >= 0 ? built[std::size_t (index)] : nullptr; };
    for (std::size_t i = 0; i < image.history.size(); ++i)
    {
        const auto& from = image.history[i];
        auto& entry = entries[i];
        entry.type = from.type;
        entry.loop = static_cast<SecondaryLoop*> (loopAt (from.loop));
        entry.loopB = static_cast<SecondaryLoop*> (loopAt (from.loopB));
        entry.freeLoopA = static_cast<NonRhythmicalLoop*> (loopAt (from.freeLoopA));
        entry.freeLoopB = static_cast<NonRhythmicalLoop*> (loopAt (from.freeLoopB));
        entry.amount = from.amount;
        entry.value = from.value;
        entry.key = from.key;
        entry.flag = from.flag;
    }

    history.restore (entries.data(), int (image.history.size()), image.historyInForce);
    history.lastUndoneInput = image.lastUndoneInput;
    history.lastUndoneOutput = image.lastUndoneOutput;
    position = previousPosition = image.position;
    multiplier = image.multiplier;
    addAmount = image.addAmount;
    clockBeatsPerBar = image.clockBeatsPerBar;
    clockBars = image.clockBars;
    clockEnabled = image.clockEnabled;
    playListValid = false;
    return true;
}

} // namespace Work
