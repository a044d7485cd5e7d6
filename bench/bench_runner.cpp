// Benchmark driver: runs each peer under the frame probe, side by side, and reports.
// Requires: DISPLAY set to a private X server, the probe library and the peer programs
// (see usage()). Does not: start or stop the X server, or build anything.
//
// Rounds rotate the order of the peers so that no peer always runs first. What one run
// measures is in peer_run.h; the figures and the report, in figures.h.
#include "figures.h"
#include "peer_run.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <string>
#include <utility>
#include <vector>

namespace
{

struct Options {
    RunSettings run;
    std::string program, bare, floor, ivview = "ivview", scene, json;
    std::vector<std::pair<std::string, std::string>> candidates; // name, program
    int runs = 10;
};

void usage(void)
{
    fprintf(stderr, "usage: bench-runner --probe SO --program EXE --bare EXE --floor EXE "
                    "--scene IV --json FILE [--ivview EXE] [--runs N] [--idle S] "
                    "[--settle S] [--redraws N] [--candidate NAME=EXE]...\n"
                    "A candidate is a variant of the program, measured as one more peer.\n");
    exit(2);
}

Options parse(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; i++) {
        std::string key = argv[i];
        if (i + 1 >= argc)
            usage();
        std::string value = argv[++i];
        if (key == "--probe")
            o.run.probe = value;
        else if (key == "--program")
            o.program = value;
        else if (key == "--bare")
            o.bare = value;
        else if (key == "--floor")
            o.floor = value;
        else if (key == "--ivview")
            o.ivview = value;
        else if (key == "--scene")
            o.scene = value;
        else if (key == "--json")
            o.json = value;
        else if (key == "--runs")
            o.runs = atoi(value.c_str());
        else if (key == "--idle")
            o.run.idle = atof(value.c_str());
        else if (key == "--settle")
            o.run.settle = atof(value.c_str());
        else if (key == "--redraws")
            o.run.redraws = atoi(value.c_str());
        else if (key == "--candidate" && value.find('=') != std::string::npos)
            o.candidates.push_back(
                {value.substr(0, value.find('=')), value.substr(value.find('=') + 1)});
        else
            usage();
    }
    if (o.run.probe.empty() || o.program.empty() || o.bare.empty() || o.floor.empty() ||
        o.scene.empty() || o.json.empty() || o.runs < 1)
        usage();
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    Options options = parse(argc, argv);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "bench-runner: cannot open the display\n");
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);
    XSetErrorHandler(note_x_error);

    std::vector<Peer> peers = {
        {"overlay-plane", {options.program}},
        {"bare SoQt viewer", {options.bare}},
        {"ivview", {options.ivview, options.scene}},
        {"GLX floor", {options.floor}},
    };
    for (const auto &candidate : options.candidates)
        peers.push_back({candidate.first, {candidate.second}});
    std::vector<std::vector<Run>> runs(peers.size());
    for (int round = 0; round < options.runs; round++) {
        for (size_t k = 0; k < peers.size(); k++) {
            size_t p = (k + round) % peers.size();
            runs[p].push_back(run_once(peers[p], options.run, display));
            const Run &r = runs[p].back();
            fprintf(stderr, "bench: round %d/%d  %-18s first frame %7.1f ms%s  idle frames %d",
                    round + 1, options.runs, peers[p].name.c_str(), r.first_frame_ms,
                    r.correct ? " correct" : (r.presented ? " WRONG" : " none"), r.idle_frames);
            if (r.idle_frames > 0)
                fprintf(stderr, " (first at %.1f ms)", r.first_idle_frame_ms);
            fprintf(stderr, "  wake-ups %ld  redraws %d/%d\n", r.idle_wakeups, r.forced,
                    options.run.redraws);
        }
    }
    XCloseDisplay(display);

    std::vector<Summary> summaries;
    for (size_t p = 0; p < peers.size(); p++)
        summaries.push_back(summarise(peers[p].name, runs[p]));
    ReportSettings settings{options.runs, options.run.idle_settle, options.run.idle,
                            options.run.redraws};
    if (!report(summaries, settings, stdout, options.json)) {
        fprintf(stderr, "bench-runner: cannot write %s\n", options.json.c_str());
        return 1;
    }
    printf("\nbench: figures written to %s\n", options.json.c_str());
    return 0;
}
