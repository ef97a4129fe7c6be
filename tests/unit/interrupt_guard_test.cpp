#include "support/interrupt_guard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

namespace vandlor2 {
namespace {

/// A report file holding a few bytes, open for writing, removed at the end.
class ReportFile {
  public:
    ReportFile() {
        std::string name = testing::TempDir() + "vandlor2-guard-XXXXXX";
        descriptor_ = mkstemp(name.data());
        name_ = name;
        if (descriptor_ >= 0 && write(descriptor_, "part of a report\n", 17) != 17) close_it();
    }
    ~ReportFile() {
        close_it();
        std::remove(name_.c_str());
    }
    int descriptor() const { return descriptor_; }
    long size() const {
        return descriptor_ < 0 ? -1 : static_cast<long>(lseek(descriptor_, 0, SEEK_END));
    }

  private:
    void close_it() {
        if (descriptor_ >= 0) close(descriptor_);
        descriptor_ = -1;
    }
    std::string name_;
    int descriptor_ = -1;
};

struct GuardedEnding {
    const char* name;
    void (*end)();
    int signal_number;
};

class InterruptGuardDeathTest : public testing::TestWithParam<GuardedEnding> {};

// Each ending, in a child process, while the report is armed: the child must end by the
// signal, and the report must be left empty.
TEST_P(InterruptGuardDeathTest, EmptiesTheReportAndEndsByTheSignal) {
    const ReportFile report;
    ASSERT_GT(report.size(), 0);
    EXPECT_EXIT(
        {
            interrupt_guard::arm(report.descriptor());
            GetParam().end();
        },
        testing::KilledBySignal(GetParam().signal_number), "");
    EXPECT_EQ(report.size(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, InterruptGuardDeathTest,
    testing::Values(GuardedEnding{"terminate", [] { std::terminate(); }, SIGABRT},
                    GuardedEnding{"uncaught_exception_on_a_thread",
                                  [] {
                                      std::thread([] {
                                          throw std::runtime_error("no one catches this");
                                      }).join();
                                  },
                                  SIGABRT},
                    // A fault on the thread that is writing must not wait for its own write.
                    GuardedEnding{"fault_in_a_write_section",
                                  [] {
                                      const ReportWriteSection section;
                                      raise(SIGSEGV);
                                  },
                                  SIGSEGV},
                    GuardedEnding{"quit", [] { raise(SIGQUIT); }, SIGQUIT},
                    GuardedEnding{"real_time_signal", [] { raise(SIGRTMAX); }, SIGRTMAX}),
    [](const testing::TestParamInfo<GuardedEnding>& info) { return info.param.name; });

TEST(InterruptGuardDeathTest, LeavesASignalIgnoredFromTheStartIgnored) {
    const ReportFile report;
    EXPECT_EXIT(
        {
            signal(SIGHUP, SIG_IGN);
            interrupt_guard::arm(report.descriptor());
            raise(SIGHUP);
            interrupt_guard::disarm();
            std::_Exit(3);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EQ(report.size(), 17);
}

}  // namespace
}  // namespace vandlor2
