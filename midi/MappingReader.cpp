// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "MappingReader.h"

#include <cctype>
#include <cstring>
#include <string>

namespace Work
{

namespace
{
    /** A strict reader for the one shape a mapping document has: an optional XML declaration,
        the root element, and inside it only empty elements with attributes. It never recurses
        and reads each character once, so no file, however built, can hang or exhaust it; a
        general XML parser is not asked to read what users hand in. */
    class MappingReader
    {
    public:
        explicit MappingReader (const juce::String& textToRead)
            : text (textToRead.toStdString())
        {
        }

        std::unique_ptr<juce::XmlElement> read (const juce::String& rootTag)
        {
            skipSpace();
            if (startsWith ("<?xml"))
            {
                const auto end = text.find ("?>", i);
                if (end == std::string::npos)
                    return {};
                i = end + 2;
                skipSpace();
            }

            std::string root;
            if (! take ('<') || ! readName (root) || root != rootTag.toStdString())
                return {};

            auto document = std::make_unique<juce::XmlElement> (rootTag);
            skipAttributes (nullptr);
            skipSpace();

            if (take ('/'))
                return take ('>') && atEndAfterSpace() ? std::move (document) : nullptr;
            if (! take ('>'))
                return {};

            for (;;)
            {
                skipSpace();
                if (! take ('<'))
                    return {};

                if (take ('/'))
                {
                    std::string closing;
                    return readName (closing) && closing == root && (skipSpace(), take ('>')) && atEndAfterSpace()
                               ? std::move (document)
                               : nullptr;
                }

                std::string name;
                if (! readName (name))
                    return {};

                auto* child = document->createNewChildElement (juce::String (name));
                if (! skipAttributes (child))
                    return {};

                skipSpace();
                if (take ('/'))
                {
                    if (! take ('>'))
                        return {};
                    continue;
                }

                // <name ...></name>
                std::string closing;
                if (! take ('>') || ! (skipSpace(), take ('<')) || ! take ('/') || ! readName (closing) || closing != name
                    || ! (skipSpace(), take ('>')))
                    return {};
            }
        }

    private:
        static bool isNameStart (char c) { return std::isalpha (static_cast<unsigned char> (c)) || c == '_'; }
        static bool isNameChar (char c)
        {
            return std::isalnum (static_cast<unsigned char> (c)) || c == '_' || c == '-' || c == '.';
        }

        void skipSpace()
        {
            while (i < text.size() && std::isspace (static_cast<unsigned char> (text[i])))
                ++i;
        }

        bool take (char c)
        {
            if (i < text.size() && text[i] == c)
            {
                ++i;
                return true;
            }
            return false;
        }

        bool startsWith (const char* prefix) const { return text.compare (i, std::strlen (prefix), prefix) == 0; }

        bool readName (std::string& name)
        {
            if (i >= text.size() || ! isNameStart (text[i]))
                return false;
            const auto start = i;
            while (i < text.size() && isNameChar (text[i]))
                ++i;
            name = text.substr (start, i - start);
            return true;
        }

        /** Reads name="value" pairs, giving them to element when there is one. */
        bool skipAttributes (juce::XmlElement* element)
        {
            for (;;)
            {
                skipSpace();
                if (i >= text.size() || ! isNameStart (text[i]))
                    return true;

                std::string name;
                readName (name);
                skipSpace();
                if (! take ('='))
                    return false;
                skipSpace();
                if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
                    return false;

                const auto quote = text[i++];
                const auto end = text.find (quote, i);
                if (end == std::string::npos)
                    return false;

                if (element != nullptr)
                    element->setAttribute (juce::Identifier (juce::String (name)), juce::String (text.substr (i, end - i)));
                i = end + 1;
            }
        }

        bool atEndAfterSpace()
        {
            skipSpace();
            return i == text.size();
        }

        std::string text;
        std::size_t i = 0;
    };
} // namespace

std::unique_ptr<juce::XmlElement> parseMappingDocument (const juce::String& text, const juce::String& rootTag)
{
    return MappingReader (text).read (rootTag);
}

} // namespace Work
