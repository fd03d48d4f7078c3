// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// A session manager just big enough for the tests: it listens on loopback, prints its URL, then
// prints every message a client sends it (one line: the path and the arguments), answers an
// announcement as a manager does, and sends the client what the lines on its standard input
// ask for:
//   open PATH DISPLAY_NAME CLIENT_ID     save     show     hide
#include <lo/lo.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace
{
lo_server server = nullptr;
lo_address client = nullptr;

int onMessage (const char* path, const char* types, lo_arg** argv, int argc, lo_message message, void*)
{
    std::ostringstream line;
    line << path;
    for (int i = 0; i < argc; ++i)
    {
        if (types[i] == 's')
            line << ' ' << &argv[i]->s;
        else if (types[i] == 'i')
            line << ' ' << argv[i]->i;
    }
    std::cout << line.str() << std::endl;

    if (std::string (path) == "/nsm/server/announce")
    {
        if (client != nullptr)
            lo_address_free (client);
        auto from = lo_message_get_source (message);
        client = lo_address_new (lo_address_get_hostname (from), lo_address_get_port (from));
        lo_send_from (client, server, LO_TT_IMMEDIATE, "/reply", "ssss", "/nsm/server/announce", "Welcome", "test manager",
                      ":server-control:");
    }
    return 0;
}

void command (const std::string& text)
{
    std::istringstream words (text);
    std::string verb, path, name, id;
    words >> verb >> path >> name >> id;

    if (client == nullptr)
        std::cout << "no client yet" << std::endl;
    else if (verb == "open")
        lo_send_from (client, server, LO_TT_IMMEDIATE, "/nsm/client/open", "sss", path.c_str(), name.c_str(), id.c_str());
    else if (verb == "save")
        lo_send_from (client, server, LO_TT_IMMEDIATE, "/nsm/client/save", "");
    else if (verb == "show" || verb == "hide")
        lo_send_from (client, server, LO_TT_IMMEDIATE,
                      verb == "show" ? "/nsm/client/show_optional_gui" : "/nsm/client/hide_optional_gui", "");
    else
        std::cout << "unknown command " << verb << std::endl;
}
} // namespace

int main()
{
    server = lo_server_new_with_proto (nullptr, LO_UDP, nullptr);
    if (server == nullptr)
        return 1;
    lo_server_add_method (server, nullptr, nullptr, onMessage, nullptr);
    std::cout << "url osc.udp://127.0.0.1:" << lo_server_get_port (server) << "/" << std::endl;

    pollfd watched[2] = { { STDIN_FILENO, POLLIN, 0 }, { lo_server_get_socket_fd (server), POLLIN, 0 } };
    std::string line;
    for (;;)
    {
        if (poll (watched, 2, -1) < 0)
            break;
        if ((watched[1].revents & POLLIN) != 0)
            lo_server_recv_noblock (server, 0);
        if ((watched[0].revents & (POLLIN | POLLHUP)) != 0)
        {
            if (! std::getline (std::cin, line))
                break; // the test closed our input: done
            command (line);
        }
    }

    if (client != nullptr)
        lo_address_free (client);
    lo_server_free (server);
    return 0;
}
