#include "support/file_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace vandlor2 {
namespace {

TEST(ReportFile, IsCreatedAsAnyProgramCreatesAFile) {
    // With the permissions the umask leaves of rw-rw-rw-, even as descriptor 0 when standard
    // input is closed.
    const std::string name = ::testing::TempDir() + "report_created.rpt";
    std::remove(name.c_str());
    const mode_t umask_now = ::umask(022);
    ::umask(umask_now);
    const int standard_input = ::dup(0);
    ::close(0);
    NativeFile file;
    const bool opened = !file.open_for_writing(name);
    const bool open_as_0 = file.is_open() && file.handle() == 0;
    (void)file.close();  // before standard input comes back as descriptor 0
    ::dup2(standard_input, 0);
    ::close(standard_input);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(open_as_0);
    struct stat status {};
    ASSERT_EQ(::stat(name.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~umask_now);
    std::remove(name.c_str());
}

TEST(ReportFile, IsOpenUntilClosedOrDestroyed) {
    const std::string name = ::testing::TempDir() + "report_open.rpt";
    int descriptor = -1;
    {
        NativeFile file;
        EXPECT_FALSE(file.is_open());
        ASSERT_FALSE(file.open_for_writing(name));
        EXPECT_TRUE(file.is_open());
        EXPECT_FALSE(file.close());
        EXPECT_FALSE(file.is_open());
        ASSERT_FALSE(file.open_for_writing(name));
        descriptor = static_cast<int>(file.handle());
        // Not handed down to any program started meanwhile.
        EXPECT_NE(::fcntl(descriptor, F_GETFD) & FD_CLOEXEC, 0);
    }
    // The descriptor went back to the system with the file, not leaked.
    EXPECT_EQ(::fcntl(descriptor, F_GETFD), -1);
    // A close that fails is reported, and the file counts as closed.
    NativeFile file;
    ASSERT_FALSE(file.open_for_writing(name));
    ::close(static_cast<int>(file.handle()));  // behind its back, so that its own close fails
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(file.is_open());
    std::remove(name.c_str());
}

TEST(ReportFile, ReceivesEveryWriteWholeAndInOrder) {
    // Writes that fit the file buffer, one that overflows it, one larger than it, and bytes
    // put one at a time, more than it holds; on Windows each line feed goes out as CR LF.
    const std::vector<std::string> writes = {"a\nb", std::string(40000, 'c') + "\n",
                                             std::string(60000, 'd'), std::string(200000, 'e')};
    for (const bool crlf : {false, true}) {
        const std::string name = ::testing::TempDir() + "report_file.rpt";
        NativeFile file;
        ASSERT_FALSE(file.open_for_writing(name));
        std::string expected;
        {
            FileOutputBuffer buffer(file, crlf);
            std::ostream report(&buffer);
            for (const std::string& text : writes) {
                report.write(text.data(), static_cast<std::streamsize>(text.size()));
                expected += text;
            }
            report.put('f').put('\n');
            expected += "f\n";
            for (int i = 0; i < 70000; ++i) {  // more than the buffer holds, a byte at a time
                report.put(static_cast<char>('a' + i % 26));
                expected += static_cast<char>('a' + i % 26);
            }
            report.flush();
            EXPECT_TRUE(report.good());
        }
        ASSERT_FALSE(file.close());
        if (crlf) {
            for (std::size_t at = expected.find('\n'); at != std::string::npos;
                 at = expected.find('\n', at + 2)) {
                expected.insert(at, "\r");
            }
        }
        std::ifstream written_file(name, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written_file), {}), expected)
            << (crlf ? "CR LF" : "LF");
        std::remove(name.c_str());
    }
}

TEST(ReportFile, TakesNothingMoreAfterAFailedWrite) {
    const std::string name = ::testing::TempDir() + "report_file_read_only.rpt";
    std::ofstream(name, std::ios::binary) << "old";
    NativeFile file;
    ASSERT_FALSE(file.open_for_reading(name));  // so every write fails
    FileOutputBuffer buffer(file, false);
    // Larger than any buffer the file may be given.
    constexpr std::streamsize kLarge = std::streamsize{1} << 20;
    const std::string large(static_cast<std::size_t>(kLarge), 'x');
    EXPECT_EQ(buffer.sputn(large.data(), kLarge), 0);
    EXPECT_TRUE(buffer.fault());
    EXPECT_EQ(buffer.sputn(large.data(), kLarge), 0);  // not taken as written
    EXPECT_EQ(buffer.sputn("y", 1), 1);                // room in the buffer, never written
    EXPECT_EQ(buffer.pubsync(), -1);
    // A byte at a time, put or written: refused once the buffer is full, whatever its size.
    constexpr std::size_t kBound = std::size_t{1} << 26;
    std::size_t taken = 0;
    while (taken < kBound && buffer.sputc('z') != EOF) ++taken;
    EXPECT_LT(taken, kBound);
    taken = 0;
    while (taken < kBound && buffer.sputn("z", 1) == 1) ++taken;
    EXPECT_LT(taken, kBound);
    (void)file.close();
    std::ifstream kept(name, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");
    std::remove(name.c_str());
}

}  // namespace
}  // namespace vandlor2
