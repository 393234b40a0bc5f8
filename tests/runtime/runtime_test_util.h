// Helpers of the runtime tests: resetting the process-wide options and capturing the sink.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/common.h"
#include "runtime/message.h"

// Puts every option variable back to its value at process start.
inline void reset_runtime_options()
{
    Quarn_Common_Init();
    quiet_mode = very_quiet_mode = very_very_quiet_mode = regress_mode = 0;
    time_limit = -1;
    useXterms = 1;
    useInline = 0;
    print_console_output = 1;
    sim_warning_level = 3;
    CheckIfDebuggerAttached = 0;
    CL_Option_enable_gui = 0;
    configuration_type = 1;
    configuration_smt_mode = 1;
    quarn_go = 1;
    machine_configuration = nullptr;
    quarn_initial_tcl_file_name = nullptr;
}

// Sends the sink's output to memory for the life of the object; the repeat state starts empty.
// Local to each test file: tests/support/sink_capture.h has a class of the same name, and the
// two must not meet in one executable as one class.
namespace
{
class SinkCapture
{
  public:
    SinkCapture()
    {
        FILE *discard = fopen("/dev/null", "w");
        Quarn_Output_File = discard;
        RepeatCountFlush();
        fclose(discard);
        stream_ = open_memstream(&buffer_, &size_);
        Quarn_Output_File = stream_;
    }
    ~SinkCapture()
    {
        Quarn_Output_File = stdout;
        fclose(stream_);
        free(buffer_);
    }
    SinkCapture(const SinkCapture &) = delete;
    SinkCapture &operator=(const SinkCapture &) = delete;

    std::string text()
    {
        fflush(stream_);
        return std::string(buffer_, size_);
    }
    std::vector<std::string> lines()
    {
        std::vector<std::string> result;
        std::string all = text();
        size_t start = 0;
        for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
            result.push_back(all.substr(start, end - start));
        if (start < all.size()) result.push_back(all.substr(start));
        return result;
    }

  private:
    char *buffer_ = nullptr;
    size_t size_ = 0;
    FILE *stream_ = nullptr;
};
} // namespace
