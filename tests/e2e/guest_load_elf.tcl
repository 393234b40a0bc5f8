fconfigure stdout -buffering line
# The cross-compiled guest programs loaded on thread 0 of processor 0: the big-endian first-ABI
# program starts at the first word of its entry's function descriptor with the descriptor's TOC
# in GPR2 and the stack 112 bytes below 64M; the little-endian second-ABI program starts at its
# entry with the entry in GPR12, the stack 32 bytes below 64M and MSR[LE] set.
file copy -force $env(QUARN_GUEST_DIR)/elf_be64 prog
file copy -force $env(QUARN_GUEST_DIR)/elf_le64 prog_le
define machine myrrin mysim
mysim load elf prog
mysim load elf prog_le -noreset
puts [catch {mysim load elf missing}]
puts [catch {mysim load elf}]
mysim quit
