// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MidiGuiManager.h"

#include "MappingReader.h"

#include <algorithm>

namespace Work
{

using namespace MidiCommands;

namespace
{
    MidiCommandKind kindsInImportOrder[] = { MidiCommandKind::momentary, MidiCommandKind::toggle,
                                             MidiCommandKind::continuous };
} // namespace

MidiGuiManager::MidiGuiManager (juce::PropertiesFile* settingsToUse, MidiInputCallbackManager& fanOut)
    : MidiInputCallbackItem (fanOut)
    , settings (settingsToUse)
{
    if (settings != nullptr)
    {
        document = parseMappingDocument (settings->getValue (mappingsKey), mappingsKey);
        dispatcher.setFilterKeys (parseKeyList (settings->getValue (filterKey).toStdString()));
    }

    if (document == nullptr)
        document = std::make_unique<juce::XmlElement> (mappingsKey);
}

MidiGuiManager::~MidiGuiManager()
{
    stopListening(); // the MIDI thread leaves the tables before they go
}

void MidiGuiManager::registerWithSavedKeys (MidiCommandKind kind, MidiGuiListener* listener)
{
    std::vector<MidiKey> keys;

    if (auto* saved = document->getChildByName (juce::String (listener->getSerializationName())))
        keys = parseKeyList (saved->getStringAttribute (keysAttribute).toStdString());

    const TablesChanging changing (*this);
    const auto now = juce::Time::currentTimeMillis();

    switch (kind)
    {
        case MidiCommandKind::momentary:
            dispatcher.registerMomentary (static_cast<CommandListener*> (listener), keys, now);
            break;
        case MidiCommandKind::continuous:
            dispatcher.registerContinuous (static_cast<ControlChangeListener*> (listener), keys, now);
            break;
        case MidiCommandKind::toggle: dispatcher.registerToggle (static_cast<ToggleListener*> (listener), keys, now); break;
    }
}

void MidiGuiManager::registerMomentary (CommandListener* listener)
{
    registerWithSavedKeys (MidiCommandKind::momentary, listener);
}

void MidiGuiManager::registerContinuous (ControlChangeListener* listener)
{
    registerWithSavedKeys (MidiCommandKind::continuous, listener);
}

void MidiGuiManager::registerToggle (ToggleListener* listener)
{
    registerWithSavedKeys (MidiCommandKind::toggle, listener);
}

void MidiGuiManager::unregister (MidiCommandKind kind, MidiGuiListener* listener)
{
    const TablesChanging changing (*this);
    dispatcher.unregister (kind, listener);
}

juce::String MidiGuiManager::assign (MidiCommandKind kind, MidiGuiListener* listener, MidiKey key)
{
    std::string error;
    {
        const TablesChanging changing (*this);
        error = dispatcher.assign (kind, listener, key, juce::Time::currentTimeMillis());
    }

    if (error.empty())
        saveControl (kind, listener);

    return juce::String (error);
}

void MidiGuiManager::removeMapping (MidiCommandKind kind, MidiKey key, MidiGuiListener* listener, bool save)
{
    {
        const TablesChanging changing (*this);
        dispatcher.removeMapping (kind, key, listener);
    }

    if (save)
        saveControl (kind, listener);
}

void MidiGuiManager::removeAllMappings (MidiCommandKind kind, MidiGuiListener* listener, bool save)
{
    {
        const TablesChanging changing (*this);
        dispatcher.removeAllMappings (kind, listener);
    }

    if (save)
        saveControl (kind, listener);
}

std::vector<MidiKey> MidiGuiManager::keysOf (MidiCommandKind kind, const MidiGuiListener* listener) const
{
    return dispatcher.keysOf (kind, listener);
}

void MidiGuiManager::saveControl (MidiCommandKind kind, MidiGuiListener* listener)
{
    const juce::String name (listener->getSerializationName());
    const auto keys = dispatcher.keysOf (kind, listener);
    auto* element = document->getChildByName (name);

    if (keys.empty())
    {
        if (element != nullptr)
            document->removeChildElement (element, true);
    }
    else
    {
        if (element == nullptr)
            element = document->createNewChildElement (name);
        element->setAttribute (keysAttribute, juce::String (formatKeyList (keys)));
    }

    storeDocument();
}

void MidiGuiManager::storeDocument()
{
    if (settings != nullptr)
        settings->setValue (mappingsKey, document.get());
}

void MidiGuiManager::setFilterKeys (std::vector<MidiKey> keys)
{
    if (settings != nullptr)
        settings->setValue (filterKey, juce::String (formatKeyList (keys)));
    dispatcher.setFilterKeys (std::move (keys));
}

juce::File MidiGuiManager::getLastFile() const
{
    const auto path = settings != nullptr ? settings->getValue (lastFileKey) : juce::String();
    return juce::File::isAbsolutePath (path) ? juce::File (path) : juce::File();
}

juce::String MidiGuiManager::exportMappings (const juce::File& chosen)
{
    const TablesChanging changing (*this);
    const auto file = chosen.hasFileExtension (fileExtension) ? chosen : chosen.withFileExtension (fileExtension);
    juce::XmlElement exported (fileRootTag);

    for (auto kind : { MidiCommandKind::momentary, MidiCommandKind::continuous, MidiCommandKind::toggle })
        for (auto* listener : dispatcher.listenersOf (kind))
            if (const auto keys = dispatcher.keysOf (kind, listener); ! keys.empty())
                exported.createNewChildElement (juce::String (listener->getSerializationName()))
                    ->setAttribute (keysAttribute, juce::String (formatKeyList (keys)));

    juce::XmlElement::TextFormat format;
    format.customEncoding = "UTF-8";

    if (! exported.writeTo (file, format))
        return "The MIDI assignments could not be written to " + file.getFullPathName() + ".";

    if (settings != nullptr)
        settings->setValue (lastFileKey, file.getFullPathName());

    return {};
}

MidiGuiManager::ImportResult MidiGuiManager::importMappings (const juce::File& file)
{
    const TablesChanging changing (*this);

    if (! file.existsAsFile())
        return { false, "There is no file " + file.getFullPathName() + "." };

    if (file.getSize() > largestFile)
        return { false, file.getFileName() + " is too large to be a MIDI assignment file." };

    const auto imported = parseMappingDocument (file.loadFileAsString(), fileRootTag);

    if (imported == nullptr)
        return { false, file.getFileName() + " is not a MIDI assignment file." };

    if (settings != nullptr)
        settings->setValue (lastFileKey, file.getFullPathName());

    juce::String report;

    for (auto kind : kindsInImportOrder)
        for (auto* listener : std::vector<MidiGuiListener*> (dispatcher.listenersOf (kind)))
        {
            removeAllMappings (kind, listener, true);
            const auto* element = imported->getChildByName (juce::String (listener->getSerializationName()));

            if (element == nullptr)
                continue;

            for (const auto key : parseKeyList (element->getStringAttribute (keysAttribute).toStdString()))
                if (const auto error = assign (kind, listener, key); error.isNotEmpty())
                    report << juce::String (listener->getDisplayName()) << ": " << describeMidiKey (key, true) << ": "
                           << error << "\n";
        }

    return { true, report };
}

void MidiGuiManager::handleMessage (const std::uint8_t* bytes, std::size_t numBytes, std::int64_t now,
                                    MidiDelivery delivery) noexcept
{
    const CallbackDisabler::ScopedCallback guard (*this);
    const auto key = packMidiKey (bytes, numBytes, midiChannelMask.load (std::memory_order_relaxed));

    if (key != 0 && dispatcher.isFiltered (key))
        return;

    if (delivery == MidiDelivery::toDispatch)
    {
        if (guard.isEnabled())
            dispatcher.dispatch (key, now);
        else if (auto* client = disabledClient.load (std::memory_order_acquire))
            client->midiInputWhileDisabled();
    }

    if (auto* client = notificationClient.load (std::memory_order_acquire))
        client->midiMessageArrived();
}

bool MidiGuiManager::dispatchAtFrame (const std::uint8_t* bytes, int size, std::uint32_t frame, std::int64_t now) noexcept
{
    const CallbackDisabler::ScopedCallback tables (tablesGate);
    if (! tables.isEnabled())
        return false;

    // The hold-off gate's in-callback flag is the MIDI thread's; this thread only looks at the
    // hold. A message dispatched here as a hold begins acts within this very block, which the
    // holders allow for (the options wait for two blocks before they open).
    if (isDisabled())
        return false;

    // A filtered message is done with here as well: the MIDI thread, told it was dispatched,
    // filters it again and leaves the light alone.
    const auto key = packMidiKey (bytes, std::size_t (std::max (0, size)), midiChannelMask.load (std::memory_order_relaxed));
    if (key != 0 && ! dispatcher.isFiltered (key))
        dispatcher.dispatchAtFrame (key, now, frame);
    return true;
}

MidiGuiManager::NamedResult MidiGuiManager::dispatchNamed (MidiCommandKind kind, MidiGuiListener* control,
                                                           NamedAction action, int value, std::uint32_t frame,
                                                           std::int64_t now) noexcept
{
    const CallbackDisabler::ScopedCallback tables (tablesGate);
    if (! tables.isEnabled())
        return NamedResult::changing;

    if (isDisabled())
        return NamedResult::heldOff;

    const auto& registered = dispatcher.listenersOf (kind);
    if (std::find (registered.begin(), registered.end(), control) == registered.end())
        return NamedResult::unknown;

    switch (kind)
    {
        case MidiCommandKind::momentary:
            if (action != NamedAction::trigger)
                return NamedResult::unknown;
            static_cast<CommandListener*> (control)->frameTriggered (now, frame);
            break;
        case MidiCommandKind::toggle:
        {
            auto* toggle = static_cast<ToggleListener*> (control);
            if (action == NamedAction::flip)
                toggle->frameToggled (now, frame);
            else if (action == NamedAction::on || action == NamedAction::off)
                toggle->frameSetState (now, frame, action == NamedAction::on ? 127 : 0);
            else
                return NamedResult::unknown;
            break;
        }
        case MidiCommandKind::continuous:
            if (action != NamedAction::value)
                return NamedResult::unknown;
            static_cast<ControlChangeListener*> (control)->midiValue (value);
            break;
    }

    return NamedResult::done;
}

} // namespace Work
