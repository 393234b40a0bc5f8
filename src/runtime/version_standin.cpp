#include "runtime/version_standin.h"

#include <cstdio>
#include <cstring>

#include "runtime/common.h"
#include "runtime/utils.h"

// STAND-IN: the version module of the runtime is not built yet. The component rows and the build
// time are given; the build does not fill in the source-control texts, so they name nothing. Weak,
// so that the runtime's definitions replace these.

namespace
{

struct VersionRow {
    int id;
    const char *name;
    const char *format;
    int major, minor, patch;
};

constexpr VersionRow quarn_versions[] = {
    {0, "ERVIK Functional Simulator", "Version %d.%d-%d", 1, 0, 2},
    {4, "KEPL", "Keplarch Version %d.%d%d", 0, 1, 1},
    {5, "OpenSSL_Built", "OpenSSL 1.0.0 29 Mar 2010", -1, -1, -1},
    {-1, "Last-Entry", "", -1, -1, -1},
};

constexpr const char *repo_texts[] = {"$Date: unknown $", "$Branch: unknown $", "$Tag: unknown $",
                                      "$Hash: unknown $"};
constexpr const char *repo_formats[] = {"Git_Commit_Date: %s\n", "Git_Branch: %s\n", "Git_Tag: %s\n",
                                        "Git_SHA1_Hash: %s\n"};

} // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
#pragma GCC diagnostic ignored "-Wformat-truncation"
__attribute__((weak)) const char *get_quarn_version(void)
{
    static char buffer[4096];
    buffer[0] = '\0';
    for (const VersionRow &row : quarn_versions) {
        if (row.id == -1) break;
        char version[200], line[100];
        snprintf(version, sizeof version, row.format, row.major, row.minor, row.patch);
        snprintf(line, sizeof line, "%s %s\n", row.name, version);
        safe_strcat(buffer, line, sizeof buffer);
    }
    if (!regress_mode) {
        char line[100];
        snprintf(line, sizeof line, "Built: %s %s", __TIME__, __DATE__);
        safe_strcat(buffer, line, sizeof buffer);
    }
    return buffer;
}

__attribute__((weak)) const char *get_quarn_version_repo(void)
{
    static char buffer[4096];
    buffer[0] = '\0';
    if (regress_mode) return buffer;
    for (size_t i = 0; i < sizeof repo_texts / sizeof repo_texts[0]; i++) {
        const char *text = strchr(repo_texts[i], ' ');
        char value[200];
        snprintf(value, sizeof value, "%s", text ? text + 1 : "");
        if (char *end = strchr(value, '$')) *end = '\0';
        char line[100];
        snprintf(line, sizeof line, repo_formats[i], value);
        safe_strcat(buffer, line, sizeof buffer);
    }
    return buffer;
}
#pragma GCC diagnostic pop
