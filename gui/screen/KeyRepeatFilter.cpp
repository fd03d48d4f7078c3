// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "KeyRepeatFilter.h"

#include <algorithm>

namespace Work
{

KeyRepeatFilter::KeyRepeatFilter (KeyIsDown isDownToUse)
    : isDown (std::move (isDownToUse))
{
}

KeyRepeatFilter::Key* KeyRepeatFilter::find (int keyCode) noexcept
{
    const auto found = std::find_if (keys.begin(), keys.end(), [keyCode] (const Key& k) { return k.code == keyCode; });
    return found != keys.end() ? &*found : nullptr;
}

bool KeyRepeatFilter::isHeld (int keyCode) const noexcept
{
    return std::any_of (keys.begin(), keys.end(), [keyCode] (const Key& k) { return k.code == keyCode; });
}

bool KeyRepeatFilter::isLetGo (const Key& key, double nowMs) const noexcept
{
    return key.releasedMs > 0.0 && (releasesAreReal || nowMs - key.releasedMs > repeatGapMs);
}

bool KeyRepeatFilter::isFreshPress (int keyCode, double nowMs)
{
    auto* key = find (keyCode);

    if (key == nullptr)
    {
        keys.push_back ({ keyCode, nowMs, 0.0 });
        return true;
    }

    const bool released = isLetGo (*key, nowMs);
    const bool longSilent = nowMs - key->lastPressMs > longestRepeatMs;
    key->lastPressMs = nowMs;
    key->releasedMs = 0.0;
    return released || longSilent;
}

void KeyRepeatFilter::keyStateChanged (double nowMs)
{
    // Keys released long enough ago are gone for good; the others that are up now were just
    // released, unless a press follows at once.
    keys.erase (std::remove_if (keys.begin(), keys.end(), [this, nowMs] (const Key& k) { return isLetGo (k, nowMs); }),
                keys.end());

    for (auto& key : keys)
        if (key.releasedMs == 0.0 && ! isDown (key.code))
            key.releasedMs = nowMs;
}

void KeyRepeatFilter::holdKeysDownNow (const std::vector<int>& keyCodes, double nowMs)
{
    keys.erase (std::remove_if (keys.begin(), keys.end(), [this] (const Key& k) { return ! isDown (k.code); }), keys.end());

    for (const auto code : keyCodes)
        if (isDown (code) && ! isHeld (code))
            keys.push_back ({ code, nowMs, 0.0 });
}

} // namespace Work
