// The debug channel's start-up setting and the search for the start-up script run by Tcl.
#pragma once

// TCP port of the sliplane debug channel.
extern int sliplane_listen_port;

// Sets the debug channel's listen port to 2101.
void Setup_Sliplane(void);
// The environment variable's value when set and not empty, else the default.
const char *get_menv_str(const char *name, const char *default_value);
// Looks for the name in $LIB_DIR/<default configuration in lower case>/, then in $LIB_DIR/; the
// first path that exists becomes quarn_initial_tcl_file_name. False without LIB_DIR or a match.
bool find_in_lib_dir(const char *name);
// Finds the start-up script (-f name, else $QUARN_FILE, else ".tervalink.tcl" here, else
// "tervalink.tcl" under $LIB_DIR), stores it in quarn_initial_tcl_file_name and names it. Only
// regular files count. A named script that cannot be found is a fatal error and exits with status 1; with no
// script at all the result is null and nothing is printed.
const char *get_initial_tcl_file_name(void);
