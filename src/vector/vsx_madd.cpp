// The 32 VSX fused multiply-add instructions: multiply-add, multiply-subtract and their negated
// forms, each in a type-A form (XT the addend: XT := ±(XA × XB ± XT)) and a type-M form (XT the
// multiplicand: XT := ±(XA × XT ± XB)), as scalar double, scalar single (2.07; rounded once to
// single precision, delivered in double format), vector double and vector single instructions.
// A scalar form is suppressed only by an enabled invalid operation; a vector form by an enabled
// invalid operation, overflow, underflow or inexact result in any element.
#include "isa/fp_result_writes.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "vector/vec_defs.h"
#include "vector/vector_registers.h"
#include "vector/vsx_fp_frame.h"
#include "vector/vsx_madd_micro.h"

namespace
{

using namespace vec;

typedef uint32_t (*DpWorker)(IOPDesc *, uint64_t *, const uint64_t *, const uint64_t *, const uint64_t *,
                             int);
typedef uint32_t (*SpWorker)(IOPDesc *, uint32_t *, uint32_t, uint32_t, uint32_t, int);
typedef uint32_t (*SpDpWorker)(IOPDesc *, uint64_t *, uint64_t, uint64_t, uint64_t, int);

enum class Type { A, M };

// The three sources, read before the availability check in the order XT, XA, XB, and the roles:
// multiplier A, multiplicand C, addend B.
struct Roles {
    Vec128 t, a, c, b;
};
template <Type type> Roles read_roles(IOPDesc *iop)
{
    Roles r;
    r.t = IOP_Read_VSR(iop, VSX_XT(iop->word), VSX_SLOT_D);
    r.a = IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A);
    const Vec128 xb = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    r.c = type == Type::A ? xb : r.t;
    r.b = type == Type::A ? r.t : xb;
    return r;
}

template <DpWorker worker, Type type> int scalar_double(IOPDesc *iop)
{
    const Roles r = read_roles<type>(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    uint64_t result = r.t.high;
    const uint32_t flags = worker(iop, &result, &r.a.high, &r.c.high, &r.b.high, mode);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T(iop, result, 0);
    return VSX_FP_Finish(iop);
}

template <SpDpWorker worker, Type type> int scalar_single(IOPDesc *iop)
{
    if (!VSX_Scalar_Single_Gates(iop)) return 0;
    const Roles r = read_roles<type>(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    uint64_t result = r.t.high;
    const uint32_t flags = worker(iop, &result, r.a.high, r.c.high, r.b.high, mode);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T_Low(iop, 0, result);
    return VSX_FP_Finish(iop);
}

template <DpWorker worker, Type type> int vector_double(IOPDesc *iop)
{
    const Roles r = read_roles<type>(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    Vec128 t = r.t;
    uint32_t flags = worker(iop, &t.high, &r.a.high, &r.c.high, &r.b.high, mode);
    flags |= worker(iop, &t.low, &r.a.low, &r.c.low, &r.b.low, mode);
    VSX_FP_Write_Vector(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE, flags, t);
    return VSX_FP_Finish(iop);
}

template <SpWorker worker, Type type> int vector_single(IOPDesc *iop)
{
    const Roles r = read_roles<type>(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    Vec128 t = r.t;
    uint32_t flags = 0;
    for (int i = 0; i < 4; i++) {
        uint32_t word = Vec_Word(t, i);
        flags |= worker(iop, &word, Vec_Word(r.a, i), Vec_Word(r.c, i), Vec_Word(r.b, i), mode);
        Vec_Set_Word(&t, i, word);
    }
    VSX_FP_Write_Vector(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE, flags, t);
    return VSX_FP_Finish(iop);
}

} // namespace

// ---- scalar double ----

int semantic_xsmaddadp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_madd, Type::A>(iop);
}
int semantic_xsmaddmdp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_madd, Type::M>(iop);
}
int semantic_xsmsubadp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_msub, Type::A>(iop);
}
int semantic_xsmsubmdp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_msub, Type::M>(iop);
}
int semantic_xsnmaddadp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_nmadd, Type::A>(iop);
}
int semantic_xsnmaddmdp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_nmadd, Type::M>(iop);
}
int semantic_xsnmsubadp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_nmsub, Type::A>(iop);
}
int semantic_xsnmsubmdp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_nmsub, Type::M>(iop);
}

// ---- scalar single ----

int semantic_xsmaddasp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_madd_dp, Type::A>(iop);
}
int semantic_xsmaddmsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_madd_dp, Type::M>(iop);
}
int semantic_xsmsubasp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_msub_dp, Type::A>(iop);
}
int semantic_xsmsubmsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_msub_dp, Type::M>(iop);
}
int semantic_xsnmaddasp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_nmadd_dp, Type::A>(iop);
}
int semantic_xsnmaddmsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_nmadd_dp, Type::M>(iop);
}
int semantic_xsnmsubasp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_nmsub_dp, Type::A>(iop);
}
int semantic_xsnmsubmsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_nmsub_dp, Type::M>(iop);
}

// ---- vector double ----

int semantic_xvmaddadp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_madd, Type::A>(iop);
}
int semantic_xvmaddmdp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_madd, Type::M>(iop);
}
int semantic_xvmsubadp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_msub, Type::A>(iop);
}
int semantic_xvmsubmdp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_msub, Type::M>(iop);
}
int semantic_xvnmaddadp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_nmadd, Type::A>(iop);
}
int semantic_xvnmaddmdp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_nmadd, Type::M>(iop);
}
int semantic_xvnmsubadp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_nmsub, Type::A>(iop);
}
int semantic_xvnmsubmdp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_nmsub, Type::M>(iop);
}

// ---- vector single ----

int semantic_xvmaddasp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_madd, Type::A>(iop);
}
int semantic_xvmaddmsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_madd, Type::M>(iop);
}
int semantic_xvmsubasp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_msub, Type::A>(iop);
}
int semantic_xvmsubmsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_msub, Type::M>(iop);
}
int semantic_xvnmaddasp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_nmadd, Type::A>(iop);
}
int semantic_xvnmaddmsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_nmadd, Type::M>(iop);
}
int semantic_xvnmsubasp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_nmsub, Type::A>(iop);
}
int semantic_xvnmsubmsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_nmsub, Type::M>(iop);
}
