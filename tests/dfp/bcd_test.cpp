#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dfp/bcd_number.h"

namespace
{

BCDnumber bcd(const std::string &s)
{
    BCDnumber n;
    BCD_FromString(s.c_str(), &n);
    return n;
}

std::string str(const BCDnumber &n)
{
    char text[128];
    BCD_ToString(&n, text);
    return text;
}

TEST(DfpBcd, DigitAccessAndCounts)
{
    BCDnumber zero;
    BCD_SetZero(&zero);
    EXPECT_EQ(BCD_GetNumDigits(&zero), 1u);
    EXPECT_EQ(BCD_CountTrailingZeros(&zero), -1);
    BCDnumber n = bcd("12000");
    EXPECT_EQ(BCD_CountTrailingZeros(&n), 3);
    EXPECT_EQ(BCD_GetNumDigits(&n), 5u);
    EXPECT_EQ(BCD_GetDigit(&n, 3), 2u);
    EXPECT_EQ(BCD_GetDigit(&n, 9), 0u);
    n = bcd("100000000");
    EXPECT_EQ(BCD_CountTrailingZeros(&n), 8);

    // Readers skip zero units below numUnits.
    BCDnumber loose = bcd("5");
    loose.numUnits = 4;
    EXPECT_EQ(BCD_GetNumDigits(&loose), 1u);
    EXPECT_EQ(BCD_Compare(&loose, &n), -1);
    EXPECT_TRUE(BCD_IsZero(&zero));
    EXPECT_FALSE(BCD_IsZero(&loose));

    // SetDigit above the top digit extends the number; clearing the top digit shrinks it.
    BCDnumber s = bcd("7");
    BCD_SetDigit(&s, 9, 3);
    EXPECT_EQ(str(s), "3000000007");
    EXPECT_EQ(s.numUnits, 3);
    BCD_SetDigit(&s, 9, 0);
    EXPECT_EQ(str(s), "7");
    EXPECT_EQ(s.numUnits, 1);

    struct {
        unsigned k;
        const char *out;
    } lower[] = {{3, "789"}, {4, "6789"}, {5, "56789"}, {12, "123456789"}};
    for (auto &c : lower) {
        BCDnumber src = bcd("123456789"), dst;
        BCD_GetLowerDigits(&src, c.k, &dst);
        EXPECT_EQ(str(dst), c.out) << c.k;
    }
}

TEST(DfpBcd, ConstantsAndSteps)
{
    struct {
        unsigned k;
        const char *out;
        int units;
    } nines[] = {{0, "0", 1}, {7, "9999999", 2}, {34, "9999999999999999999999999999999999", 9}};
    for (auto &c : nines) {
        BCDnumber n;
        BCD_SetNines(c.k, &n);
        EXPECT_EQ(str(n), c.out);
        EXPECT_EQ(n.numUnits, c.units);
    }
    BCDnumber n = bcd("99999999");
    BCD_AddOne(&n);
    EXPECT_EQ(str(n), "100000000");
    EXPECT_EQ(n.numUnits, 3);
    BCD_SubOne(&n);
    EXPECT_EQ(str(n), "99999999");
    EXPECT_EQ(n.numUnits, 2);
    BCD_SetOne(&n);
    EXPECT_EQ(str(n), "1");
}

TEST(DfpBcd, IntegerAndTextConversions)
{
    BCDnumber n = bcd("18446744073709551615");
    uint64_t out = 7;
    EXPECT_EQ(BCD_ToInteger(&n, &out), 1);
    EXPECT_EQ(out, 18446744073709551615ull);
    n = bcd("18446744073709551616");
    out = 7;
    EXPECT_EQ(BCD_ToInteger(&n, &out), 0);
    EXPECT_EQ(out, 7u);
    n = bcd("100000000000000000000");
    EXPECT_EQ(BCD_ToInteger(&n, &out), 0);
    BCD_FromInteger(1234567890123ull, &n);
    EXPECT_EQ(str(n), "1234567890123");
    EXPECT_EQ(n.numUnits, 4);
    BCD_FromInteger(0, &n);
    EXPECT_EQ(str(n), "0");
    EXPECT_EQ(n.numUnits, 1);
    n = bcd("000120");
    EXPECT_EQ(str(n), "120");
    EXPECT_EQ(n.numUnits, 1);
    const std::string big(120, '7');
    n = bcd(big);
    EXPECT_EQ(str(n), big);
    EXPECT_EQ(n.numUnits, 30);
    EXPECT_EQ(BCD_Validate(&n), 1);
    n.units[29] = 10000;
    EXPECT_EQ(BCD_Validate(&n), 0);
}

TEST(DfpBcd, Shifts)
{
    struct {
        const char *in;
        unsigned k;
        const char *right, *rightOr;
    } cases[] = {
        {"123456789", 3, "123456", "123451"}, {"123456789", 5, "1234", "1231"}, {"1200000", 4, "120", "120"},
        {"123456789", 9, "0", "1"},           {"123456789", 200, "0", "1"},
    };
    for (auto &c : cases) {
        BCDnumber src = bcd(c.in), r, o;
        BCD_ShiftRight(&src, c.k, &r);
        BCD_ShiftRightOR(&src, c.k, &o);
        EXPECT_EQ(str(r), c.right) << c.in << " >> " << c.k;
        EXPECT_EQ(str(o), c.rightOr) << c.in << " >> " << c.k;
        if (std::string(c.right) == "0") {
            EXPECT_EQ(r.numUnits, 1);
        }
    }
    BCDnumber big = bcd("1" + std::string(50, '0')), plus7, o;
    BCDnumber seven = bcd("7");
    BCD_Add(&big, &seven, &plus7);
    BCD_ShiftRightOR(&plus7, 48, &o);
    EXPECT_EQ(str(o), "101");
    BCD_ShiftRightOR(&big, 48, &o);
    EXPECT_EQ(str(o), "100");

    BCDnumber l = bcd("123"), zero;
    BCD_ShiftLeft(&l, 9, &l);
    EXPECT_EQ(str(l), "123000000000");
    EXPECT_EQ(l.numUnits, 3);
    BCD_SetZero(&zero);
    BCD_ShiftLeft(&zero, 5, &l);
    EXPECT_EQ(str(l), "0");

    // Leading units: fewer units scale up, more are cut; numUnits is k.
    BCDnumber t, src = bcd("123456789");
    BCD_TakeLeadingUnits(&src, 2, &t);
    EXPECT_EQ(str(t), "12345");
    EXPECT_EQ(t.numUnits, 2);
    BCD_TakeLeadingUnits(&src, 4, &t);
    EXPECT_EQ(str(t), "1234567890000");
    EXPECT_EQ(t.numUnits, 4);
}

TEST(DfpBcd, ArithmeticAllowsAliasing)
{
    const BCDnumber a0 = bcd("987654321098765432109876543210"), b0 = bcd("123456789012345678");
    struct Op {
        const char *name;
        void (*fn)(const BCDnumber *, const BCDnumber *, BCDnumber *);
    } ops[] = {{"add", BCD_Add}, {"subtract", BCD_Subtract}, {"multiply", BCD_Multiply}};
    for (const Op &op : ops) {
        BCDnumber a = a0, b = b0, c;
        op.fn(&a, &b, &c);
        op.fn(&a, &b, &a);
        EXPECT_EQ(str(a), str(c)) << op.name << " into a";
        a = a0;
        op.fn(&a, &b, &b);
        EXPECT_EQ(str(b), str(c)) << op.name << " into b";
    }
    BCDnumber a = a0, b = b0, q, r, r2;
    BCD_Divide(&a, &b, &q, &r);
    BCD_Divide(&a, &b, &a, &r2);
    EXPECT_EQ(str(a), str(q));
    EXPECT_EQ(str(r2), str(r));

    BCDnumber s;
    a = bcd("99999999");
    b = bcd("1");
    BCD_Add(&a, &b, &s);
    EXPECT_EQ(str(s), "100000000");
    BCD_Subtract(&s, &b, &s);
    EXPECT_EQ(str(s), "99999999");
    EXPECT_EQ(s.numUnits, 2);
    BCD_Subtract(&s, &s, &s);
    EXPECT_EQ(str(s), "0");
    EXPECT_EQ(s.numUnits, 1);
    a = bcd("99990000");
    b = bcd("99990000");
    BCD_Multiply(&a, &b, &s);
    EXPECT_EQ(str(s), "9998000100000000");
    EXPECT_EQ(BCD_Compare(&a, &b), 0);
}

TEST(DfpBcd, InversSqrt)
{
    BCDnumber a, r;
    BCD_FromInteger(2, &a);
    BCD_InversSqrt(&a, 4, &r);
    EXPECT_EQ(str(r), "7071067811865475");
    BCD_FromInteger(10000, &a);
    BCD_InversSqrt(&a, 4, &r);
    EXPECT_EQ(str(r), "100000000000000");
    BCD_FromInteger(3, &a);
    BCD_InversSqrt(&a, 3, &r);
    EXPECT_EQ(str(r), "577350269189"); // 10^12 / sqrt(3) = 577350269189.6
}

// Schoolbook long division on digit strings: the reference for BCD_Divide.
void schoolbook(const std::string &a, const std::string &b, std::string &q, std::string &r)
{
    auto cmp = [](const std::string &x, const std::string &y) {
        if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
        return x < y ? -1 : x > y ? 1 : 0;
    };
    auto sub = [](const std::string &x, const std::string &y) {
        std::string out(x);
        int borrow = 0;
        for (size_t i = 0; i < out.size(); i++) {
            int d = (out[out.size() - 1 - i] - '0') - borrow - (i < y.size() ? y[y.size() - 1 - i] - '0' : 0);
            borrow = d < 0;
            out[out.size() - 1 - i] = (char)('0' + (d + 10) % 10);
        }
        size_t nz = out.find_first_not_of('0');
        return nz == std::string::npos ? std::string("0") : out.substr(nz);
    };
    std::string rem = "0";
    q.clear();
    for (char c : a) {
        rem = rem == "0" ? std::string(1, c) : rem + c;
        int digit = 0;
        while (cmp(rem, b) >= 0) {
            rem = sub(rem, b);
            digit++;
        }
        if (!q.empty() || digit) q += (char)('0' + digit);
    }
    if (q.empty()) q = "0";
    r = rem;
}

TEST(DfpBcd, DivideIsExact)
{
    std::mt19937_64 rng(20240611);
    auto digits = [&](int n, bool leadingNonzero = true) {
        std::string s;
        for (int i = 0; i < n; i++)
            s += (char)('0' + rng() % 10);
        if (leadingNonzero && s[0] == '0') s[0] = '1' + (char)(rng() % 9);
        return s;
    };
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; i < 400; i++) {
        int la = 1 + (int)(rng() % 80), lb = 1 + (int)(rng() % 52);
        std::string a = digits(la), b = digits(lb);
        if (rng() % 4 == 0)
            b.replace(1 % b.size(), std::string::npos, std::string(b.size() - 1 % b.size(), '9'));
        pairs.emplace_back(a, b);
    }
    // Dividends above 13 units with long divisors (the split division), divisor 1, equal
    // operands, a < b, powers of 10000 and near-powers.
    pairs.insert(pairs.end(), {{digits(80), digits(52)},
                               {digits(80), digits(49)},
                               {digits(70), "1"},
                               {digits(52), "3"},
                               {digits(52), "1"},
                               {"123456789012345678901234567890", "123456789012345678901234567890"},
                               {"12345", "123456789012345678901234567890"},
                               {digits(60), "10000"},
                               {digits(75), "1" + std::string(32, '0')},
                               {"1" + std::string(79, '0'), "9999"},
                               {"1" + std::string(79, '0'), "1" + std::string(47, '0') + "1"},
                               {std::string(80, '9'), std::string(52, '9')},
                               {"1" + std::string(36, '0'), "3"},
                               {"1" + std::string(70, '0'), "7" + std::string(33, '9')}});
    for (auto &[as, bs] : pairs) {
        BCDnumber a = bcd(as), b = bcd(bs), q, r, check;
        BCD_Divide(&a, &b, &q, &r);
        std::string qs, rs;
        schoolbook(str(a), str(b), qs, rs);
        ASSERT_EQ(str(q), qs) << as << " / " << bs;
        ASSERT_EQ(str(r), rs) << as << " / " << bs;
        EXPECT_LT(BCD_Compare(&r, &b), 0);
        BCD_Multiply(&q, &b, &check);
        BCD_Add(&check, &r, &check);
        EXPECT_EQ(BCD_Compare(&check, &a), 0);
        EXPECT_EQ(q.numUnits, (int)(str(q).size() + 3) / 4);
    }
}

TEST(DfpBcdDeathTest, BrokenPreconditionsEndTheProcess)
{
    BCDnumber a = bcd("5"), b = bcd("7"), r, zero;
    BCD_SetZero(&zero);
    EXPECT_EXIT(BCD_Subtract(&a, &b, &r), testing::ExitedWithCode(129),
                "DFP_Assert: Assertion failed: <BCD_Compare\\(a, b\\) >= 0>, file <common/dfp/BCDnumber>, "
                "line <[0-9]+>\\.\nVudOze Version: 2\\.4\\.23");
    EXPECT_EXIT(BCD_SubOne(&zero), testing::ExitedWithCode(129), "<!BCD_IsZero\\(num\\)>");
    EXPECT_EXIT(BCD_Divide(&a, &zero, &r, &r), testing::ExitedWithCode(129), "<!BCD_IsZero\\(b\\)>");
    EXPECT_EXIT(BCD_TakeLeadingUnits(&zero, 2, &r), testing::ExitedWithCode(129), "<!BCD_IsZero\\(a\\)>");
}

} // namespace
