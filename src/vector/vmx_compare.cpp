// VMX integer compares: equal and greater-than (unsigned and signed) on bytes, halfwords, words
// and doublewords. Each result element is all ones where the relation holds; the record forms
// (Rc = 1) then summarise the result in CR field 6. The doubleword forms are of level 2.07.
#include "decode/semantics.h"
#include "vector/vector_elements.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

enum class Rel { Equal, GreaterUnsigned, GreaterSigned };

template <int Bits, Rel rel, Gate gate> int compare(IOPDesc *iop)
{
    if (!vmx_gates<gate>(iop)) return 0;
    const Vec128 a = IOP_Read_VMXR_A(iop), b = IOP_Read_VMXR_B(iop);
    const Vec128 t = map2<Bits>(a, b, [](uint64_t x, uint64_t y) -> uint64_t {
        bool holds;
        if constexpr (rel == Rel::Equal)
            holds = x == y;
        else if constexpr (rel == Rel::GreaterUnsigned)
            holds = x > y;
        else
            holds = sext<Bits>(x) > sext<Bits>(y);
        return holds ? ~0ull : 0;
    });
    IOP_Write_VMXR_T(iop, t.low, t.high);
    if (vmx_rc(iop)) IOP_Set_CR6(iop, vmx_compare_summary(t));
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_vcmpequb(IOPDesc *iop)
{
    return compare<8, Rel::Equal, Gate::VMX>(iop);
}
int semantic_vcmpequh(IOPDesc *iop)
{
    return compare<16, Rel::Equal, Gate::VMX>(iop);
}
int semantic_vcmpequw(IOPDesc *iop)
{
    return compare<32, Rel::Equal, Gate::VMX>(iop);
}
int semantic_vcmpgtub(IOPDesc *iop)
{
    return compare<8, Rel::GreaterUnsigned, Gate::VMX>(iop);
}
int semantic_vcmpgtuh(IOPDesc *iop)
{
    return compare<16, Rel::GreaterUnsigned, Gate::VMX>(iop);
}
int semantic_vcmpgtuw(IOPDesc *iop)
{
    return compare<32, Rel::GreaterUnsigned, Gate::VMX>(iop);
}
int semantic_vcmpgtsb(IOPDesc *iop)
{
    return compare<8, Rel::GreaterSigned, Gate::VMX>(iop);
}
int semantic_vcmpgtsh(IOPDesc *iop)
{
    return compare<16, Rel::GreaterSigned, Gate::VMX>(iop);
}
int semantic_vcmpgtsw(IOPDesc *iop)
{
    return compare<32, Rel::GreaterSigned, Gate::VMX>(iop);
}

// The doubleword compares: the plain and record rows have routines of their own, and both decide
// on the Rc bit.
int semantic_vcmpequd(IOPDesc *iop)
{
    return compare<64, Rel::Equal, Gate::V206>(iop);
}
int semantic_vcmpequd_dot(IOPDesc *iop)
{
    return compare<64, Rel::Equal, Gate::V206>(iop);
}
int semantic_vcmpgtud(IOPDesc *iop)
{
    return compare<64, Rel::GreaterUnsigned, Gate::V206>(iop);
}
int semantic_vcmpgtud_dot(IOPDesc *iop)
{
    return compare<64, Rel::GreaterUnsigned, Gate::V206>(iop);
}
int semantic_vcmpgtsd(IOPDesc *iop)
{
    return compare<64, Rel::GreaterSigned, Gate::V206>(iop);
}
int semantic_vcmpgtsd_dot(IOPDesc *iop)
{
    return compare<64, Rel::GreaterSigned, Gate::V206>(iop);
}
