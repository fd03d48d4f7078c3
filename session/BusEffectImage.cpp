// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "BusEffectImage.h"

#include "effects/Lv2Effect.h"

#include <cmath>

namespace Work
{

namespace
{
    constexpr int longestUri = 2048, longestSymbol = 64, mostValues = 1024;

    bool isSymbol (const juce::String& s)
    {
        return s.isNotEmpty() && s.length() <= longestSymbol && ! juce::CharacterFunctions::isDigit (s[0])
               && s.containsOnly ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_");
    }

    bool isPrintable (const juce::String& s)
    {
        for (auto p = s.getCharPointer(); ! p.isEmpty(); ++p)
            if (*p < 0x21 || *p == 0x7f)
                return false;
        return true;
    }

    bool isNumber (const juce::String& s)
    {
        return s.isNotEmpty() && s.length() <= 32 && s.containsOnly ("0123456789.-+eE")
               && std::isfinite (s.getDoubleValue());
    }
} // namespace

BusEffectImage BusEffectImage::capture (const Lv2Effect& effect)
{
    BusEffectImage image;
    image.uri = effect.getInfo().uri;
    image.bypassed = effect.isBypassed();
    const auto& controls = effect.getInfo().controls;
    for (int c = 0; c < int (controls.size()); ++c)
        image.values.emplace_back (controls[std::size_t (c)].symbol, effect.getControl (c));
    return image;
}

void BusEffectImage::applyTo (Lv2Effect& effect) const
{
    effect.setBypassed (bypassed);
    for (const auto& [symbol, value] : values)
        if (const auto control = effect.findControl (symbol); control >= 0)
            effect.setControl (control, value);
}

std::unique_ptr<juce::XmlElement> BusEffectImage::toXml() const
{
    auto e = std::make_unique<juce::XmlElement> (tagName);
    e->setAttribute ("uri", juce::String::fromUTF8 (uri.c_str()));
    e->setAttribute ("bypassed", bypassed ? 1 : 0);
    for (const auto& [symbol, value] : values)
    {
        auto* param = e->createNewChildElement ("PARAM");
        param->setAttribute ("symbol", juce::String::fromUTF8 (symbol.c_str()));
        param->setAttribute ("value", double (value));
    }
    return e;
}

std::optional<BusEffectImage> BusEffectImage::fromXml (const juce::XmlElement& e, juce::String& error)
{
    const auto uri = e.getStringAttribute ("uri");
    if (! e.hasTagName (tagName) || uri.isEmpty() || uri.length() > longestUri || ! isPrintable (uri)
        || ! uri.containsChar (':'))
    {
        error = "the bus effect's URI is missing or not a URI";
        return std::nullopt;
    }

    const auto bypassed = e.getStringAttribute ("bypassed");
    if (bypassed != "0" && bypassed != "1")
    {
        error = "the bus effect's bypass is neither 0 nor 1";
        return std::nullopt;
    }

    BusEffectImage image;
    image.uri = uri.toStdString();
    image.bypassed = bypassed == "1";

    for (const auto* param : e.getChildWithTagNameIterator ("PARAM"))
    {
        const auto symbol = param->getStringAttribute ("symbol");
        const auto value = param->getStringAttribute ("value");
        if (int (image.values.size()) >= mostValues || ! isSymbol (symbol) || ! isNumber (value))
        {
            error = "a control of the bus effect has no symbol, no number or one too many";
            return std::nullopt;
        }
        image.values.emplace_back (symbol.toStdString(), value.getFloatValue());
    }
    return image;
}

} // namespace Work
