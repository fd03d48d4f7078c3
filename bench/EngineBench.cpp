// The loop set playing back: Part::process for 8 loop channels with 1, 4, 8 and 16 loops each, at
// 32, 64 and 256 samples a block, and the whole looper block with 8 loops a channel, two of them
// overdubbing, beside a floor measured in the same run that adds the same number of float
// streams from plain arrays into the same outputs.
#include "RatioReporter.h"
#include "engine/DataMemory.h"
#include "engine/MemorySystem.h"
#include "engine/Part.h"
#include "engine/VarnoloLooper.h"

#include <memory>
#include <random>
#include <vector>

using namespace Work;

namespace
{
constexpr int numChannels = 8;
constexpr std::uint32_t mainLength = 48000;
constexpr std::uint32_t recordBlock = 64;

/** A loop set with loopsPerChannel loops on every loop channel, recorded the way a performance
    would leave them: in 64-sample blocks, so each chain holds one sample block per audio block. */
struct LoopSet
{
    explicit LoopSet (int loopsPerChannel, bool inLooper = false)
        : memory (heap)
    {
        if (! memory.reservePool (std::uint64_t (numChannels * loopsPerChannel + 1) * mainLength * 8 + (64u << 20)))
            return;

        if (inLooper)
        {
            looper = std::make_unique<VarnoloLooper> (memory, 1, numChannels, false);
            looper->setDevice (48000, 0, 0);
            part = &looper->getCurrentPart();
        }
        else
        {
            ownPart = std::make_unique<Part> (memory, 'A', 1, numChannels);
            part = ownPart.get();
        }
        std::mt19937 random (1);
        std::uniform_real_distribution<float> noise (-0.1f, 0.1f);
        input.resize (recordBlock);
        scratch.assign (numChannels, std::vector<float> (4096));
        for (auto& c : scratch)
            outputs.push_back (c.data());

        auto run = [&] (std::uint32_t samples) {
            for (std::uint32_t t = 0; t < samples; t += recordBlock)
            {
                for (auto& x : input)
                    x = noise (random);
                const float* in[] = { input.data() };
                part->process (in, outputs.data(), recordBlock, Direction::forwards);
            }
        };

        part->startMainLoop (0, 0, 1, 0);
        run (mainLength - 50 - 2);
        part->stopMainLoop (0);
        run (recordBlock * 4);

        for (int layer = 0; layer < loopsPerChannel; ++layer)
        {
            for (int c = 0; c < numChannels; ++c)
                if (layer > 0 || c > 0) // the main loop is channel 0's first loop
                    part->addLoop (0, c, 1, 0, LoopKind::wholeCycle, Direction::forwards);
            run (mainLength);
            for (int c = 0; c < numChannels; ++c)
                part->stopLoop (0, c, 0);
            run (recordBlock * 4);
        }
    }

    MemorySystem::SystemAllocator heap;
    MemorySystem::DataMemory memory;
    std::unique_ptr<VarnoloLooper> looper;
    std::unique_ptr<Part> ownPart;
    Part* part = nullptr;
    std::vector<float> input;
    std::vector<std::vector<float>> scratch;
    std::vector<float*> outputs;
};

void BM_Part (benchmark::State& state)
{
    LoopSet set (int (state.range (0)));
    if (set.part == nullptr)
    {
        state.SkipWithError ("no pool");
        return;
    }
    const auto n = std::uint32_t (state.range (1));
    std::vector<float> silence (n, 0.0f);
    const float* in[] = { silence.data() };

    for (auto _ : state)
    {
        set.part->process (in, set.outputs.data(), n, Direction::forwards);
        benchmark::ClobberMemory();
    }
    state.counters["loops"] = double (numChannels * state.range (0));
}

/** One block of the floor: every stream added into its channel. Kept out of line so an
    instruction profiler can count it per block like Part::process. */
[[gnu::noinline]] void addStreams (std::vector<std::vector<float>>& outputs, const std::vector<std::vector<float>>& loops,
                                   int loopsPerChannel, std::uint32_t position, std::uint32_t n)
{
    for (int c = 0; c < numChannels; ++c)
    {
        float* out = outputs[std::size_t (c)].data();
        for (int l = 0; l < loopsPerChannel; ++l)
        {
            const float* src = loops[std::size_t (c * loopsPerChannel + l)].data() + position;
            for (std::uint32_t j = 0; j < n; ++j)
                out[j] += src[j];
        }
    }
}

void BM_Floor (benchmark::State& state)
{
    const auto loopsPerChannel = int (state.range (0));
    const auto n = std::uint32_t (state.range (1));
    std::vector<std::vector<float>> loops (std::size_t (numChannels * loopsPerChannel), std::vector<float> (mainLength, 0.01f));
    std::vector<std::vector<float>> outputs (numChannels, std::vector<float> (n));
    std::uint32_t position = 0;

    for (auto _ : state)
    {
        addStreams (outputs, loops, loopsPerChannel, position, n);
        position = position + 2 * n < mainLength ? position + n : 0;
        benchmark::ClobberMemory();
    }
}

void configure (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "loopsPerChannel", "samples" });
    for (int loops : { 1, 4, 8, 16 })
        for (int samples : { 32, 64, 256 })
            b->Args ({ loops, samples });
    b->Repetitions (5)->ReportAggregatesOnly (true)->Unit (benchmark::kNanosecond);
}

// The whole looper block: commands, the loop set with two loops overdubbing, status, the mute
// and solo stage, for 8 loop channels of 8 loops each.
void BM_Looper (benchmark::State& state)
{
    LoopSet set (8, true);
    if (set.part == nullptr)
    {
        state.SkipWithError ("no pool");
        return;
    }
    const auto n = int (state.range (1));
    std::vector<float> sound (std::size_t (n), 0.05f);
    const float* in[] = { sound.data() };
    BlockInfo info { nullptr, 0, 48000.0f };

    set.looper->post ({ CommandCode::startStop, 0, 0, 0, 0 });
    set.looper->process (in, set.outputs.data(), n, &info);
    set.part->addLoop (0, 2, 1, 0, LoopKind::wholeCycle, Direction::forwards);
    set.part->addLoop (0, 5, 1, 0, LoopKind::wholeCycle, Direction::forwards);

    for (auto _ : state)
    {
        set.looper->process (in, set.outputs.data(), n, &info);
        benchmark::ClobberMemory();
    }
}

void configureLooper (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "loopsPerChannel", "samples" });
    for (int samples : { 32, 64, 256 })
        b->Args ({ 8, samples });
    b->Repetitions (5)->ReportAggregatesOnly (true)->Unit (benchmark::kNanosecond);
}

BENCHMARK (BM_Floor)->Apply (configure);
BENCHMARK (BM_Part)->Apply (configure);
BENCHMARK (BM_Looper)->Apply (configureLooper);

std::string floorFor (const std::string& name)
{
    return "BM_Floor" + name.substr (name.find ('/'));
}
} // namespace

int main (int argc, char** argv)
{
    // The looper's queues take their storage from the engine runtime, as in the program.
    MemorySystem::startEngineRuntime();
    const auto result = runWithRatios (argc, argv, floorFor);
    MemorySystem::stopEngineRuntime();
    return result;
}
