// The simulator's version texts: component versions with the build time, and the source-control
// identity of the build.
#pragma once

// The component version lines, then "Built: <time> <date>" unless in regression mode (a static
// buffer).
const char *get_quarn_version(void);
// "Git_Commit_Date: ...", "Git_Branch: ...", "Git_Tag: ...", "Git_SHA1_Hash: ..." lines; empty in
// regression mode (a static buffer).
const char *get_quarn_version_repo(void);
