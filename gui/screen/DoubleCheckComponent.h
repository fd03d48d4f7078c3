// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "TransportButtons.h"

namespace Work
{

/** What the confirmation window holds while the looper asks whether to reset every loop: one
    large, emphasised reset button (its press is the second, confirming one) and a play-list
    button kept outside the visible area. [message] */
class DoubleCheckComponent final : public juce::Component
{
public:
    DoubleCheckComponent();

    void resized() override;

    [[nodiscard]] LabelledButton& getResetButton() noexcept { return *reset; }
    [[nodiscard]] LabelledButton& getPlayListButton() noexcept { return *playList; }

private:
    std::unique_ptr<LabelledButton> reset, playList;
};

} // namespace Work
