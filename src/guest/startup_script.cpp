// Start-up script search and the debug channel's start-up setting.
#include "guest/startup_script.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "runtime/common.h"
#include "runtime/message.h"

int sliplane_listen_port = 0;

namespace
{

constexpr const char *default_user_initial_tcl_file_name = ".tervalink.tcl";
constexpr const char *default_quarn_initial_tcl_file_name = "tervalink.tcl";
constexpr size_t LIB_PATH_SIZE = 512;
char lib_dir_path[LIB_PATH_SIZE];

// Only a regular file counts: a device such as /dev/zero would be read without end.
bool file_exists(const char *path)
{
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool try_lib_path(const char *format_dir, const char *middle, const char *name)
{
    int n = middle ? snprintf(lib_dir_path, sizeof lib_dir_path, "%s/%s/%s", format_dir, middle, name)
                   : snprintf(lib_dir_path, sizeof lib_dir_path, "%s/%s", format_dir, name);
    if (n < 0 || (size_t)n >= sizeof lib_dir_path) // a longer path cannot be built, so it is not there
        return false;
    if (!file_exists(lib_dir_path)) return false;
    quarn_initial_tcl_file_name = lib_dir_path;
    return true;
}

} // namespace

// Looks for name in $LIB_DIR/<default configuration in lower case>/ and then in $LIB_DIR/.
bool find_in_lib_dir(const char *name)
{
    const char *dir = get_menv_str("LIB_DIR", nullptr);
    if (!dir) return false;
    char configuration[32];
    size_t i = 0;
    for (; DEFAULT_MACHINE_CONFIGURATION[i] && i < sizeof configuration - 1; i++)
        configuration[i] = (char)tolower((unsigned char)DEFAULT_MACHINE_CONFIGURATION[i]);
    configuration[i] = '\0';
    return try_lib_path(dir, configuration, name) || try_lib_path(dir, nullptr, name);
}

void Setup_Sliplane(void)
{
    sliplane_listen_port = 2101;
}

const char *get_menv_str(const char *name, const char *default_value)
{
    const char *value = getenv(name);
    return value && *value ? value : default_value;
}

const char *get_initial_tcl_file_name(void)
{
    const char *name = quarn_initial_tcl_file_name;
    if (!name) name = get_menv_str("QUARN_FILE", nullptr);
    if (!name) {
        if (file_exists(default_user_initial_tcl_file_name))
            quarn_initial_tcl_file_name = (char *)default_user_initial_tcl_file_name;
        else if (!find_in_lib_dir(default_quarn_initial_tcl_file_name))
            return nullptr;
    } else if (file_exists(name)) {
        quarn_initial_tcl_file_name = (char *)name;
    } else if (!find_in_lib_dir(name)) {
        sim_error("Could not find initial run script %s\n", name);
        exit(1);
    }
    SIM_PRINT("Using initial run script %s\n", quarn_initial_tcl_file_name);
    return quarn_initial_tcl_file_name;
}
