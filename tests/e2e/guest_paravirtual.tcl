# args: -e
fconfigure stdout -buffering line
# A big-endian guest program uses the paravirtual disk (behind an overlay and read-only), the
# network device (to a UDP port on loopback) and the socket device and 9P that nothing set up. The
# overlay's table is read back after a sync.
file copy -force $env(QUARN_GUEST_DIR)/paravirtual_be64 prog
set f [open disk.img w]
fconfigure $f -translation binary
for {set b 0} {$b < 19} {incr b} {
    puts -nonewline $f [string repeat [format %c [expr {65 + $b % 26}]] 512]
}
puts -nonewline $f [string repeat z 272]
close $f
define machine myrrin alpha
puts [alpha bogus disk init 1 disk.img cow my.cow 64]
puts [alpha bogus disk init 3 disk.img r]
catch {alpha bogus disk init 0 disk.img} msg; puts $msg
catch {alpha bogus disk sync 7} msg; puts $msg
puts "long overlay path ignored by rw: [catch {alpha bogus disk init 2 disk.img rw [string repeat a 5000]}]"
puts "long overlay path refused: [catch {alpha bogus disk init 4 disk.img cow [string repeat a 5000]}]"
puts [alpha bogus disk display]
puts [alpha bogus net init 0 02:00:00:00:00:01 udp:127.0.0.1:9]
catch {alpha bogus net init 1 02:00:00:00:00:02 udp:127.0.0.1:9 5} msg; puts $msg
catch {alpha bogus net init 1 02:00:00:00:00:02} msg; puts $msg
set net [alpha of find_device /tervalink/bogus-net@0]
puts "device_type [alpha of getprop $net device_type] version [alpha of getprop $net version]"
alpha load elf prog
alpha go
puts [alpha bogus disk sync 1]
set f [open my.cow.table]
puts "my.cow.table: [string trim [read $f]]"
close $f
puts "my.cow bytes: [file size my.cow]"
puts [alpha bogus disk stat]
puts -nonewline [alpha bogushalt display]
puts -nonewline [alpha bogushalt disable]
puts -nonewline [alpha bogushalt delay 500]
puts -nonewline [alpha bogushalt display]
alpha bogushalt enable
alpha bogushalt delay 1000
puts [alpha bogus disk cleanup]
puts [alpha bogus disk display]
alpha quit
