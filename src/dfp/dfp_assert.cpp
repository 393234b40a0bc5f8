// The decimal library's assertion handler and version.
#include "dfp/dfp_assert.h"

#include <cstdio>
#include <cstdlib>

const char *DFP_Version()
{
    return "2.4.23";
}

void DFP_Assert(const char *condition, const char *path, int line)
{
    std::fprintf(stderr, "\nDFP_Assert: Assertion failed: <%s>, file <%s>, line <%d>.\nVudOze Version: %s\n",
                 condition, path, line, DFP_Version());
    std::fflush(stderr);
    // _Exit: other host threads may still be running decimal instructions; no exit handlers run.
    std::_Exit(-127);
}
