// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include "gui/screen/DoubleCheckComponent.h"
#include "gui/screen/KeyRepeatFilter.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace Work
{

/** The small window the looper asks for confirmation in: it holds the double-check panel and
    is shown centred over the screen when the looper asks, hidden when it stops asking. Closing
    it or pressing Escape withdraws the question; delete, backspace or return confirm, as a
    click on its button does. Only a press made after the question appeared answers it: the
    key that asked, held down, repeats into nothing. [message] */
class SecondWindow final : public juce::ResizableWindow
{
public:
    static constexpr const char* title = "Reset every loop?";

    explicit SecondWindow (KeyRepeatFilter& keys);

    /** Shows the question centred over over. */
    void showOver (juce::Component& over);

    /** Told when the performer withdraws the question (close or Escape). */
    std::function<void()> onCancel;

    [[nodiscard]] DoubleCheckComponent& getPanel() noexcept { return panel; }

    void userTriedToCloseWindow() override;
    bool keyPressed (const juce::KeyPress& key) override;
    bool keyStateChanged (bool isKeyDown) override;
    int getDesktopWindowStyleFlags() const override;

private:
    DoubleCheckComponent panel;
    KeyRepeatFilter& keys;
};

} // namespace Work
