// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "RenderScript.h"

#include <array>
#include <charconv>
#include <sstream>

namespace Work
{

namespace
{
    struct CommandForm
    {
        const char* name;
        std::int32_t code;
        int fields;
    };

    constexpr std::array<CommandForm, 22> commandForms { {
        { "punch", CommandCode::punch, 3 },
        { "undo", CommandCode::undo, 0 },
        { "redo", CommandCode::redo, 0 },
        { "startstop", CommandCode::startStop, 0 },
        { "resync", CommandCode::resync, 0 },
        { "multiply", CommandCode::multiplyDuration, 0 },
        { "add", CommandCode::addDuration, 0 },
        { "direction", CommandCode::direction, 1 },
        { "cursor", CommandCode::cursorStep, 2 },
        { "strip", CommandCode::stripClick, 1 },
        { "mute", CommandCode::mute, 2 },
        { "solo", CommandCode::solo, 2 },
        { "mixbus", CommandCode::mixBus, 2 },
        { "reset", CommandCode::resetLoops, 0 },
        { "playlist", CommandCode::playList, 0 },
        { "freeloops", CommandCode::freeLoops, 0 },
        { "division", CommandCode::loopDivision, 0 },
        { "tomain", CommandCode::toMain, 2 },
        { "clockoff", CommandCode::clockOutput, 0 },
        { "erase", CommandCode::eraseChannel, 1 },
        { "tap", CommandCode::tapTempo, 0 },
        { "resetmix", CommandCode::resetMix, 0 },
    } };

    const CommandForm* findForm (const std::string& word)
    {
        std::int32_t code = 0;
        const auto [end, error] = std::from_chars (word.data(), word.data() + word.size(), code);
        const bool numeric = error == std::errc() && end == word.data() + word.size();

        for (auto& form : commandForms)
            if (numeric ? form.code == code : word == form.name)
                return &form;
        return nullptr;
    }

    template <typename Number>
    bool readNumber (const std::string& word, Number& value)
    {
        const auto [end, error] = std::from_chars (word.data(), word.data() + word.size(), value);
        return error == std::errc() && end == word.data() + word.size();
    }
} // namespace

ParsedScript parseRenderScript (const std::string& text)
{
    ParsedScript result;
    std::istringstream lines (text);
    std::string line;
    std::int64_t lastSample = 0;

    auto fail = [&result] (int number, const std::string& what) {
        result.commands.clear();
        result.error = std::to_string (number) + ": " + what;
        return result;
    };

    for (int number = 1; std::getline (lines, line); ++number)
    {
        if (const auto hash = line.find ('#'); hash != std::string::npos)
            line.erase (hash);

        std::istringstream words (line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;)
            tokens.push_back (word);

        if (tokens.empty())
            continue;

        ScriptCommand entry;
        entry.line = number;

        if (! readNumber (tokens[0], entry.sample) || entry.sample < 0)
            return fail (number, "'" + tokens[0] + "' is not a sample time");
        if (entry.sample < lastSample)
            return fail (number, "time " + tokens[0] + " goes back before " + std::to_string (lastSample));
        if (tokens.size() < 2)
            return fail (number, "a command is missing after the time");

        const auto* form = findForm (tokens[1]);
        if (form == nullptr)
            return fail (number, "unknown command '" + tokens[1] + "'");

        const auto fields = int (tokens.size()) - 2;
        if (fields != form->fields)
            return fail (number, std::string (form->name) + " takes " + std::to_string (form->fields) + " field"
                                     + (form->fields == 1 ? "" : "s") + ", not " + std::to_string (fields));

        std::int32_t values[3] = {};
        for (int f = 0; f < fields; ++f)
            if (! readNumber (tokens[std::size_t (2 + f)], values[f]))
                return fail (number, "field '" + tokens[std::size_t (2 + f)] + "' is not a whole number");

        entry.command = { form->code, values[0], values[1], values[2], entry.sample };
        lastSample = entry.sample;
        result.commands.push_back (entry);
    }

    return result;
}

} // namespace Work
