fconfigure stdout -buffering line
# The top-level commands as a script uses them.
puts -nonewline [help]
puts [catch {display} r][string range $r 0 26]
puts [display default_configure]
puts [display warning]
puts [catch {modify warning 4} r]$r
puts [catch {modify quiet_mode maybe} r]$r
puts [reveal]
reveal DEPRECATED
puts [reveal]
reveal all
puts [reveal]
puts [catch {reveal all bogus} r]$r
puts [reveal]
puts [simstop]
puts [string match "*user (tcl)*" [simstop status]]
puts [simdebug set HELP 1]
puts [catch {simdebug status nosuch} r]$r
puts [alias create g version list]
puts [string equal [g] [version list]]
puts [alias create_unique x]
puts [alias create_unique x]
alias delete AL_0
alias delete AL_1
puts "<[alias list]>"
puts [llength [split [string trim [version flags]] \n]]
quit
