fconfigure stdout -buffering line
# The cross-compiled guest programs run in SIMPLE mode, one instruction at a time: both byte orders
# execute instructions for the cycles asked.
file copy -force $env(QUARN_GUEST_DIR)/elf_be64 prog
file copy -force $env(QUARN_GUEST_DIR)/elf_le64 prog_le
foreach image {prog prog_le} {
    define machine myrrin mysim
    mysim load elf $image
    mysim cycle 2000
    set n [mysim display instruction_count]
    puts "$image [mysim display cycles] [expr {$n > 1000 && $n <= 2000}]"
    mysim quit
}
