// Every test process works in a directory of its own below the test area's working directory.
// CTest runs the tests of one executable as separate processes in parallel; files they write under
// fixed names (a program image, a dump) would otherwise be overwritten by a sibling mid-test.
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace
{
struct ScratchDirectory {
    std::filesystem::path parent, own;
    pid_t owner = getpid();
    ScratchDirectory()
    {
        std::error_code ec;
        parent = std::filesystem::current_path(ec);
        if (ec) return;
        own = parent / ("proc-" + std::to_string(getpid()));
        std::filesystem::create_directory(own, ec);
        if (ec || chdir(own.c_str()) != 0) own.clear();
    }
    ~ScratchDirectory()
    {
        // A forked child (death tests) exits through here too: only the creating process cleans up.
        if (own.empty() || getpid() != owner) return;
        std::error_code ec;
        if (chdir(parent.c_str()) == 0) std::filesystem::remove_all(own, ec);
    }
};
ScratchDirectory scratch;
} // namespace
