fconfigure stdout -buffering line
# A machine from the default configuration: its type, cycle variable, memory map and NVRAM image;
# a mode switch at time 0 happens at once, one at a later time waits for the threads; quitting
# deletes the NVRAM image.
puts [define machine myrrin mysim]
puts $QuarnMachineType(mysim)
puts [set mysim.Cycles]
puts [mysim display memorymap]
puts [file size halvo_nvram.[pid].bin]
mysim mode turbo
puts [mysim display mode]
mysim cycle 100
puts [mysim display cycles]
mysim mode simple
puts [mysim display mode]
mysim quit
puts [file exists halvo_nvram.[pid].bin]
