fconfigure stdout -buffering line
# A static big-endian C-library program formats and parses floating-point numbers in standalone
# mode: printf with %f, %e, %g and %a, strtod and strtof of decimal and hexadecimal texts, the
# conversions between doubles, floats and integers, and sums in double and float.
file copy -force $env(QUARN_GUEST_DIR)/fp_printf_be64 prog
define dup myrrin standalone
standalone config standalone_app on
standalone config memory_size 512M
define machine standalone mysim
mysim load elf prog
mysim go
mysim quit
