// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SessionDocument.h"

#include "PlainXmlReader.h"

#include <array>
#include <cstring>
#include <memory>

namespace Work
{

namespace
{
    constexpr const char* kindNames[] = { "main", "secondary", "free" };
    constexpr const char* entryNames[] = { "none", "secondaryLoop", "freeLoop", "multiply", "add", "erase" };

    /** Reads whole-number attributes strictly: present, digits only (a minus sign allowed where
        the range is), within [low, high]. The first failure is kept with its reason. */
    class Reader
    {
    public:
        explicit Reader (juce::String& errorToUse)
            : error (errorToUse)
        {
        }

        std::int64_t number (const juce::XmlElement& e, const char* name, std::int64_t low, std::int64_t high)
        {
            const auto text = e.getStringAttribute (name);
            const auto digits = text.startsWithChar ('-') ? text.substring (1) : text;

            if (! e.hasAttribute (name) || digits.isEmpty() || digits.length() > 18 || ! digits.containsOnly ("0123456789"))
                return fail (e, name, "is missing or not a whole number"), low;

            const auto value = text.getLargeIntValue();
            if (value < low || value > high)
                return fail (e, name, "is out of range"), low;
            return value;
        }

        int integer (const juce::XmlElement& e, const char* name, int low, int high)
        {
            return int (number (e, name, low, high));
        }

        std::uint32_t word (const juce::XmlElement& e, const char* name)
        {
            return std::uint32_t (number (e, name, 0, 0xffffffffll));
        }

        bool flag (const juce::XmlElement& e, const char* name) { return number (e, name, 0, 1) != 0; }

        template <std::size_t n>
        int choice (const juce::XmlElement& e, const char* name, const char* const (&names)[n])
        {
            const auto text = e.getStringAttribute (name);
            for (std::size_t i = 0; i < n; ++i)
                if (text == names[i])
                    return int (i);
            fail (e, name, "names nothing known");
            return 0;
        }

        void fail (const juce::XmlElement& e, const char* name, const char* why)
        {
            if (error.isEmpty())
                error = "the attribute " + juce::String (name) + " of " + e.getTagName() + " " + why;
        }

        [[nodiscard]] bool ok() const { return error.isEmpty(); }

    private:
        juce::String& error;
    };

    void writeMix (juce::XmlElement& parent, const char* set, const std::vector<MixImage::Channel>& channels)
    {
        for (std::size_t i = 0; i < channels.size(); ++i)
        {
            auto* e = parent.createNewChildElement ("CHANNEL");
            e->setAttribute ("set", set);
            e->setAttribute ("index", int (i));
            e->setAttribute ("volume", channels[i].volume);
            e->setAttribute ("pan", channels[i].pan);
            e->setAttribute ("mute", channels[i].mute);
            e->setAttribute ("buses", juce::String (channels[i].buses));
        }
    }
} // namespace

SessionDocument SessionDocument::of (const LoopSetImage& image, const MixImage& mix, int sampleRate)
{
    SessionDocument document;
    document.looper = image;
    document.looper.resolveHistory();
    document.mix = mix;
    document.sampleRate = sampleRate;
    document.beatsPerBar = image.clockBeatsPerBar;
    document.nameFiles();
    return document;
}

void SessionDocument::nameFiles()
{
    files.clear();
    for (std::size_t i = 0; i < looper.loops.size(); ++i)
        files.push_back ("loop-" + juce::String (int (i) + 1).paddedLeft ('0', 4) + ".wav");
}

juce::String SessionDocument::toText() const
{
    juce::XmlElement root ("VARNOLO_SESSION");
    root.setAttribute ("format", formatNumber);
    root.setAttribute ("sampleRate", sampleRate);
    root.setAttribute ("tempoMilliBpm", tempoMilliBpm);
    root.setAttribute ("beatsPerBar", beatsPerBar);

    const auto& image = looper;
    auto* transport = root.createNewChildElement ("TRANSPORT");
    transport->setAttribute ("playing", image.playing ? 1 : 0);
    transport->setAttribute ("reversed", image.reversed ? 1 : 0);
    transport->setAttribute ("nextLoop", int (image.nextLoop));
    transport->setAttribute ("muteMask", juce::String (image.muteMask));
    transport->setAttribute ("soloMask", juce::String (image.soloMask));
    transport->setAttribute ("toMainMask", juce::String (image.toMainMask));
    transport->setAttribute ("appliedMuteMask", juce::String (image.appliedMuteMask));
    transport->setAttribute ("cursors", juce::String (image.cursors));

    auto* cycle = root.createNewChildElement ("CYCLE");
    cycle->setAttribute ("position", juce::String (image.position));
    cycle->setAttribute ("multiplier", juce::String (image.multiplier));
    cycle->setAttribute ("addAmount", juce::String (image.addAmount));
    cycle->setAttribute ("clockBeatsPerBar", image.clockBeatsPerBar);
    cycle->setAttribute ("clockBars", image.clockBars);
    cycle->setAttribute ("clockEnabled", image.clockEnabled ? 1 : 0);

    auto* loops = root.createNewChildElement ("LOOPS");
    for (std::size_t i = 0; i < image.loops.size(); ++i)
    {
        const auto& loop = image.loops[i];
        auto* e = loops->createNewChildElement ("LOOP");
        e->setAttribute ("kind", kindNames[int (loop.kind)]);
        e->setAttribute ("file", i < files.size() ? files[i] : juce::String());
        e->setAttribute ("input", loop.input);
        e->setAttribute ("output", loop.output);
        e->setAttribute ("channels", loop.channels);
        e->setAttribute ("length", juce::String (loop.length));
        e->setAttribute ("position", juce::String (loop.position));
        e->setAttribute ("erased", loop.erased ? 1 : 0);
        e->setAttribute ("undone", loop.undone ? 1 : 0);
        e->setAttribute ("recordedReversed", loop.recordedReversed ? 1 : 0);
    }

    auto* history = root.createNewChildElement ("HISTORY");
    history->setAttribute ("inForce", image.historyInForce);
    history->setAttribute ("lastUndoneInput", image.lastUndoneInput);
    history->setAttribute ("lastUndoneOutput", image.lastUndoneOutput);
    for (const auto& entry : image.history)
    {
        auto* e = history->createNewChildElement ("ENTRY");
        e->setAttribute ("type", entryNames[int (entry.type)]);
        e->setAttribute ("loop", entry.loop);
        e->setAttribute ("loopB", entry.loopB);
        e->setAttribute ("freeLoopA", entry.freeLoopA);
        e->setAttribute ("freeLoopB", entry.freeLoopB);
        e->setAttribute ("amount", juce::String (entry.amount));
        e->setAttribute ("value", juce::String (entry.value));
        e->setAttribute ("key", entry.key);
        e->setAttribute ("flag", entry.flag ? 1 : 0);
    }

    auto* mixElement = root.createNewChildElement ("MIX");
    writeMix (*mixElement, "loop", mix.loopChannels);
    writeMix (*mixElement, "bus", mix.buses);

    if (busEffect.has_value())
        root.addChildElement (busEffect->toXml().release());

    juce::XmlElement::TextFormat format;
    format.newLineChars = "\n";
    return root.toString (format);
}

std::optional<SessionDocument> SessionDocument::parse (const void* data, std::size_t size, juce::String& error)
{
    const auto* bytes = static_cast<const char*> (data);
    if (size > std::size_t (64 << 20) || std::memchr (bytes, 0, size) != nullptr
        || ! juce::CharPointer_UTF8::isValidString (bytes, int (size)))
    {
        error = "it is not a text document";
        return std::nullopt;
    }
    return parse (juce::String::fromUTF8 (bytes, int (size)), error);
}

std::optional<SessionDocument> SessionDocument::parse (const juce::String& text, juce::String& error)
{
    const auto root = PlainXmlReader::parse (text, error);

    if (root == nullptr || ! root->hasTagName ("VARNOLO_SESSION"))
    {
        error = "it is not a session document" + (error.isNotEmpty() ? " (" + error + ")" : juce::String());
        return std::nullopt;
    }
    error.clear();

    Reader read (error);
    const auto format = read.number (*root, "format", 0, 1000000);
    if (! read.ok())
        return std::nullopt;
    if (format < oldestFormatRead || format > formatNumber)
    {
        error = "its format is number " + juce::String (format) + ", and this program reads numbers "
                + juce::String (oldestFormatRead) + " to " + juce::String (formatNumber);
        return std::nullopt;
    }

    SessionDocument document;
    document.keepsBusEffect = format >= 2;
    if (const auto* effect = root->getChildByName (BusEffectImage::tagName); effect != nullptr && document.keepsBusEffect)
    {
        document.busEffect = BusEffectImage::fromXml (*effect, error);
        if (! document.busEffect.has_value())
            return std::nullopt;
    }
    document.sampleRate = read.integer (*root, "sampleRate", 8000, 768000);
    document.tempoMilliBpm = read.integer (*root, "tempoMilliBpm", 0, 1000000);
    document.beatsPerBar = read.integer (*root, "beatsPerBar", 0, 64);

    const auto* transport = root->getChildByName ("TRANSPORT");
    const auto* cycle = root->getChildByName ("CYCLE");
    const auto* loops = root->getChildByName ("LOOPS");
    const auto* history = root->getChildByName ("HISTORY");
    const auto* mix = root->getChildByName ("MIX");

    if (transport == nullptr || cycle == nullptr || loops == nullptr || history == nullptr || mix == nullptr)
    {
        error = "a part of the document is missing";
        return std::nullopt;
    }

    auto& image = document.looper;
    image.playing = read.flag (*transport, "playing");
    image.reversed = read.flag (*transport, "reversed");
    image.nextLoop = LoopKind (read.integer (*transport, "nextLoop", 0, int (LoopKind::quarterCycle)));
    image.muteMask = read.word (*transport, "muteMask");
    image.soloMask = read.word (*transport, "soloMask");
    image.toMainMask = read.word (*transport, "toMainMask");
    image.appliedMuteMask = read.word (*transport, "appliedMuteMask");
    image.cursors = read.word (*transport, "cursors");

    image.position = read.word (*cycle, "position");
    image.multiplier = read.word (*cycle, "multiplier");
    image.addAmount = read.word (*cycle, "addAmount");
    image.clockBeatsPerBar = read.integer (*cycle, "clockBeatsPerBar", 0, 64);
    image.clockBars = read.integer (*cycle, "clockBars", 0, 1 << 20);
    image.clockEnabled = read.flag (*cycle, "clockEnabled");

    juce::StringArray seen;
    for (auto* e : loops->getChildWithTagNameIterator ("LOOP"))
    {
        if (image.loops.size() >= std::size_t (LoopSetImage::maxLoops))
        {
            error = "it holds more loops than the looper can";
            return std::nullopt;
        }

        LoopImage loop;
        loop.kind = LoopImage::Kind (read.choice (*e, "kind", kindNames));
        loop.input = read.integer (*e, "input", 0, 31);
        loop.output = read.integer (*e, "output", 0, 31);
        loop.channels = read.integer (*e, "channels", 1, 2);
        loop.length = read.word (*e, "length");
        loop.position = read.word (*e, "position");
        loop.erased = read.flag (*e, "erased");
        loop.undone = read.flag (*e, "undone");
        loop.recordedReversed = read.flag (*e, "recordedReversed");

        // A plain file name of the folder, each used once: nothing outside the folder is read.
        const auto file = e->getStringAttribute ("file");
        if (file.isEmpty() || file.length() > 64 || ! file.endsWithIgnoreCase (".wav") || file.startsWithChar ('.')
            || ! file.containsOnly ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-")
            || seen.contains (file))
        {
            read.fail (*e, "file", "is not a file name of its own in the session folder");
            return std::nullopt;
        }
        seen.add (file);
        document.files.push_back (file);
        image.loops.push_back (loop);
    }

    image.historyInForce = read.integer (*history, "inForce", 0, LoopHistory::capacity);
    image.lastUndoneInput = read.integer (*history, "lastUndoneInput", -1, 31);
    image.lastUndoneOutput = read.integer (*history, "lastUndoneOutput", -1, 31);
    for (auto* e : history->getChildWithTagNameIterator ("ENTRY"))
    {
        if (image.history.size() >= std::size_t (LoopHistory::capacity))
        {
            error = "its history is longer than the looper keeps";
            return std::nullopt;
        }

        HistoryImage entry;
        entry.type = HistoryEntry::Type (read.choice (*e, "type", entryNames));
        const auto loopCount = int (LoopSetImage::maxLoops);
        entry.loop = read.integer (*e, "loop", -1, loopCount);
        entry.loopB = read.integer (*e, "loopB", -1, loopCount);
        entry.freeLoopA = read.integer (*e, "freeLoopA", -1, loopCount);
        entry.freeLoopB = read.integer (*e, "freeLoopB", -1, loopCount);
        entry.amount = std::uint32_t (read.number (*e, "amount", 0, 1000));
        entry.value = std::uint32_t (read.number (*e, "value", 0, 1000));
        entry.key = read.integer (*e, "key", 0, 31);
        entry.flag = read.flag (*e, "flag");
        image.history.push_back (entry);
    }

    for (auto* e : mix->getChildWithTagNameIterator ("CHANNEL"))
    {
        const bool loopSet = e->getStringAttribute ("set") == "loop";
        auto& channels = loopSet ? document.mix.loopChannels : document.mix.buses;
        const auto index = read.integer (*e, "index", 0, 63);
        if (read.ok() && index != int (channels.size()))
            read.fail (*e, "index", "is not the next channel's");

        MixImage::Channel c;
        c.volume = read.integer (*e, "volume", -1, 127);
        c.pan = read.integer (*e, "pan", -1, 127);
        c.mute = read.integer (*e, "mute", -1, 1);
        c.buses = read.number (*e, "buses", -1, 0xffffffffll);
        channels.push_back (c);
    }

    if (! read.ok())
        return std::nullopt;

    if (! image.isConsistent())
    {
        error = "its loops, cycle and history do not fit together";
        return std::nullopt;
    }

    return document;
}

} // namespace Work
