// Trace-library control of the embedding interface.
#include "embed/libsim_trc.h"

#include "embed/libsim_api.h"

#include "trace/inst_profile.h"
#include "trace/trace_lib.h"
#include "translator/imix.h"

int32_t LIBSIM__Trc_load(const char *path, int32_t argc, char **argv)
{
    return TRC_LOAD_LIB(path, argc, argv);
}

int32_t LIBSIM__Trc_unload(int32_t id)
{
    return TRC_UNLOAD_LIB(id);
}

int32_t LIBSIM__Trc_cmd(int32_t id, int32_t argc, char **argv)
{
    return TRC_LIB_CMD(id, argc, argv);
}

void LIBSIM__Trc_threads(int32_t n)
{
    TRC_THREADS(n);
}

void LIBSIM__Trc_set_mode(int32_t on)
{
    if (on)
        TRC_SET_ON();
    else
        TRC_SET_OFF();
}

void LIBSIM__Trc_prof(int32_t on)
{
    if (on)
        TRC_PROF_ON();
    else
        TRC_PROF_OFF();
}

void LIBSIM__Trc_imix(int32_t on)
{
    if (on)
        TRC_IMIX_ON();
    else
        TRC_IMIX_OFF();
}
