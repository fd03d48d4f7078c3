// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "PlainXmlReader.h"

#include <cstring>
#include <utility>

namespace Work::PlainXmlReader
{

namespace
{
    class Reader
    {
    public:
        Reader (const juce::String& textToRead, juce::String& errorToUse)
            : text (textToRead.toUTF32())
            , p (text.getAddress())
            , error (errorToUse)
        {
        }

        std::unique_ptr<juce::XmlElement> document()
        {
            skipSpace();
            if (startsWith ("<?xml"))
            {
                while (*p != 0 && ! startsWith ("?>"))
                    ++p;
                if (*p == 0)
                    return fail ("the declaration does not end");
                p += 2;
            }

            skipSpace();
            auto root = element (1);
            if (root == nullptr)
                return nullptr;
            skipSpace();
            if (*p != 0)
                return fail ("there is more after the document's end");
            return root;
        }

    private:
        static bool isNameChar (juce::juce_wchar c)
        {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
                   || c == ':';
        }

        bool startsWith (const char* s) const
        {
            for (int i = 0; s[i] != 0; ++i)
                if (p[i] != juce::juce_wchar (s[i]))
                    return false;
            return true;
        }

        void skipSpace()
        {
            while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
                ++p;
        }

        juce::String name()
        {
            const auto* start = p;
            while (isNameChar (*p) && p - start < 64)
                ++p;
            return juce::String (juce::CharPointer_UTF32 (start), juce::CharPointer_UTF32 (p));
        }

        std::nullptr_t fail (const char* why)
        {
            if (error.isEmpty())
                error = why;
            return nullptr;
        }

        bool value (juce::String& into)
        {
            const auto quote = *p;
            if (quote != '"' && quote != '\'')
                return false;
            ++p;

            juce::String result;
            while (*p != quote)
            {
                if (*p == 0 || *p == '<')
                    return false;
                if (*p == '&')
                {
                    const std::pair<const char*, char> entities[] = {
                        { "&quot;", '"' }, { "&apos;", '\'' }, { "&amp;", '&' }, { "&lt;", '<' }, { "&gt;", '>' }
                    };
                    bool known = false;
                    for (const auto& [entity, c] : entities)
                        if (startsWith (entity))
                        {
                            result << c;
                            p += std::strlen (entity);
                            known = true;
                            break;
                        }
                    if (! known)
                        return false;
                    continue;
                }
                result << juce::String::charToString (*p++);
            }
            ++p;
            into = result;
            return true;
        }

        std::unique_ptr<juce::XmlElement> element (int depth)
        {
            if (depth > maxDepth)
                return fail ("its elements are nested too deep");
            if (*p != '<')
                return fail ("an element was expected");
            ++p;

            const auto tag = name();
            if (tag.isEmpty())
                return fail ("an element has no name");
            auto result = std::make_unique<juce::XmlElement> (tag);

            for (;;)
            {
                const auto* before = p;
                skipSpace();
                if (startsWith ("/>"))
                {
                    p += 2;
                    return result;
                }
                if (*p == '>')
                {
                    ++p;
                    break;
                }
                if (p == before)
                    return fail ("an element's attributes are not separated");

                const auto attribute = name();
                skipSpace();
                if (attribute.isEmpty() || *p != '=')
                    return fail ("an attribute is malformed");
                ++p;
                skipSpace();
                juce::String text;
                if (! value (text))
                    return fail ("an attribute's value is malformed");
                if (result->hasAttribute (attribute))
                    return fail ("an attribute is given twice");
                result->setAttribute (juce::Identifier (attribute), text);
            }

            // Children, until the closing tag.
            for (;;)
            {
                skipSpace();
                if (startsWith ("</"))
                {
                    p += 2;
                    if (name() != tag)
                        return fail ("a closing tag does not match");
                    skipSpace();
                    if (*p != '>')
                        return fail ("a closing tag is malformed");
                    ++p;
                    return result;
                }
                auto child = element (depth + 1);
                if (child == nullptr)
                    return nullptr;
                result->addChildElement (child.release());
            }
        }

        juce::CharPointer_UTF32 text;
        const juce::juce_wchar* p;
        juce::String& error;
    };
} // namespace

std::unique_ptr<juce::XmlElement> parse (const juce::String& text, juce::String& error)
{
    error.clear();
    return Reader (text, error).document();
}

} // namespace Work::PlainXmlReader
