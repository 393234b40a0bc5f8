# args: status: 134
fconfigure stdout -buffering line
# A count of instruction ERATs that is not a power of two ends the program while the machine's
# processor is being built.
define dup myrrin my
my config processor number_of_iERATs 3
puts building
define machine my m1
puts "not reached"
