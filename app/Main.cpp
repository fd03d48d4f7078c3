// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "VarnoloApplication.h"

START_JUCE_APPLICATION (Work::VarnoloApplication)
