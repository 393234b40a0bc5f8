# The guest-program speed harness: runs one standalone big-endian program (the file named by the
# environment variable QUARN_BENCH_PROGRAM) once in each mode named by QUARN_BENCH_MODES (default
# "simple fast turbo") and reports the simulated instructions per host second of each run, side by side.
# Run it through bench/guest_ips.sh.
fconfigure stdout -buffering line
set program $env(QUARN_BENCH_PROGRAM)
set modes {simple fast turbo}
if {[info exists env(QUARN_BENCH_MODES)]} { set modes $env(QUARN_BENCH_MODES) }
foreach mode $modes {
    define dup myrrin bench_$mode
    bench_$mode config standalone_app on
    bench_$mode config memory_size 512M
    define machine bench_$mode m1
    m1 load elf $program
    m1 mode $mode
    set start [clock microseconds]
    m1 go
    set elapsed [expr {max(1, [clock microseconds] - $start)}]
    set count [m1 display instruction_count]
    set seconds [expr {$elapsed / 1e6}]
    puts [format "guest-ips: program=%s mode=%s instructions=%s seconds=%.3f instructions_per_second=%.0f" \
              [file tail $program] $mode $count $seconds [expr {$count / $seconds}]]
    m1 quit
}
