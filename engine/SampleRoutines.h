// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <cstddef>

/** Small sample routines used on the audio thread: fill, copy, block fades and levels.
    All are [any], noexcept and allocation-free. */
namespace Work::SampleRoutines
{

/** Fills bytes bytes at destination with zero. */
void zero (void* destination, std::size_t bytes) noexcept;

/** Copies bytes bytes; the ranges must not overlap. */
void copy (void* destination, const void* source, std::size_t bytes) noexcept;

/** Sample i of n is multiplied by i / n: the first becomes 0, the last (n - 1) / n. */
void fadeIn (float* samples, int n) noexcept;

/** Sample i of n is multiplied by (n - i) / n: the first stays, the last becomes 1 / n. */
void fadeOut (float* samples, int n) noexcept;

void fadeInChannels (float* const* channels, int numChannels, int n) noexcept;
void fadeOutChannels (float* const* channels, int numChannels, int n) noexcept;

/** Level in decibels; -100000 for anything below 0.000001. */
[[nodiscard]] float toDecibels (float x) noexcept;

/** Root mean square of n samples; 0 for n <= 0. */
[[nodiscard]] float rms (const float* samples, int n) noexcept;

/** Copies text into a fixed buffer of size bytes, zero-filled and always terminated;
    a text of size or more characters is cut at size - 1. */
void copyText (char* destination, std::size_t size, const char* text) noexcept;

} // namespace Work::SampleRoutines
