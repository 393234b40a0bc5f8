# args: -e
fconfigure stdout -buffering line
# A big-endian guest program calls the simulator through the support instruction and prints what
# each call answers. A seek with origin 3 and the start of its own processor stop the run with an
# error; the run is resumed after each, until code 31 stops it. The host files the guest wrote are
# read back.
file copy -force $env(QUARN_GUEST_DIR)/simsupport_be64 prog
define machine myrrin alpha
alpha load elf prog
for {set run 0} {$run < 3} {incr run} {
    alpha go
    puts "status: [simstop status]"
}
puts "gx = $gx"
foreach name {guest_implicit.txt guest_numbered.txt} {
    set f [open $name]
    puts "$name: [string trim [read $f]]"
    close $f
}
alpha quit
