# args: status: 134
fconfigure stdout -buffering line
# No data ERAT at all ends the program while the machine's processor is being built.
define dup myrrin my
my config processor number_of_dERATs 0
puts building
define machine my m1
puts "not reached"
