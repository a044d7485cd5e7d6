// The viewer's ordinary run with a standard output that can't take anything.
//
// On this path the program writes nothing to stdout, so none of these faults is ever met:
// - closed: descriptor 1 is free, and the next descriptor the program opens takes it;
//   nothing is written there, and the run is as usual.
// - /dev/full: a write would fail with ENOSPC; none is made.
// - a pipe whose reader has gone: a write would raise SIGPIPE, which only the console
//   layer ignores and only once it has opened; none is made, so nothing ends the process.
// Each run shows the square and ends with status 0 and an empty stderr when closed.
#include "viewer_session.h"

namespace
{

class OutputFaults : public ViewerSession
{
  protected:
    void run_with(StandardOutput output, const std::string &what)
    {
        SCOPED_TRACE(what);
        ASSERT_NO_FATAL_FAILURE(start({}, output));
        expect_square(what);
        ASSERT_NO_FATAL_FAILURE(close_window());
        EXPECT_EQ(viewer->process.how_it_ended(), "exited with status 0");
        EXPECT_EQ(viewer->process.err(), "");
    }
};

TEST_F(OutputFaults, StdoutClosed)
{
    run_with(StandardOutput::CLOSED, "stdout-closed");
}

TEST_F(OutputFaults, StdoutOnDevFull)
{
    run_with(StandardOutput::FULL_DEVICE, "stdout-full");
}

TEST_F(OutputFaults, StdoutPipeWithoutReader)
{
    run_with(StandardOutput::PIPE_WITHOUT_READER, "stdout-no-reader");
}

} // namespace
