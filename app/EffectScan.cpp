// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "EffectScan.h"

#include <algorithm>
#include <set>

namespace Work
{

juce::File EffectScan::probeProgram()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getSiblingFile ("varnolo-lv2-probe");
}

EffectScan::Outcome EffectScan::probe (const juce::File& program, const std::vector<std::string>& uris, int perPluginMs)
{
    Outcome outcome;
    std::vector<std::string> remaining (uris);

    if (! program.existsAsFile())
    {
        for (const auto& uri : uris)
            outcome[uri] = "the probe " + program.getFullPathName().toStdString() + " could not be started";
        return outcome;
    }

    while (! remaining.empty())
    {
        juce::StringArray command { program.getFullPathName() };
        for (const auto& uri : remaining)
            command.add (juce::String::fromUTF8 (uri.c_str()));

        juce::ChildProcess child;
        if (! child.start (command, juce::ChildProcess::wantStdOut))
        {
            for (const auto& uri : remaining)
                outcome[uri] = "the probe " + program.getFullPathName().toStdString() + " could not be started";
            break;
        }

        // Time enough for every plug-in left; a plug-in that hangs stops the wait.
        const bool finished =
            child.waitForProcessToFinish (perPluginMs * int (std::min<std::size_t> (remaining.size(), 1000)) + 2000);
        if (! finished)
            child.kill();
        const bool crashed = finished && child.getExitCode() != 0;
        const auto lines = juce::StringArray::fromLines (child.readAllProcessOutput());

        std::string inProgress;
        std::set<std::string> answered;
        for (const auto& line : lines)
        {
            const auto word = line.upToFirstOccurrenceOf (" ", false, false);
            const auto rest = line.fromFirstOccurrenceOf (" ", false, false);
            const auto uri = rest.upToFirstOccurrenceOf (" ", false, false).toStdString();

            if (word == "probe")
                inProgress = uri;
            else if (word == "ok" || word == "fail")
            {
                outcome[uri] = word == "ok" ? std::string() : rest.fromFirstOccurrenceOf (" ", false, false).toStdString();
                answered.insert (uri);
                inProgress.clear();
            }
        }

        // The plug-in the probe was busy with when it crashed or hung is the one to block; the
        // probe starts again after it.
        if (! inProgress.empty())
        {
            outcome[inProgress] = finished ? "it crashed the probe" : "it hung the probe";
            answered.insert (inProgress);
        }
        else if (! finished || crashed)
        {
            break; // gone before naming a plug-in: nothing to go on with
        }

        remaining.erase (
            std::remove_if (remaining.begin(), remaining.end(), [&] (const auto& uri) { return answered.count (uri) != 0; }),
            remaining.end());

        if (answered.empty())
            break;
    }

    return outcome;
}

std::vector<EffectScan::Entry> EffectScan::entries (const juce::PropertiesFile& settings)
{
    const auto kept = settings.getXmlValue (settingsKey);
    std::vector<Entry> all;

    for (auto& info : Lv2Catalog::listAll())
    {
        if (! info.isUsable())
            continue;

        Entry entry;
        if (kept != nullptr)
            if (const auto* element = kept->getChildByAttribute ("uri", juce::String::fromUTF8 (info.uri.c_str())))
            {
                entry.probed = true;
                entry.blockedBecause = element->getStringAttribute ("blocked").toStdString();
            }
        entry.info = std::move (info);
        all.push_back (std::move (entry));
    }
    return all;
}

void EffectScan::keep (juce::PropertiesFile& settings, const Outcome& outcome)
{
    auto kept = settings.getXmlValue (settingsKey);
    if (kept == nullptr)
        kept = std::make_unique<juce::XmlElement> ("LV2_PLUGINS");

    for (const auto& [uri, blocked] : outcome)
    {
        const auto key = juce::String::fromUTF8 (uri.c_str());
        auto* element = kept->getChildByAttribute ("uri", key);
        if (element == nullptr)
        {
            element = kept->createNewChildElement ("PLUGIN");
            element->setAttribute ("uri", key);
        }
        if (blocked.empty())
            element->removeAttribute ("blocked");
        else
            element->setAttribute ("blocked", juce::String::fromUTF8 (blocked.c_str()));
    }
    settings.setValue (settingsKey, kept.get());
}

void EffectScan::forget (juce::PropertiesFile& settings)
{
    settings.removeValue (settingsKey);
}

} // namespace Work
