// Every test process works in a fresh directory of its own under the host's temporary directory
// ($TMPDIR, else /tmp), removed when the process ends. CTest runs the tests of one executable as
// separate processes in parallel; files they write under fixed names (a program image, a dump)
// would otherwise be overwritten by a sibling mid-test, and a test binary started from the source
// tree would leave its files there. The child that a death test starts anew (a re-executed test
// binary) stays in its parent's directory, which it inherits: it may die without cleaning up.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

namespace
{
bool death_test_child()
{
    std::ifstream in("/proc/self/cmdline");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return line.find("--gtest_internal_run_death_test") != std::string::npos;
}

struct ScratchDirectory {
    std::filesystem::path parent, own;
    pid_t owner = getpid();
    ScratchDirectory()
    {
        std::error_code ec;
        parent = std::filesystem::current_path(ec);
        if (ec || death_test_child()) return;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) return;
        std::string name = (base / "quarn-test-XXXXXX").string();
        if (!mkdtemp(name.data())) return;
        own = name;
        if (chdir(own.c_str()) != 0) {
            std::filesystem::remove_all(own, ec);
            own.clear();
        }
    }
    ~ScratchDirectory()
    {
        // A forked child (death tests) exits through here too: only the creating process cleans up.
        if (own.empty() || getpid() != owner) return;
        std::error_code ec;
        if (chdir(parent.c_str()) != 0 && chdir("/") != 0) return;
        std::filesystem::remove_all(own, ec);
    }
};
ScratchDirectory scratch;
} // namespace
