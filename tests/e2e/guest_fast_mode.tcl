# args: -o sim.log
fconfigure stdout -buffering line
# Whole-program comparison of SIMPLE and FAST (the fast interpreter): every standalone program of
# the guest corpus, big- and little-endian, runs once with "mode simple" and once with "mode fast".
# The simulator's output goes to sim.log; the script compares what each run added there (console
# output and stop message, without the leading counts, which are cycles), the instruction count
# and the GPRs, CR, XER, LR and CTR at the end, and names the first thing that differs.
set log_offset 0
# What the simulator logged since the last call: the lines without their leading count, and
# without the mode-change notice.
proc logged {} {
    global log_offset
    set f [open sim.log]
    seek $f $log_offset
    set text [read $f]
    set log_offset [tell $f]
    close $f
    set lines {}
    foreach line [split $text \n] {
        if {[string match {*Simulator now in*} $line]} continue
        regsub {^(INFO: )?[0-9]+: } $line {\1} line
        lappend lines $line
    }
    return $lines
}
proc state {machine} {
    set values [list count [$machine display instruction_count]]
    for {set i 0} {$i < 32} {incr i} { lappend values r$i [$machine display gpr $i] }
    foreach spr {CR XER LR CTR} { lappend values $spr [$machine display spr $spr] }
    return $values
}
set programs {
    hello_sc_be64 syscalls_be64 compute_be64 hello_glibc_be64 args_be64 heap_be64 fp_table_be64
    fp_printf_be64 fp_diff_be64 qsort_ints_be64 fnv_hash_be64 fib_be64 switch_table_be64
    strings_be64 dfp_be64 edge_cases_be64 libc_strings_be64 vmx_be64 vmx_int_be64 vmx_fp_be64
    vsx_arith_be64 vsx_misc_be64 vsx_vectorised_be64
    hello_sc_le64 compute_le64 hello_glibc_le64 libc_strings_le64 vector_order_le64 vmx_int_le64
    vmx_fp_le64 vsx_misc_le64 vsx_vectorised_le64
}
logged
foreach program $programs {
    if {![file exists $env(QUARN_GUEST_DIR)/$program]} {
        puts "$program: not built"
        continue
    }
    file copy -force $env(QUARN_GUEST_DIR)/$program $program
    foreach mode {simple fast} {
        define dup myrrin ${program}_$mode
        ${program}_$mode config standalone_app on
        ${program}_$mode config memory_size 512M
        define machine ${program}_$mode mysim
        mysim load elf $program
        if {$mode eq "fast"} { mysim mode fast }
        mysim go
        set end($mode) [state mysim]
        mysim quit
        set output($mode) [logged]
    }
    set verdict same
    if {$output(simple) ne $output(fast)} { set verdict "differ in output" }
    foreach {name a} $end(simple) {name_f b} $end(fast) {
        if {$verdict eq "same" && $a ne $b} {
            set verdict "differ at $name: $a in SIMPLE, $b in FAST"
            break
        }
    }
    puts "$program: $verdict ([llength $output(fast)] lines)"
}
