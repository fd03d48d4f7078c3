#include "VarnoloApplication.h"

START_JUCE_APPLICATION (Work::VarnoloApplication)
