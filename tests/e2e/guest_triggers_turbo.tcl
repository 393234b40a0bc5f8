fconfigure stdout -buffering line
# Breakpoints and watch points on a guest program in SIMPLE and in TURBO: an effective PC trigger at
# the entry of tick(), a real-address PC trigger inside it, write and read watch points on its
# counter and table (effective and real), and a system-call trigger on getpid. Each procedure logs
# the thread's instruction count when it fires; the breakpoint stops the run at its 1500th hit,
# the script reads the counter there and goes on. Both modes must log the same.
proc note {name} {
    global log hits
    incr hits($name)
    lappend log "$name [mysim display instruction_count]"
}
proc on_entry {args} {
    global hits
    note entry
    if {$hits(entry) == 1500} { simstop }
}
proc on_real {args} { note real }
proc on_counter {args} { note counter }
proc on_counter_real {args} { note counter_real }
proc on_table {args} { note table }
proc on_getpid {args} { note getpid }

file copy -force $env(QUARN_GUEST_DIR)/watch_loop_be64 watch_loop
foreach mode {simple turbo} {
    set log {}
    array unset hits
    foreach name {entry real counter counter_real table getpid} { set hits($name) 0 }
    define dup myrrin m_$mode
    m_$mode config standalone_app on
    m_$mode config memory_size 512M
    define machine m_$mode mysim
    mysim load elf watch_loop
    if {$mode eq "turbo"} { mysim mode turbo }
    mysim trigger set pc 0x10200000 on_entry
    mysim trigger set real_pc 0x10200020 on_real
    mysim trigger set memory system w 0x10100000 0x10100007 1 on_counter
    mysim trigger set memory system w 0x10100000 0x10100003 0 on_counter_real
    mysim trigger set memory system r 0x10100010 0x10100017 1 on_table
    mysim trigger set syscall 20 on_getpid
    mysim go
    puts "$mode stopped at [mysim display instruction_count]: counter [mysim memory display 0x10100000 8]"
    mysim go
    set counts {}
    foreach name {entry real counter counter_real table getpid} { lappend counts "$name=$hits($name)" }
    puts "$mode: [join $counts { }]"
    set run($mode) $log
    mysim quit
}
if {$run(simple) eq $run(turbo)} {
    puts "logs agree: [llength $run(simple)] firings"
} else {
    foreach a $run(simple) b $run(turbo) {
        if {$a ne $b} { puts "logs differ: $a in SIMPLE, $b in TURBO"; break }
    }
}
