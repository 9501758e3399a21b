#include "platform/base/StopSignals.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

namespace {

bool Readable(int fd) {
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, 0) == 1;
}

// A caught signal leaves the process running: it is noted, and the loop's descriptor says so
// once per arrival.
TEST(StopSignals, ACaughtSignalIsNotedAndWakesTheLoopOncePerArrival) {
    ASSERT_TRUE(jv::stop::Catch({SIGTERM, SIGINT}));
    ASSERT_GE(jv::stop::Fd(), 0);
    EXPECT_FALSE(jv::stop::Requested());
    EXPECT_FALSE(Readable(jv::stop::Fd()));
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        raise(signal);
        EXPECT_TRUE(jv::stop::Requested());
        EXPECT_TRUE(Readable(jv::stop::Fd()));
        jv::stop::Drain();
        EXPECT_FALSE(Readable(jv::stop::Fd()));
        EXPECT_TRUE(jv::stop::Requested());
    }
    jv::stop::Reset();
    EXPECT_FALSE(jv::stop::Requested());
}

// A program started to outlive its terminal (nohup) is not ended by the hang-up; otherwise the
// hang-up stops it as SIGTERM does.
TEST(StopSignals, AHangUpStopsTheProgramUnlessItWasStartedToIgnoreIt) {
    signal(SIGHUP, SIG_IGN);
    ASSERT_TRUE(jv::stop::Catch({SIGHUP}));
    raise(SIGHUP);
    EXPECT_FALSE(jv::stop::Requested());
    signal(SIGHUP, SIG_DFL);
    ASSERT_TRUE(jv::stop::Catch({SIGHUP}));
    raise(SIGHUP);
    EXPECT_TRUE(jv::stop::Requested());
    jv::stop::Reset();
}

}  // namespace
