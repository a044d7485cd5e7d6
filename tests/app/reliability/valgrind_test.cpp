// Memcheck of one start-and-close run of the viewer and of the failure path of the scene
// loading: no invalid reads or writes, no definite leaks outside tests/valgrind.supp.
#include "viewer_session.h"

#include <csignal>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>

namespace
{

std::string log_path(const std::string &what)
{
    return std::string(VALGRIND_LOG_DIR) + "/" + what + ".log";
}

std::vector<std::string> memcheck(const std::string &what)
{
    return {VALGRIND_PROGRAM,
            "--tool=memcheck",
            "--log-file=" + log_path(what),
            "--suppressions=" VALGRIND_SUPPRESSIONS,
            "--leak-check=full",
            "--show-leak-kinds=definite",
            "--errors-for-leak-kinds=definite",
            "--child-silent-after-fork=yes",
            "--num-callers=30",
            "-s",
            "--error-exitcode=99"};
}

std::string read_file(const std::string &path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The lines of the final summary that matter, and a verdict on the whole report.
void expect_clean_report(const std::string &what)
{
    std::string path = log_path(what);
    std::string report = read_file(path);
    ASSERT_FALSE(report.empty()) << "no valgrind report at " << path;
    std::smatch summary;
    ASSERT_TRUE(std::regex_search(report, summary, std::regex(R"(ERROR SUMMARY: (\d+) errors)")))
        << "valgrind's report at " << path << " has no error summary: it did not finish";
    for (const char *kind : {"Invalid read", "Invalid write", "Invalid free", "Mismatched free"})
        EXPECT_EQ(report.find(kind), std::string::npos) << kind << " in " << path;
    EXPECT_EQ(summary[1], "0") << "valgrind found errors; see " << path;
    std::smatch lost;
    if (std::regex_search(report, lost, std::regex(R"(definitely lost: [\d,]+ bytes in [\d,]+)")))
        std::cout << what << ": " << lost[0] << " blocks outside the suppressions, " << summary[0]
                  << std::endl;
}

class Valgrind : public ViewerSession
{
};

TEST_F(Valgrind, StartAndCloseOfTheViewer)
{
    // Software GL under valgrind: tens of seconds to the first frame.
    ASSERT_NO_FATAL_FAILURE(start(memcheck("start-and-close"), StandardOutput::CAPTURED, 180));
    expect_square("under-valgrind", 120);
    // The leak check of the whole heap comes after the window has gone.
    ASSERT_NO_FATAL_FAILURE(close_window(180));
    EXPECT_EQ(viewer->process.how_it_ended(), "exited with status 0")
        << "stderr: " << viewer->process.err();
    EXPECT_EQ(viewer->process.out(), "");
    expect_clean_report("start-and-close");
}

TEST_F(Valgrind, FailurePathOfTheSceneLoading)
{
    std::vector<std::string> argv = memcheck("failure-path");
    argv.push_back(UNREADABLE_SCENE_PROGRAM);
    Process program(argv, current_environment());
    ASSERT_TRUE(program.started());
    const std::string output = "Couldn't read scene\n\nEXITING WITH STATUS 1\n";
    bool banner = poll_until([&] { return program.out() == output || !program.running(); }, 120);
    ASSERT_TRUE(banner && program.running())
        << "the program " << program.how_it_ended() << "; stdout: " << program.out()
        << "; stderr: " << program.err();
    EXPECT_FALSE(program.wait(1)) << "the program ended instead of waiting";
    // SIGTERM ends the wait; valgrind still writes its report before the process goes.
    kill(program.pid(), SIGTERM);
    ASSERT_TRUE(program.wait(120)) << "still running 120 s after SIGTERM";
    EXPECT_EQ(program.signal(), SIGTERM) << program.how_it_ended();
    expect_clean_report("failure-path");
}

} // namespace
