#include "MainLoop.h"

namespace Work
{

MainLoop::MainLoop (MemorySystem::Allocator& memoryToUse, int input, int output, int channels) noexcept
    : GrowingLoop (memoryToUse, input, output, channels)
{
    createEmptyChain();
}

MainLoop* MainLoop::create (MemorySystem::Allocator& memory, int input, int output, int channels) noexcept
{
    return createIn<MainLoop> (memory, input, output, channels);
}

void MainLoop::stopRecording (std::uint32_t offset) noexcept
{
    stopping = true;
    const auto fade = std::uint32_t (GainRamp::fadeLength);
    const auto recorded = length();

    if (offset > fade)
    {
        tail = offset - fade;
        if (const auto r = (recorded + tail + fade) % lengthGrain; r != 0)
            tail = tail - r + lengthGrain;
        return;
    }

    tail = 0;

    if (const auto r = (recorded + fade) % lengthGrain; r != 0)
        tail = lengthGrain - r;
    else
        beginFadeOut();
}

void MainLoop::play (float* const* outputs, std::uint32_t position, Direction direction, std::uint32_t n,
                     ActivityMatrix* activity) noexcept
{
    handleMute();
    BaseLoop::play (outputs, position, direction, n, activity);
}

} // namespace Work
