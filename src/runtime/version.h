// The simulator's version texts: the component versions with the build time, and the
// source-control identity of the build. Both texts leave out what changes from build to build in
// regression mode.
#pragma once

// One row of the component version table; id -1 ends the table.
struct quarn_version_entry {
    int id;
    const char *name;
    const char *format; // printf format receiving the three numbers
    int major, minor, patch;
};
extern const quarn_version_entry quarn_versions[];

// "<name> <version>\n" per component, then "Built: <time> <date>" (no newline) unless in
// regression mode. A static buffer that the next call overwrites.
const char *get_quarn_version(void);
// "Git_Commit_Date: ...\n", "Git_Branch: ...\n", "Git_Tag: ...\n", "Git_SHA1_Hash: ...\n"; empty in
// regression mode. A static buffer of its own that the next call overwrites.
const char *get_quarn_version_repo(void);
// The source-control record filled by the build: "$Date: <commit date>$", "$Branch: <branch>$",
// "$Tag: <release tag>$" and "$Hash: <commit hash>$".
extern const char *quarn_version_repo_texts[4];
