// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "NsmClient.h"

#include <juce_events/juce_events.h>
#include <lo/lo.h>

#include <unistd.h> // getpid: session managers of this kind exist on POSIX systems only

namespace Work
{

/** The OSC library's server thread (which receives) and the manager's address (replies go out
    from the server's own port, by which the manager knows the client). */
struct NsmClient::Link
{
    lo_server_thread thread = nullptr;
    lo_address manager = nullptr;
    NsmClient* client = nullptr;
    std::weak_ptr<bool> alive;

    ~Link()
    {
        if (thread != nullptr)
        {
            lo_server_thread_stop (thread);
            lo_server_thread_free (thread);
        }
        if (manager != nullptr)
            lo_address_free (manager);
    }

    [[nodiscard]] lo_server server() const { return lo_server_thread_get_server (thread); }

    // [OSC thread] Copies a message's path and its text and number arguments and hands them to
    // the message thread, where the client, if it still exists, takes them.
    static int onMessage (const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* data)
    {
        const auto* link = static_cast<const Link*> (data);
        juce::StringArray texts;
        for (int i = 0; i < argc && types != nullptr && types[i] != 0; ++i)
        {
            if (types[i] == 's')
                texts.add (juce::String::fromUTF8 (&argv[i]->s));
            else if (types[i] == 'i')
                texts.add (juce::String (argv[i]->i));
        }

        juce::MessageManager::callAsync ([client = link->client, alive = link->alive, p = juce::String (path), texts] {
            if (auto stillAlive = alive.lock(); stillAlive != nullptr && *stillAlive)
                client->received (p, texts);
        });
        return 0;
    }
};

NsmClient::NsmClient (Handlers handlersToUse)
    : handlers (std::move (handlersToUse))
    , link (std::make_unique<Link>())
{
}

NsmClient::~NsmClient()
{
    *alive = false;
    link = nullptr; // stops the OSC thread before the deliveries go
}

std::unique_ptr<NsmClient> NsmClient::announce (const juce::String& url, const juce::String& executable, Handlers handlers,
                                                bool windowShown)
{
    std::unique_ptr<NsmClient> client (new NsmClient (std::move (handlers)));
    auto& link = *client->link;

    link.manager = lo_address_new_from_url (url.toRawUTF8());
    if (link.manager == nullptr)
    {
        juce::Logger::writeToLog ("Session manager: cannot use NSM_URL " + url);
        return nullptr;
    }

    // The reply port: any free one, on the protocol the manager speaks.
    link.thread = lo_server_thread_new_with_proto (nullptr, lo_address_get_protocol (link.manager), nullptr);
    if (link.thread == nullptr)
    {
        juce::Logger::writeToLog ("Session manager: no port to listen on");
        return nullptr;
    }

    link.client = client.get();
    link.alive = client->alive;
    lo_server_thread_add_method (link.thread, nullptr, nullptr, Link::onMessage, &link);
    lo_server_thread_start (link.thread);

    lo_send_from (link.manager, link.server(), LO_TT_IMMEDIATE, "/nsm/server/announce", "sssiii", "Varnolo", capabilities,
                  executable.toRawUTF8(), 1, 2, int (getpid()));
    client->setWindowShown (windowShown);
    return client;
}

void NsmClient::received (const juce::String& path, const juce::StringArray& texts)
{
    if (path == "/reply" && texts[0] == "/nsm/server/announce")
    {
        managerName = texts[2];
        juce::Logger::writeToLog ("Session manager: " + managerName + " answered: " + texts[1]);
    }
    else if (path == "/error")
    {
        juce::Logger::writeToLog ("Session manager: " + texts[0] + " refused: " + texts[2]);
    }
    else if (path == "/nsm/client/open" && texts.size() >= 3)
    {
        // The manager's path names the client's files; this program keeps a folder there.
        const auto error = handlers.open ? handlers.open (juce::File (texts[0]), texts[1]) : juce::String ("no handler");
        reply ("/nsm/client/open", error);
    }
    else if (path == "/nsm/client/save")
    {
        if (! handlers.save)
            return reply ("/nsm/client/save", "no handler");

        handlers.save ([this, stillAlive = std::weak_ptr<bool> (alive)] (const juce::String& error) {
            if (auto a = stillAlive.lock(); a != nullptr && *a)
                reply ("/nsm/client/save", error);
        });
    }
    else if (path == "/nsm/client/show_optional_gui" || path == "/nsm/client/hide_optional_gui")
    {
        const bool show = path == "/nsm/client/show_optional_gui";
        if (handlers.showWindow)
            handlers.showWindow (show);
        setWindowShown (show);
    }
}

void NsmClient::reply (const juce::String& path, const juce::String& error)
{
    if (error.isEmpty())
        lo_send_from (link->manager, link->server(), LO_TT_IMMEDIATE, "/reply", "ss", path.toRawUTF8(), "OK");
    else
        lo_send_from (link->manager, link->server(), LO_TT_IMMEDIATE, "/error", "sis", path.toRawUTF8(), -1,
                      error.toRawUTF8());
}

void NsmClient::setDirty (bool dirty)
{
    if (dirtySent == int (dirty))
        return;
    dirtySent = int (dirty);
    lo_send_from (link->manager, link->server(), LO_TT_IMMEDIATE, dirty ? "/nsm/client/is_dirty" : "/nsm/client/is_clean",
                  "");
}

void NsmClient::setWindowShown (bool shown)
{
    lo_send_from (link->manager, link->server(), LO_TT_IMMEDIATE,
                  shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden", "");
}

} // namespace Work
