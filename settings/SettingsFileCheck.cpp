// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SettingsFileCheck.h"

#include <set>

namespace Work
{

namespace
{
    /** Moves file aside under its name with the suffix added (replacing an older one there). */
    juce::File moveAside (const juce::File& file)
    {
        const auto aside = file.getSiblingFile (file.getFileName() + SettingsFileCheck::asideSuffix);
        aside.deleteFile();
        return file.moveFileTo (aside) ? aside : juce::File();
    }
} // namespace

SettingsFileCheck::Outcome SettingsFileCheck::vet (const juce::File& file, const juce::StringArray& keysUsed,
                                                   juce::String& notice)
{
    notice.clear();

    if (! file.existsAsFile())
        return Outcome::untouched;

    const auto size = file.getSize();
    std::unique_ptr<juce::XmlElement> document;

    if (size <= maxBytes)
        document = juce::XmlDocument::parse (file);

    if (document == nullptr || ! document->hasTagName ("PROPERTIES"))
    {
        const auto aside = moveAside (file);
        notice = "The settings file could not be used"
                 + juce::String (size > maxBytes ? " (it is " + juce::File::descriptionOfSizeInBytes (size) + ")" : "")
                 + ", so the program starts with its defaults. The file is kept as " + aside.getFullPathName() + ".";
        return Outcome::movedAside;
    }

    if (document->getNumChildElements() <= maxEntries)
        return Outcome::untouched;

    // Keep the first entry of each name the program uses; a set makes this linear in the file.
    const std::set<juce::String> wanted (keysUsed.begin(), keysUsed.end());
    std::set<juce::String> kept;
    juce::XmlElement trimmed ("PROPERTIES");
    const auto entries = document->getNumChildElements();

    for (auto* entry : document->getChildIterator())
    {
        const auto name = entry->getStringAttribute ("name");
        if (entry->hasTagName ("VALUE") && wanted.count (name) != 0 && kept.insert (name).second)
            trimmed.addChildElement (new juce::XmlElement (*entry));
    }

    const auto aside = moveAside (file);
    if (! trimmed.writeTo (file))
    {
        notice = "The settings file held " + juce::String (entries)
                 + " entries and could not be trimmed, so the program starts with its defaults. The file is kept as "
                 + aside.getFullPathName() + ".";
        return Outcome::movedAside;
    }

    notice = "The settings file held " + juce::String (entries) + " entries; the " + juce::String (int (kept.size()))
             + " this program uses were kept. The whole file is kept as " + aside.getFullPathName() + ".";
    return Outcome::trimmed;
}

} // namespace Work
