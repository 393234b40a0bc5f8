// Runs a guest program standalone in SIMPLE mode under the quarn binary named by QUARN_BIN (a
// script written to script_name loads and runs it, then quits) and returns everything it printed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::string run_quarn(const std::string &program, const std::string &script_name)
{
    std::ofstream script(script_name);
    script << "fconfigure stdout -buffering line\n"
              "define dup myrrin standalone\n"
              "standalone config standalone_app on\n"
              "standalone config memory_size 512M\n"
              "define machine standalone m1\n"
              "m1 load elf "
           << program << "\nm1 go\nm1 quit\n";
    script.close();
    const std::string command =
        std::string("timeout 120 ") + getenv("QUARN_BIN") + " -r -f " + script_name + " 2>&1 </dev/null";
    std::string text;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}
