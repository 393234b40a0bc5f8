fconfigure stdout -buffering line
# The "of" commands on the device tree a machine builds for its guest: lookups by path and
# handle, properties read as text, kinds, RTAS tokens, computed kinds, client-interface services,
# edits with their errors, the memory map, the machine information and the printed tree.
define machine myrrin alpha
puts "find / [alpha of find_device /], /nosuch [alpha of find_device /nosuch]"
puts "root name <[alpha of getprop 1 name]> length [alpha of getproplen 1 name] type [alpha of getproptype 1 name]"
puts "first child [alpha of package_to_path [alpha of child 1]], peer 0 [alpha of peer 0]"
set cpu [alpha of find_device /cpus/PowerPC@0]
puts "cpu reg [alpha of getprop $cpu reg], servers <[alpha of getprop $cpu qzb,ppc-interrupt-gserver#s]>"
puts "memory reg <[alpha of getprop [alpha of find_device /memory@0] reg]>"
puts "first property [alpha of nextprop 1], after it [alpha of nextprop 1 [alpha of nextprop 1]]"
puts "rtas get-time-of-day [alpha of rtasinfo get-time-of-day], enum memory_map [alpha of enuminfo memory_map]"
puts "test claim [alpha of test claim], interpret [alpha of test interpret]"
puts "addprop bytes [catch {alpha of addprop 1 bytes x y}] <[lindex [split $errorInfo \n] 0]>"
puts "addprop zz [catch {alpha of addprop 1 byte_array x zz}] <[lindex [split $errorInfo \n] 0]>"
set values {1 2 3}
alpha of addprop 1 array numbers values
puts "array <[alpha of getprop 1 numbers]>"
alpha of addprop 1 byte_array blob de:ad:be:ef
alpha of setprop 1 blob 0102
puts "bytes <[alpha of getprop 1 blob]> empty <[alpha of getprop $cpu 64-bit]> type [alpha of getproptype $cpu 64-bit]"
puts "setprop missing [catch {alpha of setprop 1 nosuch 5}] <[lindex [split $errorInfo \n] 0]>"
set child [alpha of addchild 1 extra 2]
puts "child [alpha of package_to_path $child], again [catch {alpha of addchild 1 extra 2}] <[lindex [split $errorInfo \n] 0]>"
puts "mmapinfo [alpha of mmapinfo PPCIC_0]"
alpha of machineinfo
puts "machine_info clock [set machine_info(clock-frequency)] timebase [set machine_info(timebase-frequency)]"
alpha of clear
alpha of print
alpha quit
