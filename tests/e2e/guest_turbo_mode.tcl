fconfigure stdout -buffering line
# Whole-program comparison of SIMPLE and TURBO: each static big-endian program of the corpus runs
# in standalone mode once with "mode simple" and once with "mode turbo". Both runs print the same
# and stop for the same cause; the script compares the thread's instruction count and its GPRs,
# CR, XER, LR and CTR at the end and names the first register that differs.
proc state {machine} {
    set values [list count [$machine display instruction_count]]
    for {set i 0} {$i < 32} {incr i} { lappend values r$i [$machine display gpr $i] }
    foreach spr {CR XER LR CTR} { lappend values $spr [$machine display spr $spr] }
    return $values
}
foreach program {hello_sc compute hello_glibc qsort_ints fnv_hash fib switch_table strings dfp edge_cases} {
    file copy -force $env(QUARN_GUEST_DIR)/${program}_be64 $program
    foreach mode {simple turbo} {
        define dup myrrin ${program}_$mode
        ${program}_$mode config standalone_app on
        ${program}_$mode config memory_size 512M
        define machine ${program}_$mode mysim
        mysim load elf $program
        if {$mode eq "turbo"} { mysim mode turbo }
        mysim go
        set end($mode) [state mysim]
        mysim quit
    }
    set verdict same
    foreach {name a} $end(simple) {name_t b} $end(turbo) {
        if {$a ne $b} {
            set verdict "differ at $name: $a in SIMPLE, $b in TURBO"
            break
        }
    }
    puts "$program: $verdict"
}
