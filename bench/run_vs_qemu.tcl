# One program of the side-by-side harness in TURBO mode (run through bench/run_vs_qemu.sh): the
# program is QUARN_BENCH_PROGRAM, the variant QUARN_BENCH_VARIANT ("standalone": "turbo/standalone"
# on with unchunked memory; "default": the default translation) and the chunk QUARN_BENCH_MAXIMUM
# ("turbo/maximum"). Prints the instruction count and the microseconds of "go" alone.
fconfigure stdout -buffering line
set program $env(QUARN_BENCH_PROGRAM)
define dup myrrin bench
bench config standalone_app on
bench config memory_size 1G
bench config turbo/maximum $env(QUARN_BENCH_MAXIMUM)
if {$env(QUARN_BENCH_VARIANT) eq "standalone"} {
    bench config turbo/standalone TRUE
    bench config memory_alloc_size 0
}
define machine bench m1
m1 load elf $program
m1 mode turbo
set start [clock microseconds]
m1 go
set elapsed [expr {max(1, [clock microseconds] - $start)}]
puts "bench-result: instructions=[m1 display instruction_count] microseconds=$elapsed"
m1 quit
