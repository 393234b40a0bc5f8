fconfigure stdout -buffering line
# The parallel translation mode from outside. Guests of two and four SMT threads add to one shared
# counter with lwarx/stwcx. (thread 0 at the entry, the others started at 0x10100000); each runs in
# SIMPLE, TURBO and PTURBO with as many host threads as guest threads, and prints the counter, which
# must be exact in every mode. Then single-thread programs run in TURBO and in PTURBO: the thread's
# instruction count and its GPRs, CR, XER, LR and CTR at the end must be the same.
proc state {machine} {
    set values [list count [$machine display instruction_count]]
    for {set i 0} {$i < 32} {incr i} { lappend values r$i [$machine display gpr $i] }
    foreach spr {CR XER LR CTR} { lappend values $spr [$machine display spr $spr] }
    return $values
}
foreach threads {2 4} {
    set program smt_counter$threads
    file copy -force $env(QUARN_GUEST_DIR)/${program}_be64 $program
    foreach mode {simple turbo pturbo} {
        define dup myrrin ${program}_$mode
        ${program}_$mode config standalone_app on
        ${program}_$mode config memory_size 512M
        ${program}_$mode config processor/number_of_threads $threads
        ${program}_$mode config pturbo_threads $threads
        define machine ${program}_$mode mysim
        mysim load elf $program
        for {set t 1} {$t < $threads} {incr t} { mysim cpu 0:$t start_thread 0x10100000 }
        if {$mode ne "simple"} { mysim mode $mode }
        mysim go
        puts "$program $mode done"
        mysim quit
    }
}
foreach program {hello_sc compute fib qsort_ints fnv_hash strings edge_cases} {
    file copy -force $env(QUARN_GUEST_DIR)/${program}_be64 $program
    foreach mode {turbo pturbo} {
        define dup myrrin ${program}_$mode
        ${program}_$mode config standalone_app on
        ${program}_$mode config memory_size 512M
        define machine ${program}_$mode mysim
        mysim load elf $program
        mysim mode $mode
        mysim go
        set end($mode) [state mysim]
        mysim quit
    }
    set verdict same
    foreach {name a} $end(turbo) {name_p b} $end(pturbo) {
        if {$a ne $b} {
            set verdict "differ at $name: $a in TURBO, $b in PTURBO"
            break
        }
    }
    puts "$program: $verdict"
}
