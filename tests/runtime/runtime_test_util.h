// Helpers of the runtime tests: resetting the process-wide options (the sink capture is shared).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/common.h"
#include "runtime/message.h"
#include "support/sink_capture.h"

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

