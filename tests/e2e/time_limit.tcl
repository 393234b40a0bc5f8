# args: -T 1 status: 134
fconfigure stdout -buffering line
# The CPU-time limit ends a busy script with an internal error (abort).
while 1 {}
