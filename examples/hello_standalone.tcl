# Runs a standalone big-endian 64-bit PowerPC Linux program without an operating system: its
# system calls are served by the simulator, its output appears on the console, and its exit stops
# the run. The program is the file named by the environment variable QUARN_PROGRAM (scripts/demo.sh
# passes the statically linked hello-world that the build makes in build/tests/guest).
fconfigure stdout -buffering line
if {![info exists env(QUARN_PROGRAM)]} {
    puts "set QUARN_PROGRAM to a big-endian PowerPC program"
    exit 1
}
define dup myrrin demo
demo config standalone_app on
demo config memory_size 512M
define machine demo m1
m1 load elf $env(QUARN_PROGRAM)
m1 go
m1 quit
exit
