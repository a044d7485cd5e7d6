// The benchmark's figures and report. Each figure is one row of `figures` below: how it is
// taken from a run, what it is called in the tables and in the JSON, and where it is shown.
#include "figures.h"

#include <algorithm>

namespace
{

enum class Table { START_UP, REDRAW };

struct FigureInfo {
    Figure figure;
    const char *key;     // in the JSON file
    const char *heading; // in the tables
    const char *format;
    Table table;
    bool vs_floor; // a column of its median over the floor's follows it
    bool compared; // a row of each candidate's table
    void (*collect)(const Run &, std::vector<double> &);
};

void each_frame(const std::vector<double> &frames, std::vector<double> &values)
{
    values.insert(values.end(), frames.begin(), frames.end());
}

// The overlay pass of each frame that was split at its depth clear.
template <typename Of> void each_split_frame(const Run &run, std::vector<double> &values, Of of)
{
    if (run.base_ms.size() != run.render_ms.size())
        return;
    for (size_t i = 0; i < run.render_ms.size(); i++)
        values.push_back(of(run.render_ms[i], run.base_ms[i]));
}

const FigureInfo figures[] = {
    {Figure::FIRST_CORRECT, "first_correct_frame_ms", "first correct frame, ms", "%.0f",
     Table::START_UP, true, true,
     [](const Run &r, std::vector<double> &v) {
         if (r.correct)
             v.push_back(r.first_correct_ms);
     }},
    {Figure::FIRST_WRONG, "first_wrong_frame_ms", "first frame, where none was correct, ms", "%.0f",
     Table::START_UP, false, false,
     [](const Run &r, std::vector<double> &v) {
         if (!r.correct)
             v.push_back(r.first_frame_ms);
     }},
    {Figure::FIRST_FRAME, "first_frame_ms", "first frame, ms", "%.0f", Table::START_UP, false, true,
     [](const Run &r, std::vector<double> &v) { v.push_back(r.first_frame_ms); }},
    {Figure::START_CPU, "cpu_until_that_frame_ms", "CPU until it, ms", "%.0f", Table::START_UP,
     false, true, [](const Run &r, std::vector<double> &v) { v.push_back(r.cpu_ms); }},
    {Figure::RSS, "rss_mb", "RSS, MB", "%.1f", Table::START_UP, true, true,
     [](const Run &r, std::vector<double> &v) { v.push_back(r.rss_kb / 1024.0); }},
    {Figure::PSS, "pss_mb", "PSS, MB", "%.1f", Table::START_UP, false, true,
     [](const Run &r, std::vector<double> &v) { v.push_back(r.pss_kb / 1024.0); }},
    {Figure::USS, "uss_mb", "USS, MB", "%.1f", Table::START_UP, false, true,
     [](const Run &r, std::vector<double> &v) { v.push_back(r.uss_kb / 1024.0); }},
    {Figure::IDLE_REDRAWS, "idle_redraws", "idle redraws", "%.0f", Table::START_UP, false, false,
     [](const Run &r, std::vector<double> &v) { v.push_back(r.idle_frames); }},
    {Figure::IDLE_WAKEUPS, "idle_wakeups", "idle wake-ups", "%.0f", Table::START_UP, false, true,
     [](const Run &r, std::vector<double> &v) {
         v.push_back(static_cast<double>(r.idle_wakeups));
     }},
    {Figure::IDLE_CPU, "idle_cpu_ms", "idle CPU, ms", "%.1f", Table::START_UP, false, true,
     [](const Run &r, std::vector<double> &v) { v.push_back(r.idle_cpu_ms); }},
    {Figure::RENDER, "render_ms", "render", "%.3f", Table::REDRAW, false, true,
     [](const Run &r, std::vector<double> &v) { each_frame(r.render_ms, v); }},
    {Figure::RENDER_BEFORE_OVERLAY, "render_before_overlay_ms", "render without the overlay pass",
     "%.3f", Table::REDRAW, false, false,
     [](const Run &r, std::vector<double> &v) {
         each_split_frame(r, v, [](double, double base) { return base; });
     }},
    {Figure::OVERLAY_PASS, "overlay_pass_ms", "overlay pass", "%.3f", Table::REDRAW, false, false,
     [](const Run &r, std::vector<double> &v) {
         each_split_frame(r, v, [](double render, double base) { return render - base; });
     }},
    {Figure::OVERLAY_SHARE, "overlay_share_percent", "overlay share of render, %", "%.1f",
     Table::REDRAW, false, false,
     [](const Run &r, std::vector<double> &v) {
         each_split_frame(
             r, v, [](double render, double base) { return 100.0 * (render - base) / render; });
     }},
    {Figure::EXPOSE_TO_PRESENT, "expose_to_present_ms", "expose to present", "%.3f", Table::REDRAW,
     false, false, [](const Run &r, std::vector<double> &v) { each_frame(r.response_ms, v); }},
};
static_assert(sizeof figures / sizeof figures[0] == static_cast<size_t>(Figure::COUNT),
              "one row for each figure");

Stat stat_of(std::vector<double> values)
{
    Stat s;
    s.n = static_cast<int>(values.size());
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    size_t mid = values.size() / 2;
    s.median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    s.min = values.front();
    s.max = values.back();
    return s;
}

std::string cell(const Stat &s, const char *format)
{
    if (s.n == 0)
        return "-";
    char text[96];
    char layout[64];
    snprintf(layout, sizeof layout, "%s [%s..%s]", format, format, format);
    snprintf(text, sizeof text, layout, s.median, s.min, s.max);
    return text;
}

std::string ratio(const Stat &value, const Stat &floor)
{
    if (value.n == 0 || floor.n == 0 || floor.median <= 0)
        return "-";
    char text[32];
    snprintf(text, sizeof text, "%.2fx", value.median / floor.median);
    return text;
}

// The startup table's cell of a figure; the first correct frame says when none came.
std::string startup_cell(const Summary &s, const FigureInfo &info)
{
    if (info.figure != Figure::FIRST_CORRECT)
        return cell(s[info.figure], info.format);
    if (s.correct == 0)
        return "never (first frame wrong at " + cell(s[Figure::FIRST_WRONG], "%.0f") + ")";
    std::string text = cell(s[info.figure], info.format);
    if (s.correct < s.presented)
        text += " (" + std::to_string(s.correct) + "/" + std::to_string(s.presented) + " runs)";
    return text;
}

// What the overlay emulation costs, as a share of the program's own frame: the overlay pass
// where the program's frames split at its depth clear; else what its frame costs over the same
// square drawn as an ordinary scene by the bare SoQt viewer (overlay-plane clears the frame
// itself, so its overlay pass has no depth clear of its own to split at).
struct EmulationShare {
    bool known = false, split = false;
    double percent = 0;
};

EmulationShare emulation_share(const Summary &program, const Summary &bare)
{
    EmulationShare share;
    if (program[Figure::OVERLAY_SHARE].n > 0) {
        share = {true, true, program[Figure::OVERLAY_SHARE].median};
    } else if (program[Figure::RENDER].n > 0 && bare[Figure::RENDER].n > 0) {
        double frame = program[Figure::RENDER].median;
        share = {true, false, 100.0 * (frame - bare[Figure::RENDER].median) / frame};
    }
    return share;
}

struct Goal {
    const char *key, *what;
    bool met;
    std::string figures;
};

std::string printed(const char *format, double a, double b = 0)
{
    char text[160];
    snprintf(text, sizeof text, format, a, b);
    return text;
}

std::vector<Goal> goals_of(const std::vector<Summary> &s, const EmulationShare &share)
{
    const Summary &program = s[0], &iv = s[2], &floor = s[3];
    const Stat &correct = program[Figure::FIRST_CORRECT];
    bool ahead = correct.n > 0 && (iv[Figure::FIRST_CORRECT].n == 0 ||
                                   correct.median < iv[Figure::FIRST_CORRECT].median);
    double stretch = correct.n && floor[Figure::FIRST_CORRECT].n
                         ? correct.median / floor[Figure::FIRST_CORRECT].median
                         : 0;
    bool presented = program.presented > 0;
    return {
        {"ahead_of_ivview", "first correct frame ahead of ivview", ahead,
         printed("%.1f ms against %.1f ms", correct.median, iv[Figure::FIRST_CORRECT].median)},
        {"within_1_10_of_floor", "stretch, within 1.10x of the floor",
         stretch > 0 && stretch <= 1.10, printed("%.2fx", stretch)},
        {"rss_not_above_ivview", "RSS no higher than ivview's",
         presented && iv.presented > 0 && program[Figure::RSS].median <= iv[Figure::RSS].median,
         printed("%.1f MB against %.1f MB", program[Figure::RSS].median, iv[Figure::RSS].median)},
        {"zero_idle_redraws", "zero idle redraws",
         presented && program[Figure::IDLE_REDRAWS].max == 0,
         printed("at most %.0f in a run", program[Figure::IDLE_REDRAWS].max)},
        {"zero_idle_wakeups", "zero idle wake-ups",
         presented && program[Figure::IDLE_WAKEUPS].max == 0,
         printed("at most %.0f in a run", program[Figure::IDLE_WAKEUPS].max)},
        {"overlay_share_at_most_3_percent", "overlay emulation at most 3% of a frame",
         share.known && share.percent <= 3.0,
         printed("%.1f%% of the program's frame", share.percent)},
    };
}

void json_stat(FILE *f, const char *key, const Stat &s)
{
    if (s.n == 0)
        fprintf(f, "      \"%s\": null,\n", key);
    else
        fprintf(f, "      \"%s\": {\"n\": %d, \"median\": %.3f, \"min\": %.3f, \"max\": %.3f},\n",
                key, s.n, s.median, s.min, s.max);
}

bool write_json(const std::vector<Summary> &summaries, const ReportSettings &settings,
                const EmulationShare &share, const std::vector<Goal> &goals,
                const std::string &path)
{
    FILE *f = fopen(path.c_str(), "w");
    if (!f)
        return false;
    const Summary &floor = summaries[3];
    fprintf(f, "{\n  \"runs\": %d,\n  \"idle_seconds\": %.1f,\n  \"redraws_per_run\": %d,\n",
            settings.runs, settings.idle, settings.redraws);
    fprintf(f, "  \"peers\": [\n");
    for (size_t p = 0; p < summaries.size(); p++) {
        const Summary &s = summaries[p];
        fprintf(f, "    {\n      \"name\": \"%s\",\n", s.name.c_str());
        fprintf(f, "      \"runs_presented\": %d,\n      \"runs_correct\": %d,\n", s.presented,
                s.correct);
        for (const FigureInfo &info : figures)
            json_stat(f, info.key, s[info.figure]);
        for (const FigureInfo &info : figures)
            if (info.vs_floor)
                fprintf(f, "      \"%s_vs_floor\": %s,\n", info.key,
                        ratio(s[info.figure], floor[info.figure]) == "-"
                            ? "null"
                            : printed("%.3f", s[info.figure].median / floor[info.figure].median)
                                  .c_str());
        fprintf(f, "      \"redraws_forced\": %d\n    }%s\n", s.forced,
                p + 1 < summaries.size() ? "," : "");
    }
    fprintf(f, "  ],\n  \"emulation_share_percent\": %s,\n",
            share.known ? printed("%.1f", share.percent).c_str() : "null");
    fprintf(f, "  \"goals\": {\n");
    for (size_t g = 0; g < goals.size(); g++)
        fprintf(f, "    \"%s\": %s%s\n", goals[g].key, goals[g].met ? "true" : "false",
                g + 1 < goals.size() ? "," : "");
    fprintf(f, "  }\n}\n");
    return fclose(f) == 0;
}

} // namespace

Summary summarise(const std::string &name, const std::vector<Run> &runs)
{
    Summary s;
    s.name = name;
    s.runs = static_cast<int>(runs.size());
    std::vector<std::vector<double>> values(static_cast<size_t>(Figure::COUNT));
    for (const Run &run : runs) {
        if (!run.presented)
            continue;
        s.presented++;
        s.correct += run.correct;
        s.forced += run.forced;
        for (const FigureInfo &info : figures)
            info.collect(run, values[static_cast<size_t>(info.figure)]);
    }
    for (std::vector<double> &figure : values)
        s.stats.push_back(stat_of(std::move(figure)));
    return s;
}

bool report(const std::vector<Summary> &summaries, const ReportSettings &settings, FILE *out,
            const std::string &json_path)
{
    const Summary &program = summaries[0], &bare = summaries[1], &floor = summaries[3];

    fprintf(out,
            "\nStart-up, memory and idle cost: median [min..max] of %d runs each; idle redraws "
            "counted for %.1f s after the first correct frame, idle wake-ups and CPU for the last "
            "%.0f s of them\n\n|",
            settings.runs, settings.idle_settle + settings.idle, settings.idle);
    std::string rule = "|---|";
    fprintf(out, " peer |");
    for (const FigureInfo &info : figures) {
        if (info.table != Table::START_UP || info.figure == Figure::FIRST_WRONG)
            continue;
        fprintf(out, " %s |%s", info.heading, info.vs_floor ? " vs floor |" : "");
        rule += info.vs_floor ? "---|---|" : "---|";
    }
    fprintf(out, "\n%s\n", rule.c_str());
    for (const Summary &s : summaries) {
        fprintf(out, "| %s |", s.name.c_str());
        for (const FigureInfo &info : figures) {
            if (info.table != Table::START_UP || info.figure == Figure::FIRST_WRONG)
                continue;
            fprintf(out, " %s |", startup_cell(s, info).c_str());
            if (info.vs_floor)
                fprintf(out, " %s |", ratio(s[info.figure], floor[info.figure]).c_str());
        }
        fprintf(out, "\n");
    }

    // A candidate is the program as it was or might be: each one against the program, side by
    // side from the same rounds.
    for (size_t c = 4; c < summaries.size(); c++) {
        const Summary &other = summaries[c];
        fprintf(out, "\n%s against %s: medians of the same rounds, and %s over %s\n\n",
                program.name.c_str(), other.name.c_str(), program.name.c_str(), other.name.c_str());
        fprintf(out, "| figure | %s | %s | ratio |\n|---|---|---|---|\n", other.name.c_str(),
                program.name.c_str());
        for (const FigureInfo &info : figures)
            if (info.compared)
                fprintf(out, "| %s | %s | %s | %s |\n", info.heading,
                        cell(other[info.figure], info.format).c_str(),
                        cell(program[info.figure], info.format).c_str(),
                        ratio(program[info.figure], other[info.figure]).c_str());
    }

    fprintf(out, "\nForced redraws (synthetic Expose, one at a time), ms: median [min..max] over "
                 "all frames.\nRender: from the start of the paint to the present, in the program; "
                 "overlay pass: from its depth clear to the present.\n\n| peer | frames |");
    rule = "|---|---|";
    for (const FigureInfo &info : figures)
        if (info.table == Table::REDRAW) {
            fprintf(out, " %s |", info.heading);
            rule += "---|";
        }
    fprintf(out, "\n%s\n", rule.c_str());
    for (const Summary &s : summaries) {
        fprintf(out, "| %s | %d |", s.name.c_str(), s[Figure::RENDER].n);
        for (const FigureInfo &info : figures)
            if (info.table == Table::REDRAW)
                fprintf(out, " %s |", cell(s[info.figure], info.format).c_str());
        fprintf(out, "\n");
    }

    EmulationShare share = emulation_share(program, bare);
    if (share.known && share.split)
        fprintf(out, "\nThe overlay emulation: %.1f%% of the program's frame (its overlay pass).\n",
                share.percent);
    else if (share.known)
        fprintf(out,
                "\nThe overlay emulation: %.1f%% of the program's frame (%.3f ms), against the "
                "same square drawn as an ordinary scene by the bare SoQt viewer (%.3f ms).\n",
                share.percent, program[Figure::RENDER].median, bare[Figure::RENDER].median);

    std::vector<Goal> goals = goals_of(summaries, share);
    fprintf(out, "\nGoals\n\n");
    for (const Goal &goal : goals)
        fprintf(out, "- %s: %s (%s)\n", goal.what, goal.met ? "met" : "NOT met",
                goal.figures.c_str());
    return write_json(summaries, settings, share, goals, json_path);
}
