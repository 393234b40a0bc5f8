# args: -e
fconfigure stdout -buffering line
# A big-endian guest program boots as an operating system does: through the client-interface
# entry the loader hands it in GPR5 (the ROM stub) it walks the device tree, prints on the
# firmware's standard output, claims memory, instantiates RTAS, calls RTAS functions and leaves
# through "exit".
file copy -force $env(QUARN_GUEST_DIR)/firmware_be64 prog
define machine myrrin alpha
alpha load elf prog
alpha go
puts "status: [simstop status]"
alpha quit
