#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <vector>

namespace Work
{

/** Fans MIDI input out to a few receivers (the MIDI GUI manager, the MIDI log) and can withdraw
    them all at once: while disabled, no receiver is registered with the device manager, so no
    MIDI callback runs and shared tables can be changed safely. Disable scopes nest.
    [message] */
class MidiInputCallbackManager
{
public:
    /** A receiver: adds itself to its manager when made, removes itself when destroyed. */
    class MidiInputCallbackItem : public juce::MidiInputCallback
    {
    public:
        explicit MidiInputCallbackItem (MidiInputCallbackManager& manager);
        ~MidiInputCallbackItem() override;

        MidiInputCallbackManager& getInputManager() noexcept { return manager; }

    private:
        MidiInputCallbackManager& manager;
    };

    /** Withdraws MIDI input for its lifetime. */
    class ScopedDisable
    {
    public:
        explicit ScopedDisable (MidiInputCallbackManager& m)
            : manager (m)
        {
            manager.disable();
        }
        ~ScopedDisable() { manager.enable(); }
        ScopedDisable (const ScopedDisable&) = delete;
        ScopedDisable& operator= (const ScopedDisable&) = delete;

    private:
        MidiInputCallbackManager& manager;
    };

    MidiInputCallbackManager() = default;
    ~MidiInputCallbackManager();

    void addItem (MidiInputCallbackItem* item);
    void removeItem (MidiInputCallbackItem* item);
    void disable();
    void enable();

    /** The device manager whose MIDI inputs feed the receivers; null detaches. */
    void setDeviceManager (juce::AudioDeviceManager* manager);

    [[nodiscard]] bool isDisabled() const noexcept { return disableCount > 0; }
    [[nodiscard]] int getNumItems() const noexcept { return int (items.size()); }

private:
    void attach (MidiInputCallbackItem* item);
    void detach (MidiInputCallbackItem* item);

    juce::AudioDeviceManager* deviceManager = nullptr;
    std::vector<MidiInputCallbackItem*> items;
    int disableCount = 0;
};

} // namespace Work
