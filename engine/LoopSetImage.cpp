// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "LoopSetImage.h"

#include "Part.h"

#include <algorithm>
#include <unordered_map>

namespace Work
{

void LoopSetImage::reserve()
{
    loops.reserve (std::size_t (maxLoops));
    history.reserve (std::size_t (LoopHistory::capacity) + 1);
    rawHistory.reserve (std::size_t (LoopHistory::capacity) + 1);
}

bool LoopSetImage::resolveHistory()
{
    std::unordered_map<const void*, int> indexOf;
    for (std::size_t i = 0; i < loops.size(); ++i)
        indexOf[loops[i].identity] = int (i);

    auto find = [&indexOf] (const void* loop) {
        if (loop == nullptr)
            return -1;
        const auto found = indexOf.find (loop);
        return found != indexOf.end() ? found->second : -2;
    };

    history.clear();
    for (const auto& entry : rawHistory)
    {
        HistoryImage image;
        image.type = entry.type;
        image.loop = find (entry.loop);
        image.loopB = find (entry.loopB);
        image.freeLoopA = find (entry.freeLoopA);
        image.freeLoopB = find (entry.freeLoopB);
        image.amount = entry.amount;
        image.value = entry.value;
        image.key = entry.key;
        image.flag = entry.flag;
        history.push_back (image);
    }

    return isConsistent();
}

bool LoopSetImage::isConsistent() const
{
    if (loops.size() > std::size_t (maxLoops) || history.size() > std::size_t (LoopHistory::capacity) || historyInForce < 0
        || std::size_t (historyInForce) > history.size())
        return false;

    if (multiplier < 1 || multiplier > Part::maxMultiplier || addAmount < 1 || addAmount > Part::maxMultiplier
        || std::uint32_t (nextLoop) > std::uint32_t (LoopKind::quarterCycle))
        return false;

    for (std::size_t i = 0; i < loops.size(); ++i)
    {
        const auto& loop = loops[i];
        if ((loop.kind == LoopImage::Kind::main && i != 0) || std::uint8_t (loop.kind) > std::uint8_t (LoopImage::Kind::free)
            || loop.length == 0 || (loop.channels != 1 && loop.channels != 2) || loop.input < 0 || loop.output < 0
            || loop.input >= 32 || loop.output >= 32)
            return false;
        if (loop.kind == LoopImage::Kind::free ? loop.position >= loop.length : loop.position != 0)
            return false;
        if (loop.kind != LoopImage::Kind::free && loop.recordedReversed)
            return false;
    }

    const bool withMain = hasMainLoop();
    if (! withMain && std::any_of (loops.begin(), loops.end(), [] (const LoopImage& l) {
            return l.kind == LoopImage::Kind::secondary;
        }))
        return false; // a secondary loop never outlives its main loop

    const auto cycle = withMain ? std::uint64_t (loops.front().length) * multiplier : 0;
    if (cycle > 0xffffffffull || (withMain ? position >= cycle : position != 0))
        return false;

    auto names = [this] (int index, LoopImage::Kind kind, bool optional) {
        if (index == -1)
            return optional;
        return index >= 0 && std::size_t (index) < loops.size() && loops[std::size_t (index)].kind == kind;
    };

    for (const auto& entry : history)
    {
        using Type = HistoryEntry::Type;
        const auto secondary = LoopImage::Kind::secondary, free = LoopImage::Kind::free;
        bool valid = false;

        switch (entry.type)
        {
            case Type::secondaryLoop:
                valid = names (entry.loop, secondary, false) && entry.loopB == -1 && entry.freeLoopA == -1
                        && entry.freeLoopB == -1;
                break;
            case Type::freeLoop:
                valid =
                    names (entry.freeLoopA, free, false) && entry.loop == -1 && entry.loopB == -1 && entry.freeLoopB == -1;
                break;
            case Type::erase:
                valid = names (entry.loop, secondary, true) && names (entry.loopB, secondary, true)
                        && (entry.loop == -1) == (entry.loopB == -1) && entry.loop <= entry.loopB
                        && names (entry.freeLoopA, free, true) && names (entry.freeLoopB, free, true)
                        && (entry.freeLoopA == -1) == (entry.freeLoopB == -1) && entry.freeLoopA <= entry.freeLoopB
                        && entry.key >= 0 && entry.key < 32;
                break;
            case Type::multiply:
            case Type::add:
                valid = entry.loop == -1 && entry.loopB == -1 && entry.freeLoopA == -1 && entry.freeLoopB == -1;
                break;
            case Type::none: valid = false; break;
        }

        if (! valid || entry.amount > Part::maxMultiplier || entry.value > Part::maxMultiplier)
            return false;
    }

    return true;
}

} // namespace Work
