// Version texts: the component lines, the build line outside regression mode, the
// source-control lines and their cuts.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "runtime/common.h"
#include "runtime/version.h"

namespace
{

const std::string component_lines = "ERVIK Functional Simulator Version 1.0-2\n"
                                    "KEPL Keplarch Version 0.11\n"
                                    "OpenSSL_Built OpenSSL 1.0.0 29 Mar 2010\n";

struct RegressMode {
    explicit RegressMode(int on) : saved(regress_mode) { regress_mode = on; }
    ~RegressMode() { regress_mode = saved; }
    int saved;
};

TEST(Version, ComponentLinesThenTheBuildTimeOutsideRegressionMode)
{
    {
        RegressMode mode(1);
        EXPECT_EQ(get_quarn_version(), component_lines);
        EXPECT_STREQ(get_quarn_version_repo(), "");
    }
    RegressMode mode(0);
    std::string text = get_quarn_version();
    ASSERT_EQ(text.compare(0, component_lines.size(), component_lines), 0) << text;
    std::string built = text.substr(component_lines.size());
    EXPECT_TRUE(
        std::regex_match(built, std::regex("Built: \\d\\d:\\d\\d:\\d\\d [A-Z][a-z][a-z] [ 0-9]\\d \\d{4}")))
        << built;
}

TEST(Version, RepoLinesFromTheBuildFacts)
{
    RegressMode mode(0);
    std::string text = get_quarn_version_repo();
    std::regex lines("Git_Commit_Date: [^\n$]+\nGit_Branch: [^\n$]+\nGit_Tag: [^\n$]+\nGit_SHA1_Hash: "
                     "([0-9a-f]{40}|unknown)\n");
    EXPECT_TRUE(std::regex_match(text, lines)) << text;
}

TEST(Version, RepoTextsAreCutAtTheirFirstDollarOrTakenWhole)
{
    RegressMode mode(0);
    const char *saved[4];
    std::copy(quarn_version_repo_texts, quarn_version_repo_texts + 4, saved);
    std::string long_hash(250, 'a');
    std::string hash_text = "$Hash: " + long_hash; // no closing "$"
    const char *texts[4] = {"$Date: 2010/03/29 12:00:00 $ trailing", "$Branch: main$", "$Tag: Quarn.1$",
                            hash_text.c_str()};
    std::copy(texts, texts + 4, quarn_version_repo_texts);
    std::string text = get_quarn_version_repo();
    std::copy(saved, saved + 4, quarn_version_repo_texts);
    // The hash line is cut to 99 characters, which drops its newline.
    std::string hash_line = ("Git_SHA1_Hash: " + long_hash).substr(0, 99);
    EXPECT_EQ(text,
              "Git_Commit_Date: 2010/03/29 12:00:00 \nGit_Branch: main\nGit_Tag: Quarn.1\n" + hash_line);
}

} // namespace
