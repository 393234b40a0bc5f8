// Captures what the message sink writes: points the sink's output at a memory stream (with an
// empty print header) for the lifetime of the object.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/common.h"
#include "runtime/message.h"

class SinkCapture {
  public:
    SinkCapture()
    {
        RepeatCountFlush();
        saved_file_ = Quarn_Output_File;
        saved_flags_ = quarn_common.print_flags;
        file_ = open_memstream(&buffer_, &length_);
        Quarn_Output_File = file_;
        quarn_common.print_flags = 0;
    }
    ~SinkCapture()
    {
        RepeatCountFlush();
        Quarn_Output_File = saved_file_;
        quarn_common.print_flags = saved_flags_;
        fclose(file_);
        free(buffer_);
    }
    SinkCapture(const SinkCapture &) = delete;
    SinkCapture &operator=(const SinkCapture &) = delete;

    // Everything written so far.
    std::string text()
    {
        fflush(file_);
        return std::string(buffer_, length_);
    }
    // Everything written so far, split into lines without their newlines.
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
    FILE *saved_file_;
    int32_t saved_flags_;
    FILE *file_;
    char *buffer_ = nullptr;
    size_t length_ = 0;
};
