fconfigure stdout -buffering line
# A static big-endian C-library program runs binary floating point through compiled code in
# standalone mode: add, subtract, multiply, divide, fused multiply-add, square root, single
# precision and the integer conversions over a table of operands in the four rounding modes, each
# result with the exception flags it raised. The expected output is what the hardware prints
# (-fma(a, b, c) is the rounded fma negated, also in the directed rounding modes).
file copy -force $env(QUARN_GUEST_DIR)/fp_table_be64 prog
define dup myrrin standalone
standalone config standalone_app on
standalone config memory_size 512M
define machine standalone mysim
mysim load elf prog
mysim go
mysim quit
