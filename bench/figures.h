// The benchmark's figures, each defined once, and the report printed from them: the markdown
// tables, the goals and the JSON file.
// Requires: the runs of each peer (peer_run.h). Does not: run anything.
#pragma once

#include "peer_run.h"

#include <cstdio>
#include <string>
#include <vector>

// Median, min and max of one figure over a peer's runs (or over all its frames).
struct Stat {
    int n = 0;
    double median = 0, min = 0, max = 0;
};

// The figures, in the order of the table in figures.cpp.
enum class Figure {
    FIRST_CORRECT,
    FIRST_WRONG,
    FIRST_FRAME,
    START_CPU,
    RSS,
    PSS,
    USS,
    IDLE_REDRAWS,
    IDLE_WAKEUPS,
    IDLE_CPU,
    RENDER,
    RENDER_BEFORE_OVERLAY,
    OVERLAY_PASS,
    OVERLAY_SHARE,
    EXPOSE_TO_PRESENT,
    COUNT
};

struct Summary {
    std::string name;
    int runs = 0, presented = 0, correct = 0, forced = 0;
    std::vector<Stat> stats; // one for each figure
    const Stat &operator[](Figure figure) const
    {
        return stats[static_cast<size_t>(figure)];
    }
};

Summary summarise(const std::string &name, const std::vector<Run> &runs);

// How long the idle figures were counted, for the headings.
struct ReportSettings {
    int runs = 0;
    double idle_settle = 0, idle = 0;
    int redraws = 0;
};

// Prints the tables and the goals to `out` and writes the JSON file. The summaries are, in
// order: the program, the bare SoQt viewer, ivview, the GLX floor, then any candidates.
// False where the JSON file can't be written.
bool report(const std::vector<Summary> &summaries, const ReportSettings &settings, FILE *out,
            const std::string &json_path);
