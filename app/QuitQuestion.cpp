// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "QuitQuestion.h"

#include "ProductInfo.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace Work
{

bool askToQuit()
{
    // showYesNoCancelBox answers 1 for yes, 2 for no and 0 for cancel (or Escape).
    const auto answer = juce::AlertWindow::showYesNoCancelBox (
        juce::MessageBoxIconType::QuestionIcon, ProductInfo::getNameWithVersion(),
        "Quit now? Everything recorded in the loops will be lost.", "Yes", "No", "Cancel", nullptr, nullptr);
    return answer == 1;
}

} // namespace Work
