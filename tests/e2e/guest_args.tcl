# args: -t
fconfigure stdout -buffering line
# A static C-library program sees the words of "setargs" intact: words with spaces, an empty word,
# non-ASCII bytes, Tcl-special characters and twelve words of 60 characters, also after a deep
# recursion of its stack. It exits with status 0 only when every word survived.
file copy -force $env(QUARN_GUEST_DIR)/args_be64 args
define dup myrrin standalone
standalone config standalone_app on
standalone config memory_size 512M
define machine standalone m
m load elf args
set words [list alpha "beta gamma" "" "caf\u00e9 \u00fc" {*?[glob]} {$x \{y\} "z"}]
for {set i 0} {$i < 12} {incr i} {
    lappend words [string repeat [format %c [expr {65 + $i}]] 60]
}
m setargs {*}$words
m go
puts "status [m display gpr 3]"
m quit
