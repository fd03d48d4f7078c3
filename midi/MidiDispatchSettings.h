#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

namespace Work
{

/** The two process-wide values the MIDI dispatcher reads on the MIDI input thread.

    The settings model writes them on the message thread whenever its options change;
    each is one lock-free word with a single writer, and the dispatcher only needs the
    latest value, so relaxed ordering is enough.
*/
struct MidiDispatchSettings
{
    /** Repeat suppression interval in milliseconds; negative switches it off. */
    static inline std::atomic<std::int64_t> repeatInterval { -1 };

    /** When false, controller messages always flip on/off controls, whatever their value. */
    static inline std::atomic<bool> toggleByValueEnabled { true };

    static constexpr int numRepeatIntervalChoices = 21;

    /** The interval of repeat-filter choice index (0, "off", gives -1); nothing for an index out of range. */
    [[nodiscard]] static std::optional<std::int64_t> repeatIntervalForChoice (int index) noexcept;

    /** [message] Sets repeatInterval from a choice index; an index out of range changes nothing. */
    static void setRepeatIntervalChoice (int index) noexcept;

    static_assert (std::atomic<std::int64_t>::is_always_lock_free);
};

} // namespace Work
