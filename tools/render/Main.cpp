// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// varnolo-render: runs a scripted performance through the real engine, without a device, and
// writes what it gives as a WAV file. See the README for the script format.
#include "OfflineRenderer.h"
#include "RenderScript.h"
#include "audio/BufferPatch.h"
#include "engine/MemorySystem.h"

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_events/juce_events.h>

#include <cstdio>
#include <random>

namespace
{
int failWith (const juce::String& message)
{
    std::fprintf (stderr, "varnolo-render: %s\n", message.toRawUTF8());
    return 1;
}

const char* const usage =
    "usage: varnolo-render --script FILE --out FILE (--in FILE | --signal sine|noise|count) [--seconds S]\n"
    "                      [--rate R] [--block N] [--stems DIR]";

/** A generated input: a 220 Hz sine, seeded noise, or a count whose samples tell their own position. */
bool generate (const juce::String& kind, juce::AudioBuffer<float>& into, int samples, double rate)
{
    into.setSize (2, samples);
    std::mt19937 random (1);
    std::uniform_real_distribution<float> noise (-0.5f, 0.5f);

    for (int i = 0; i < samples; ++i)
    {
        float value = 0.0f;
        if (kind == "sine")
            value = 0.5f * std::sin (float (2.0 * juce::MathConstants<double>::pi * 220.0 * i / rate));
        else if (kind == "noise")
            value = noise (random);
        else if (kind == "count")
            value = float (i % 100000) / 100000.0f;
        else
            return false;
        into.setSample (0, i, value);
        into.setSample (1, i, -value);
    }
    return true;
}

bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double rate)
{
    file.deleteFile();
    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), rate, unsigned (buffer.getNumChannels()), 32, {}, 0));
    if (writer == nullptr)
        return false;

    stream.release(); // the writer owns it now
    return writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}
} // namespace

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringPairArray options;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg (argv[i]);
        if (! arg.startsWith ("--") || i + 1 >= argc)
            return failWith (juce::String ("bad argument '") + arg + "'\n" + usage);
        options.set (arg.substring (2), argv[++i]);
    }

    const auto scriptPath = options["script"], outPath = options["out"], inPath = options["in"];
    const auto signal = options["signal"], stemsPath = options["stems"];

    if (scriptPath.isEmpty() || outPath.isEmpty() || (inPath.isEmpty() == signal.isEmpty()))
        return failWith (usage);

    const auto blockSize = options["block"].isEmpty() ? 256 : options["block"].getIntValue();
    if (blockSize < 1 || blockSize > Work::maxBlockSize)
        return failWith ("--block must be between 1 and " + juce::String (Work::maxBlockSize));

    const auto scriptFile = juce::File::getCurrentWorkingDirectory().getChildFile (scriptPath);
    if (! scriptFile.existsAsFile())
        return failWith ("no script file " + scriptFile.getFullPathName());

    const auto script = Work::parseRenderScript (scriptFile.loadFileAsString().toStdString());
    if (! script.error.empty())
        return failWith (scriptFile.getFileName() + ":" + juce::String (script.error));

    juce::AudioBuffer<float> input;
    double rate = options["rate"].isEmpty() ? 48000.0 : options["rate"].getDoubleValue();

    if (inPath.isNotEmpty())
    {
        const auto inFile = juce::File::getCurrentWorkingDirectory().getChildFile (inPath);
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (inFile));
        if (reader == nullptr)
            return failWith ("cannot read audio from " + inFile.getFullPathName());
        rate = reader->sampleRate;
        input.setSize (int (juce::jmax (1u, reader->numChannels)), int (reader->lengthInSamples));
        reader->read (&input, 0, input.getNumSamples(), 0, true, true);
    }
    else
    {
        const auto seconds = options["seconds"].isEmpty() ? 10.0 : options["seconds"].getDoubleValue();
        if (rate <= 0 || seconds <= 0 || ! generate (signal, input, int (seconds * rate), rate))
            return failWith ("--signal must be sine, noise or count, with a positive --seconds and --rate");
    }

    const auto total =
        options["seconds"].isEmpty() ? input.getNumSamples() : int (options["seconds"].getDoubleValue() * rate);
    const auto outFile = juce::File::getCurrentWorkingDirectory().getChildFile (outPath);
    const auto stemsDir =
        stemsPath.isEmpty() ? juce::File() : juce::File::getCurrentWorkingDirectory().getChildFile (stemsPath);

    if (! outFile.getParentDirectory().isDirectory())
        return failWith ("no folder for " + outFile.getFullPathName());
    if (stemsPath.isNotEmpty() && ! stemsDir.isDirectory() && ! stemsDir.createDirectory())
        return failWith ("cannot make the stems folder " + stemsDir.getFullPathName());

    Work::MemorySystem::startEngineRuntime();
    if (Work::MemorySystem::startSampleMemory (768) == 0)
        return failWith ("no memory for recording");

    auto result = Work::renderPerformance (input, script.commands, blockSize, total, stemsPath.isNotEmpty());

    bool written = writeWav (outFile, result.output, rate);
    for (std::size_t c = 0; c < result.stems.size() && written; ++c)
    {
        juce::AudioBuffer<float> stem (1, int (result.stems[c].size()));
        stem.copyFrom (0, 0, result.stems[c].data(), stem.getNumSamples());
        written = writeWav (stemsDir.getChildFile ("loop-channel-" + juce::String (c + 1) + ".wav"), stem, rate);
    }

    Work::MemorySystem::stopSampleMemory();
    Work::MemorySystem::stopEngineRuntime();
    return written ? 0 : failWith ("cannot write " + outFile.getFullPathName());
}
