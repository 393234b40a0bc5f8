# The guest-program speed harness: runs one standalone big-endian program (the file named by the
# environment variable QUARN_BENCH_PROGRAM) in SIMPLE mode and reports the simulated instructions
# per host second. Run it through bench/guest_ips.sh.
fconfigure stdout -buffering line
set program $env(QUARN_BENCH_PROGRAM)
define dup myrrin bench
bench config standalone_app on
bench config memory_size 512M
define machine bench m1
m1 mode simple
m1 load elf $program
set start [clock microseconds]
m1 go
set elapsed [expr {max(1, [clock microseconds] - $start)}]
set count [m1 display instruction_count]
set seconds [expr {$elapsed / 1e6}]
puts [format "guest-ips: program=%s mode=simple instructions=%s seconds=%.3f instructions_per_second=%.0f" \
          [file tail $program] $count $seconds [expr {$count / $seconds}]]
m1 quit
