// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

// varnolo-render: runs a scripted performance through the real engine, without a device, and
// writes what it gives as WAV files. See --help, and the README for the script format.
#include "OfflineRenderer.h"
#include "RenderScript.h"
#include "RenderSessions.h"
#include "audio/BufferPatch.h"
#include "audio/MainAudio.h"
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
    "usage: varnolo-render --script FILE --out FILE (--in FILE | --signal sine|noise|count) [options]\n"
    "\n"
    "  --script FILE             the performance: one command a line, <sample> <command> [fields]\n"
    "  --out FILE                the stereo output, a 32-bit WAV file\n"
    "  --in FILE                 the input: its first two channels feed the engine's two inputs\n"
    "  --signal KIND             a generated input instead: sine (220 Hz), noise, or count\n"
    "  --seconds S               the output's length (default: the input's, or 10 s of signal)\n"
    "  --rate R                  the sample rate of a generated input (default 48000)\n"
    "  --block N                 the block size, 1 to 4096 (default 256)\n"
    "  --stems DIR               also each loop channel before the mixer, loop-channel-N.wav\n"
    "  --input-latency N         the input latency the device reports, in samples (default 0)\n"
    "  --output-latency N        the output latency the device reports, in samples (default 0)\n"
    "  --latency-offset-ms N     the latency offset option, 0 to 25 ms (default 0)\n"
    "  --pool-mb N               the sample memory, 1 to 4096 MB (default 256)\n"
    "  --cursors N               record cursors, 1 or 2 (default 1)\n"
    "  --status FILE             the looper's status after every block, one line a block\n"
    "  --session DIR             start from the session saved in DIR\n"
    "  --save-session DIR        save the performance as it stands after the last block to DIR\n"
    "  --bus-effect URI          an LV2 plug-in on the output bus\n"
    "  --param SYMBOL=VALUE      one of its controls (may be given again)\n"
    "  --bypass 0|1              the effect bypassed (default 0)\n"
    "  --help                    this text\n";

/** The options the tool knows; every one takes a value. */
const juce::StringArray knownOptions { "script",
                                       "out",
                                       "in",
                                       "signal",
                                       "seconds",
                                       "rate",
                                       "block",
                                       "stems",
                                       "input-latency",
                                       "output-latency",
                                       "latency-offset-ms",
                                       "pool-mb",
                                       "cursors",
                                       "status",
                                       "session",
                                       "save-session",
                                       "bus-effect",
                                       "param",
                                       "bypass" };

/** A whole number option within [lowest, highest], or fallback when absent; false when given
    but not such a number. */
bool wholeNumber (const juce::StringPairArray& options, const char* name, int lowest, int highest, int fallback, int& value)
{
    const auto text = options[name];
    if (text.isEmpty())
    {
        value = fallback;
        return true;
    }
    if (! text.containsOnly ("0123456789") || text.length() > 9)
        return false;
    value = text.getIntValue();
    return value >= lowest && value <= highest;
}

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

/** One status line: the block's first sample, then the looper's state as name=value pairs. */
juce::String statusLine (std::int64_t sample, const Work::LooperState& s)
{
    const auto hex = [] (std::uint32_t mask) { return "0x" + juce::String::toHexString ((juce::int64)mask); };
    juce::String sources;
    for (int bus = 0; bus < 8; ++bus)
        sources << (bus == 0 ? "" : ",") << hex (s.sources[std::size_t (bus)]);

    return juce::String (sample) + " playing=" + juce::String (int (s.playing))
           + " reversed=" + juce::String (int (s.reversed)) + " main=" + juce::String (int (s.hasMainLoop))
           + " angle=" + juce::String (s.cycleAngle) + " cycle=" + juce::String (s.cycleNumber)
           + " multiplier=" + juce::String (s.multiplier) + " add=" + juce::String (s.addAmount)
           + " recin=" + hex (s.recordingInputs) + " recout=" + hex (s.recordingOutputs) + " muted=" + hex (s.muted)
           + " soloed=" + hex (s.soloed) + " tomain=" + hex (s.toMain) + " undo=" + juce::String (int (s.canUndo))
           + " redo=" + juce::String (int (s.canRedo)) + " next=" + juce::String (int (s.nextLoop)) + " memory="
           + juce::String (s.megabytesUsed) + "/" + juce::String (s.megabytesFree) + " sources=" + sources + "\n";
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
    juce::StringPairArray options;
    juce::StringArray params;

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg (argv[i]);
        if (arg == "--help")
        {
            std::printf ("%s", usage);
            return 0;
        }
        if (! arg.startsWith ("--") || ! knownOptions.contains (arg.substring (2)))
            return failWith ("unknown option '" + arg + "'\n" + usage);
        if (i + 1 >= argc)
            return failWith (arg + " needs a value\n" + usage);
        if (arg == "--param")
            params.add (argv[++i]);
        else
            options.set (arg.substring (2), argv[++i]);
    }

    const auto scriptPath = options["script"], outPath = options["out"], inPath = options["in"];
    const auto signal = options["signal"], stemsPath = options["stems"], statusPath = options["status"];

    if (scriptPath.isEmpty() || outPath.isEmpty() || (inPath.isEmpty() == signal.isEmpty()))
        return failWith (usage);

    Work::RenderSettings settings;
    int poolMb = 0;
    if (! wholeNumber (options, "block", 1, Work::maxBlockSize, 256, settings.blockSize))
        return failWith ("--block must be between 1 and " + juce::String (Work::maxBlockSize));
    if (! wholeNumber (options, "input-latency", 0, 1 << 20, 0, settings.inputLatency)
        || ! wholeNumber (options, "output-latency", 0, 1 << 20, 0, settings.outputLatency))
        return failWith ("the latencies must be whole numbers of samples, 0 to 1048576");
    if (! wholeNumber (options, "latency-offset-ms", 0, 25, 0, settings.latencyOffsetMs))
        return failWith ("--latency-offset-ms must be between 0 and 25");
    if (! wholeNumber (options, "pool-mb", 1, 4096, 256, poolMb))
        return failWith ("--pool-mb must be between 1 and 4096");
    if (! wholeNumber (options, "cursors", 1, 2, 1, settings.cursors))
        return failWith ("--cursors must be 1 or 2");

    if (options["seconds"].isNotEmpty() && ! (options["seconds"].getDoubleValue() > 0.0))
        return failWith ("--seconds must be a positive number");

    juce::ScopedJuceInitialiser_GUI juce;
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
        if (rate < 1000 || rate > 768000 || seconds <= 0 || ! generate (signal, input, int (seconds * rate), rate))
            return failWith ("--signal must be sine, noise or count, with a positive --seconds and a --rate of "
                             "1000 to 768000");
    }

    settings.sampleRate = rate;
    settings.totalSamples =
        options["seconds"].isEmpty() ? input.getNumSamples() : int (options["seconds"].getDoubleValue() * rate);
    settings.keepStems = stemsPath.isNotEmpty();
    const auto here = juce::File::getCurrentWorkingDirectory();
    const auto outFile = here.getChildFile (outPath);
    const auto stemsDir = stemsPath.isEmpty() ? juce::File() : here.getChildFile (stemsPath);

    if (! outFile.getParentDirectory().isDirectory())
        return failWith ("no folder for " + outFile.getFullPathName());
    if (stemsPath.isNotEmpty() && ! stemsDir.isDirectory() && ! stemsDir.createDirectory())
        return failWith ("cannot make the stems folder " + stemsDir.getFullPathName());

    std::unique_ptr<juce::FileOutputStream> status;
    if (statusPath.isNotEmpty())
    {
        const auto statusFile = here.getChildFile (statusPath);
        statusFile.deleteFile();
        status = statusFile.createOutputStream();
        if (status == nullptr)
            return failWith ("cannot write " + statusFile.getFullPathName());
        settings.onStatus = [&status] (std::int64_t sample, const Work::LooperState& state) {
            status->writeText (statusLine (sample, state), false, false, nullptr);
        };
    }

    if (options["session"].isNotEmpty())
        settings.atStart = [folder = here.getChildFile (options["session"]), rate] (Work::MainAudio& engine) {
            return Work::RenderSessions::open (engine, folder, int (rate));
        };
    if (options["save-session"].isNotEmpty())
        settings.atEnd = [folder = here.getChildFile (options["save-session"]), rate] (Work::MainAudio& engine) {
            return Work::RenderSessions::save (engine, folder, int (rate));
        };

    // A bus effect, made before the performance and put on the bus at its start.
    std::shared_ptr<std::unique_ptr<Work::Lv2Effect>> effect;
    if (const auto uri = options["bus-effect"]; uri.isNotEmpty())
    {
        std::string error;
        effect = std::make_shared<std::unique_ptr<Work::Lv2Effect>> (
            Work::Lv2Effect::create (uri.toStdString(), rate, Work::maxBlockSize, error));
        if (*effect == nullptr)
            return failWith (juce::String::fromUTF8 (error.c_str()));

        for (const auto& param : params)
        {
            const auto symbol = param.upToFirstOccurrenceOf ("=", false, false);
            const auto valueText = param.fromFirstOccurrenceOf ("=", false, false).trim();
            const auto control = (*effect)->findControl (symbol.toStdString());
            if (control < 0 || ! param.contains ("=") || valueText.isEmpty() || ! valueText.containsOnly ("0123456789.-+eE"))
                return failWith ("--param " + param + ": the effect has no control " + symbol
                                 + ", or the value is not a number");
            (*effect)->setControl (control, valueText.getFloatValue());
        }

        if (const auto bypass = options["bypass"]; bypass.isNotEmpty() && bypass != "0" && bypass != "1")
            return failWith ("--bypass must be 0 or 1");
        (*effect)->setBypassed (options["bypass"] == "1");

        settings.atStart = [effect, before = settings.atStart] (Work::MainAudio& engine) {
            if (before)
                if (const auto error = before (engine); error.isNotEmpty())
                    return error;
            engine.busEffects = Work::BusEffectChain::holding (std::move (*effect));
            return juce::String();
        };
    }
    else if (! params.isEmpty() || options["bypass"].isNotEmpty())
    {
        return failWith ("--param and --bypass need --bus-effect");
    }

    Work::MemorySystem::startEngineRuntime();
    if (Work::MemorySystem::startSampleMemoryOf (std::uint32_t (poolMb)) == 0)
        return failWith ("no memory for recording");

    auto result = Work::renderPerformance (input, script.commands, settings);
    if (result.error.isNotEmpty())
    {
        Work::MemorySystem::stopSampleMemory();
        Work::MemorySystem::stopEngineRuntime();
        return failWith (result.error);
    }

    bool written = writeWav (outFile, result.output, rate) && (status == nullptr || status->getStatus().wasOk());
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
