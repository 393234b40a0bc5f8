# Prints the chosen configuration and leaves.
puts "quarn configuration: $config"
exit
