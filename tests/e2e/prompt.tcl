fconfigure stdout -buffering line
# The prompt script and the configuration chosen without -m.
puts [set tcl_prompt1]
puts $config
exit
