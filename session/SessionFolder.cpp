// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#include "SessionFolder.h"

#include "engine/SampleBlock.h"
#include "engine/VarnoloLooper.h"

#include <juce_audio_formats/juce_audio_formats.h>

namespace Work::SessionFolder
{

namespace
{
    constexpr int piece = 1 << 16; // samples written or read at a time

    juce::String writeLoop (const juce::File& file, const LoopImage& loop, int sampleRate)
    {
        const auto channels = std::uint32_t (loop.channels);
        std::array<std::vector<float>, 2> samples;
        std::array<float*, 2> pointers {};
        for (std::uint32_t c = 0; c < channels; ++c)
        {
            samples[c].resize (loop.length);
            pointers[c] = samples[c].data();
        }

        // The chain is read as it stands: the looper keeps the loops of a taken image unchanged
        // until they are let go (a finished loop's samples are never written again, and nothing
        // destroys a held loop), and the audio thread's writes before the image was taken are
        // seen here through the image's hand-over.
        SampleChain::copyOut (loop.audio, pointers.data(), channels);

        auto stream = std::make_unique<juce::FileOutputStream> (file, 1 << 20); // large writes: fewer system calls
        if (stream->failedToOpen())
            return "could not create " + file.getFullPathName() + ": " + stream->getStatus().getErrorMessage();

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (
            wav.createWriterFor (stream.get(), double (sampleRate), channels, 32, {}, 0));
        if (writer == nullptr)
            return "could not write " + file.getFullPathName();
        stream.release(); // the writer owns it now

        for (std::uint32_t done = 0; done < loop.length;)
        {
            const auto n = int (std::min<std::uint32_t> (piece, loop.length - done));
            const float* from[2] = { pointers[0] + done, channels > 1 ? pointers[1] + done : nullptr };
            if (! writer->writeFromFloatArrays (from, int (channels), n))
                return "could not write " + file.getFullPathName() + " (is the disk full?)";
            done += std::uint32_t (n);
        }

        writer.reset(); // flushes and closes

        // The writer cannot report a failure while it closes the file: check that it is whole.
        const auto offset = dataOffsetOf (file);
        if (offset == 0 || file.getSize() < offset + std::int64_t (loop.length) * channels * 4)
            return "could not write " + file.getFullPathName() + " whole (is the disk full?)";
        return {};
    }

    juce::String readLoop (const juce::File& file, const LoopImage& loop, int sampleRate,
                           std::array<std::vector<float>, 2>& into)
    {
        const auto name = file.getFullPathName();
        if (! file.existsAsFile())
            return name + " is missing";

        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatReader> reader (
            wav.createReaderFor (new juce::BufferedInputStream (new juce::FileInputStream (file), 1 << 20, true), true));
        if (reader == nullptr)
            return name + " is not a WAV file";
        if (! reader->usesFloatingPointData || reader->bitsPerSample != 32)
            return name + " does not hold 32-bit float samples";
        if (int (reader->numChannels) != loop.channels)
            return name + " has " + juce::String (reader->numChannels) + " channels, not " + juce::String (loop.channels);
        if (reader->lengthInSamples != std::int64_t (loop.length))
            return name + " holds " + juce::String (reader->lengthInSamples) + " samples, not " + juce::String (loop.length);
        if (juce::roundToInt (reader->sampleRate) != sampleRate)
            return name + " is at another sample rate";

        const auto offset = dataOffsetOf (file);
        if (offset == 0 || file.getSize() < offset + std::int64_t (loop.length) * loop.channels * 4)
            return name + " is cut short";

        std::array<float*, 2> pointers {};
        for (int c = 0; c < loop.channels; ++c)
        {
            into[std::size_t (c)].resize (loop.length);
            pointers[std::size_t (c)] = into[std::size_t (c)].data();
        }

        for (std::uint32_t done = 0; done < loop.length;)
        {
            const auto n = int (std::min<std::uint32_t> (piece, loop.length - done));
            float* to[2] = { pointers[0] + done, loop.channels > 1 ? pointers[1] + done : nullptr };
            if (! reader->read (to, loop.channels, std::int64_t (done), n))
                return name + " could not be read";
            done += std::uint32_t (n);
        }
        return {};
    }

    juce::File besideFolder (const juce::File& folder, const char* suffix)
    {
        return folder.getSiblingFile (folder.getFileName() + suffix);
    }
} // namespace

std::int64_t dataOffsetOf (const juce::File& file)
{
    juce::FileInputStream in (file);
    if (in.failedToOpen())
        return 0;

    char riff[12] = {};
    if (in.read (riff, 12) != 12 || std::memcmp (riff, "RIFF", 4) != 0 || std::memcmp (riff + 8, "WAVE", 4) != 0)
        return 0;

    while (! in.isExhausted())
    {
        char id[4] = {};
        if (in.read (id, 4) != 4)
            return 0;
        const auto size = std::int64_t (std::uint32_t (in.readInt()));
        if (std::memcmp (id, "data", 4) == 0)
            return in.getPosition();
        if (! in.setPosition (in.getPosition() + size + (size & 1)))
            return 0;
    }
    return 0;
}

std::uint64_t bytesNeeded (const LoopSetImage& image) noexcept
{
    // Per block: the block and one buffer per channel, each with the pool's header and rounding.
    constexpr std::uint64_t perAllocation = 64;
    std::uint64_t bytes = 0;

    for (const auto& loop : image.loops)
    {
        const auto blocks = (std::uint64_t (loop.length) + SampleChain::chunkSamples - 1) / SampleChain::chunkSamples;
        bytes += std::uint64_t (loop.length) * std::uint64_t (loop.channels) * sizeof (float);
        bytes += blocks * (sizeof (SampleBlock) + perAllocation * std::uint64_t (1 + loop.channels));
        bytes += 1024; // the loop itself
    }
    return bytes;
}

juce::String save (const juce::File& folder, SessionDocument document)
{
    if (folder.getFileName().isEmpty())
        return "a session needs a folder name";

    if (! document.looper.isConsistent())
        return "the looper's state could not be read whole";

    const auto saving = besideFolder (folder, ".saving");
    const auto old = besideFolder (folder, ".old");

    if (saving.exists() && ! saving.deleteRecursively())
        return "could not clear " + saving.getFullPathName() + " from an earlier save";

    if (const auto made = saving.createDirectory(); made.failed())
        return "could not create " + saving.getFullPathName() + ": " + made.getErrorMessage();

    auto fail = [&saving] (const juce::String& why) {
        saving.deleteRecursively();
        return why;
    };

    document.nameFiles();
    for (std::size_t i = 0; i < document.looper.loops.size(); ++i)
        if (auto why = writeLoop (saving.getChildFile (document.files[i]), document.looper.loops[i], document.sampleRate);
            why.isNotEmpty())
            return fail (why);

    const auto documentFile = saving.getChildFile (SessionDocument::fileName);
    const auto text = document.toText();
    if (! documentFile.replaceWithText (text, false, false, nullptr)
        || documentFile.getSize() != std::int64_t (text.getNumBytesAsUTF8()))
        return fail ("could not write " + documentFile.getFullPathName() + " (is the disk full?)");

    // Everything is written: the new folder takes the old one's place.
    if (old.exists())
        old.deleteRecursively();
    if (folder.exists() && ! folder.moveFileTo (old))
        return fail ("could not move the earlier " + folder.getFullPathName() + " aside");
    if (! saving.moveFileTo (folder))
    {
        old.moveFileTo (folder);
        return fail ("could not put the new session in place of " + folder.getFullPathName());
    }
    old.deleteRecursively();
    return {};
}

juce::String restore (Loaded& loaded, VarnoloLooper& looper, MixerChannelSet* loopMix, MixerChannelSet* busMix,
                      Transport transport)
{
    loaded.pointAtAudio();
    if (auto& image = loaded.document.looper; transport == Transport::stopped)
    {
        // As a stop leaves it: every loop at its start.
        image.playing = false;
        image.position = 0;
        for (auto& loop : image.loops)
            loop.position = 0;
    }

    using Result = VarnoloLooper::RestoreResult;
    switch (looper.restoreImage (loaded.document.looper, true))
    {
        case Result::restored: loaded.document.mix.apply (loopMix, busMix); return {};
        case Result::recording: return "A loop is being recorded: stop recording, then open the session.";
        case Result::held: return "A save is still being written: open the session once it is done.";
        case Result::inconsistent: return "The session's loops play on channels this looper does not have.";
        case Result::noRoom:
        case Result::cleared: break;
    }
    return "The session's loops did not fit in the sample memory, and the loops were cleared: choose more sample "
           "memory in the options.";
}

void Loaded::pointAtAudio()
{
    for (std::size_t i = 0; i < document.looper.loops.size() && i < audio.size(); ++i)
        for (std::size_t c = 0; c < 2; ++c)
            document.looper.loops[i].samples[c] = audio[i][c].empty() ? nullptr : audio[i][c].data();
}

std::optional<Loaded> open (const juce::File& chosen, int sampleRate, std::uint64_t poolBytes, juce::String& error)
{
    // A save cut off between its two renames leaves the earlier session beside the name.
    auto folder = chosen;
    if (! folder.isDirectory() && besideFolder (chosen, ".old").isDirectory())
        folder = besideFolder (chosen, ".old");

    const auto documentFile = folder.getChildFile (SessionDocument::fileName);
    if (! folder.isDirectory())
    {
        error = chosen.getFullPathName() + " is not a folder";
        return std::nullopt;
    }
    if (! documentFile.existsAsFile())
    {
        error = documentFile.getFullPathName() + " is missing";
        return std::nullopt;
    }
    if (documentFile.getSize() > (std::int64_t (64) << 20))
    {
        error = documentFile.getFullPathName() + " is far too large to be a session document";
        return std::nullopt;
    }

    juce::String why;
    juce::MemoryBlock bytes;
    if (! documentFile.loadFileAsData (bytes))
    {
        error = documentFile.getFullPathName() + " cannot be read";
        return std::nullopt;
    }
    auto document = SessionDocument::parse (bytes.getData(), bytes.getSize(), why);
    if (! document.has_value())
    {
        error = documentFile.getFullPathName() + " cannot be read: " + why;
        return std::nullopt;
    }

    if (document->sampleRate != sampleRate)
    {
        error = "The session was recorded at " + juce::String (document->sampleRate) + " Hz and the device runs at "
                + juce::String (sampleRate) + " Hz: set the device to " + juce::String (document->sampleRate)
                + " Hz to open it.";
        return std::nullopt;
    }

    if (const auto needed = bytesNeeded (document->looper); needed > poolBytes)
    {
        error = "The session needs " + juce::String (juce::int64 ((needed + (1 << 20) - 1) >> 20))
                + " MB of sample memory and " + juce::String (juce::int64 (poolBytes >> 20))
                + " MB are set aside: choose more sample memory in the options.";
        return std::nullopt;
    }

    Loaded loaded;
    loaded.document = std::move (*document);
    loaded.audio.resize (loaded.document.looper.loops.size());
    for (std::size_t i = 0; i < loaded.audio.size(); ++i)
        if (auto problem = readLoop (folder.getChildFile (loaded.document.files[i]), loaded.document.looper.loops[i],
                                     sampleRate, loaded.audio[i]);
            problem.isNotEmpty())
        {
            error = problem;
            return std::nullopt;
        }

    loaded.pointAtAudio();
    return loaded;
}

} // namespace Work::SessionFolder
