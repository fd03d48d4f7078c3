// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "VarnoloApplication.h"

#include "LayoutMap.h"
#include "MainAppWindow.h"
#include "ProductInfo.h"
#include "QuitQuestion.h"
#include "gui/look/ColourPalette.h"
#include "settings/MainSettings.h"

namespace Work
{

VarnoloApplication::VarnoloApplication() = default;

VarnoloApplication::~VarnoloApplication() = default;

const juce::String VarnoloApplication::getApplicationName()
{
    return ProductInfo::getNameWithVersion();
}

const juce::String VarnoloApplication::getApplicationVersion()
{
    return ProductInfo::getNameWithVersion();
}

void VarnoloApplication::initialise (const juce::String& commandLine)
{
    settings = std::make_unique<MainSettings> (juce::String(), MainAppWindow::otherSettingsKeys());

    juce::Desktop::setScreenSaverEnabled (false);
    screenSaverDisabled = true;

    if (! settings->testWriteAccess())
    {
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, getApplicationName(),
                                           "The settings file cannot be written:\n"
                                               + settings->getUserSettings().getFile().getFullPathName());
        quit();
        return;
    }

    palette = std::make_unique<ColourPalette>();
    layoutMap = std::make_unique<LayoutMap>();
    mainWindow = std::make_unique<MainAppWindow> (*settings, midiInput);

    // Under a session manager, the manager names the session; else varnolo [SESSION_FOLDER]
    // opens one once the device runs, so that its sample rate is known.
    // --osc-port N switches the OSC server on at port N for this run; any other word is the
    // session folder.
    const auto words = juce::StringArray::fromTokens (commandLine, true);
    juce::String folder;
    for (int i = 0; i < words.size(); ++i)
    {
        if (words[i] == "--osc-port" && i + 1 < words.size())
        {
            const auto port = words[++i].getIntValue();
            if (port >= 1024 && port <= 65535)
                mainWindow->setOscPortForThisRun (port);
            else
                juce::Logger::writeToLog ("--osc-port takes a port from 1024 to 65535, not " + words[i]);
        }
        else if (! words[i].startsWith ("-") && folder.isEmpty())
        {
            folder = words[i].unquoted();
        }
    }

    if (const auto managerUrl = juce::SystemStats::getEnvironmentVariable ("NSM_URL", {}); managerUrl.isNotEmpty())
        mainWindow->connectSessionManager (managerUrl);
    else if (folder.isNotEmpty())
        juce::Timer::callAfterDelay (500, [this, path = folder] {
            if (mainWindow != nullptr)
                mainWindow->openSession (juce::File::getCurrentWorkingDirectory().getChildFile (path), false);
        });

    // Told once the window is there: what was found wrong with the settings file, and kept.
    if (settings->getLoadNotice().isNotEmpty())
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon, "Settings file",
                                                settings->getLoadNotice(), {}, mainWindow.get());
}

void VarnoloApplication::shutdown()
{
    mainWindow = nullptr;
    layoutMap = nullptr;
    palette = nullptr;

    if (settings != nullptr)
        settings->getApplicationProperties().closeFiles();

    settings = nullptr;

    if (screenSaverDisabled)
        juce::Desktop::setScreenSaverEnabled (true);

    screenSaverDisabled = false;
}

void VarnoloApplication::systemRequestedQuit()
{
    if (mainWindow != nullptr && mainWindow->askAboutUnsavedLoops())
        return;
    if (askToQuit())
        quit();
}

} // namespace Work
