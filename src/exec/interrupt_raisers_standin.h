// Record of the calls the illegal-instruction stand-in received (for tests until the raiser exists).
#pragma once

struct IOPDesc;

struct IllegalInstructionStandinLog {
    long calls;
    IOPDesc *last_iop;
    const char *last_text;
};
extern IllegalInstructionStandinLog illegal_instruction_standin_log;
