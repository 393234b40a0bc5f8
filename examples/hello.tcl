# Prints the chosen configuration and leaves.
fconfigure stdout -buffering line
puts "quarn configuration: $config"
exit
