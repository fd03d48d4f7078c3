// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>

namespace Work
{

/** The program as a client of a session manager that speaks the Non Session Manager protocol
    (OSC over UDP): it announces itself to the manager named by NSM_URL, and the manager tells it
    which folder to keep its session in, when to save, and when to show or hide its window. The
    program tells the manager whether it has unsaved changes and whether its window shows.

    The messages arrive on the OSC library's own thread and are handed to the message thread,
    where the handlers run and where every reply is sent from. [message] */
class NsmClient
{
public:
    struct Handlers
    {
        /** Open (or start) the session kept in folder; an empty text, or why not. */
        std::function<juce::String (const juce::File& folder, const juce::String& displayName)> open;

        /** Save it, then call done with an empty text or why not. */
        std::function<void (std::function<void (const juce::String& error)> done)> save;

        /** Show or hide the window. */
        std::function<void (bool show)> showWindow;
    };

    /** Announces the program to the manager at url ("osc.udp://host:port/"); null, with the
        reason logged, when the url cannot be used. */
    static std::unique_ptr<NsmClient> announce (const juce::String& url, const juce::String& executable, Handlers handlers,
                                                bool windowShown);

    ~NsmClient();

    /** Tells the manager the unsaved state when it changed. */
    void setDirty (bool dirty);

    /** Tells the manager whether the window shows. */
    void setWindowShown (bool shown);

    /** The manager's name once it answered the announcement. */
    [[nodiscard]] const juce::String& getManagerName() const noexcept { return managerName; }

    static constexpr const char* capabilities = ":dirty:optional-gui:switch:";

private:
    NsmClient (Handlers handlers);
    struct Link;
    friend struct Link;
    void received (const juce::String& path, const juce::StringArray& texts);
    void reply (const juce::String& path, const juce::String& error);

    Handlers handlers;
    std::unique_ptr<Link> link;
    juce::String managerName;
    int dirtySent = -1;
    std::shared_ptr<bool> alive = std::make_shared<bool> (true);
};

} // namespace Work
