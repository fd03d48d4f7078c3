#pragma once

#include <vector>

namespace Work
{

/** Preallocated sample buffers that keep the audio thread free of allocation and give the
    engine fixed channel counts. Both are built and released on the message thread while no
    block runs; the audio thread only reads their pointers and writes into their buffers. */

/** The longest block the engine accepts; longer blocks are output as silence. */
constexpr int maxBlockSize = 4096;

/** One private buffer per looper output channel: the loop channels, before the mixer. */
class BufferPatch
{
public:
    /** [message] n zeroed buffers of maxBlockSize samples. */
    void allocate (int n);
    void release();

    [[nodiscard]] int getNumChannels() const noexcept { return int (pointers.size()); }
    [[nodiscard]] float* const* getPointers() noexcept { return pointers.data(); }

    /** [audio] Zeroes the first n samples of every buffer. */
    void clear (int n) noexcept;

private:
    std::vector<std::vector<float>> buffers;
    std::vector<float*> pointers;
};

/** Between the device and the engine: a silent buffer for every engine input the device lacks,
    a scratch buffer for every engine output it lacks. */
class IOPatch
{
public:
    /** [message] Buffers for numInputs engine inputs and numOutputs engine outputs. */
    void prepare (int numInputs, int numOutputs);
    void release();

    [[nodiscard]] int getNumInputs() const noexcept { return int (inputPointers.size()); }
    [[nodiscard]] int getNumOutputs() const noexcept { return int (outputPointers.size()); }

    /** [audio] Engine input i: device input i when the device has it, else silence. */
    const float* const* mapInputs (const float* const* deviceInputs, int numDeviceInputs) noexcept;

    /** [audio] Engine output i: device output i when the device has it, else a scratch buffer
        cleared for this block. */
    float* const* mapOutputs (float* const* deviceOutputs, int numDeviceOutputs, int numSamples) noexcept;

private:
    std::vector<std::vector<float>> silentInputs, scratchOutputs;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
};

} // namespace Work
