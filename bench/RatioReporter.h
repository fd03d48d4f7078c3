// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 the Varnolo developers

#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

/** Prints the usual console table, then each benchmark's time as a ratio of a baseline measured
    in the same run. A benchmark named "X/<args>" is compared with the baseline named by
    baselineFor ("X/<args>"); both must have run. */
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    using BaselineNamer = std::string (*) (const std::string& name);

    explicit RatioReporter (BaselineNamer namer)
        : baselineFor (namer)
    {
    }

    void ReportRuns (const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns (runs);
        // With repetitions the median stands for the benchmark; otherwise its single run does.
        for (auto& run : runs)
        {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (! median && run.run_type != Run::RT_Iteration)
                continue;
            const auto name = run.run_name.str();
            if (! times.count (name))
                order.push_back (name);
            if (median || run.repetitions <= 1)
                times[name] = run.GetAdjustedRealTime();
        }
    }

    /** Each benchmark against its baseline; another namer gives a second table. */
    void printRatios (BaselineNamer namer = nullptr, const char* title = "x baseline") const
    {
        const auto baselineOf = namer != nullptr ? namer : baselineFor;
        std::printf ("\n%-60s %10s\n", "benchmark", title);
        for (auto& name : order)
        {
            const auto baseline = baselineOf (name);
            if (baseline == name || ! times.count (baseline))
                continue;
            std::printf ("%-60s %10.2f\n", name.c_str(), times.at (name) / times.at (baseline));
        }
    }

private:
    BaselineNamer baselineFor;
    std::map<std::string, double> times;
    std::vector<std::string> order;
};

/** Runs every registered benchmark, then prints the ratios (against a second baseline too when
    one is named); the body of a benchmark's main. */
inline int runWithRatios (int argc, char** argv, RatioReporter::BaselineNamer baselineFor,
                          RatioReporter::BaselineNamer secondBaselineFor = nullptr, const char* secondTitle = nullptr)
{
    benchmark::Initialize (&argc, argv);
    RatioReporter reporter (baselineFor);
    benchmark::RunSpecifiedBenchmarks (&reporter);
    reporter.printRatios();
    if (secondBaselineFor != nullptr)
        reporter.printRatios (secondBaselineFor, secondTitle);
    benchmark::Shutdown();
    return 0;
}
