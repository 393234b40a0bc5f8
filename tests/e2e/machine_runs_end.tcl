# args: -t
fconfigure stdout -buffering line
# Runs that cannot go on end with their stop instead of spinning: a clock started at its very
# end (every wake-up lies beyond it), and a machine whose second load failed after the reset, for
# each of the five loaders.
file copy -force $env(QUARN_GUEST_DIR)/hello_sc_be64 hello
define dup myrrin late
late config standalone_app on
late config start_tick -1
define machine late m
m load elf hello
m step 5
puts "step: instructions [m display instruction_count]"
m go
puts "go: instructions [m display instruction_count]"
m quit

foreach loader {elf xcoff linux plan9 vmlinux} {
    define machine myrrin m
    m load elf hello
    puts "$loader missing: [catch {m load $loader missing}]"
    m step 1
    puts "$loader: instructions [m display instruction_count]"
    m quit
}
