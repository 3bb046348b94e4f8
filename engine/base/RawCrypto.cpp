#include "base/RawCrypto.h"

#include <cstring>
#include <utility>
#include <vector>

namespace Vorn {

namespace {

const int ROUNDS = 16;
const size_t TABLE_WORDS = 18 + 4 * 256;

// Big fixed-point numbers: word 0 is the integer part, words 1.. the fraction, most significant
// first.
typedef std::vector<u32> Fixed;

void DivideInPlace(Fixed& x, u32 divisor)
{
    u64 remainder = 0;
    for (u32& word : x) {
        u64 current = (remainder << 32) | word;
        word = static_cast<u32>(current / divisor);
        remainder = current % divisor;
    }
}

void AddOrSubtract(Fixed& sum, const Fixed& term, bool subtract)
{
    u64 carry = 0;
    for (size_t i = sum.size(); i-- > 0;) {
        if (subtract) {
            u64 need = static_cast<u64>(term[i]) + carry;
            carry = sum[i] < need ? 1 : 0;
            sum[i] = static_cast<u32>(sum[i] - need);
        } else {
            u64 total = static_cast<u64>(sum[i]) + term[i] + carry;
            sum[i] = static_cast<u32>(total);
            carry = total >> 32;
        }
    }
}

bool IsZero(const Fixed& x)
{
    for (u32 word : x) {
        if (word != 0)
            return false;
    }
    return true;
}

// factor * arctan(1 / x), added to sum.
void AddArctanInverse(Fixed& sum, u32 factor, u32 x)
{
    Fixed power(sum.size(), 0);
    power[0] = factor;
    DivideInPlace(power, x);
    Fixed term(sum.size());
    for (u32 k = 0; !IsZero(power); ++k) {
        term = power;
        DivideInPlace(term, 2 * k + 1);
        AddOrSubtract(sum, term, k % 2 == 1);
        DivideInPlace(power, x * x);
    }
}

} // namespace

const RawCrypto::Tables& RawCrypto::InitialTables()
{
    // Machin's formula, pi = 16 arctan(1/5) - 4 arctan(1/239), to a few words beyond what the tables
    // take; the guard words absorb the truncation of the series.
    static const Tables s_tables = [] {
        const size_t guard = 4;
        Fixed pi(1 + TABLE_WORDS + guard, 0);
        AddArctanInverse(pi, 16, 5);
        Fixed second(pi.size(), 0);
        AddArctanInverse(second, 4, 239);
        AddOrSubtract(pi, second, true);
        Tables tables;
        std::memcpy(tables.p, &pi[1], sizeof tables.p);
        std::memcpy(tables.s, &pi[1 + 18], sizeof tables.s);
        return tables;
    }();
    return s_tables;
}

RawCrypto::RawCrypto() : m_tables(InitialTables()) {}

RawCrypto::RawCrypto(const NarrowString& key) : m_tables(InitialTables())
{
    SetKey(key);
}

RawCrypto::~RawCrypto()
{
    // Wipe the key schedule.
    m_tables = InitialTables();
}

void RawCrypto::SetKey(const NarrowString& key)
{
    SetKeyBytes(reinterpret_cast<const u8*>(key.c_str()), static_cast<u32>(std::strlen(key.c_str())));
}

void RawCrypto::SetKeyBytes(const u8* key, u32 length)
{
    m_tables = InitialTables();
    if (length == 0)
        return;
    u32 j = 0;
    for (u32& p : m_tables.p) {
        u32 data = 0;
        for (int k = 0; k < 4; ++k) {
            data = (data << 8) | key[j];
            j = (j + 1) % length;
        }
        p ^= data;
    }
    u32 left = 0, right = 0;
    for (int i = 0; i < 18; i += 2) {
        EncryptHalves(left, right);
        m_tables.p[i] = left;
        m_tables.p[i + 1] = right;
    }
    for (auto& box : m_tables.s) {
        for (int i = 0; i < 256; i += 2) {
            EncryptHalves(left, right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
}

u32 RawCrypto::F(u32 x) const
{
    const auto& s = m_tables.s;
    return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
}

void RawCrypto::EncryptHalves(u32& left, u32& right) const
{
    u32 l = left, r = right;
    for (int i = 0; i < ROUNDS; ++i) {
        l ^= m_tables.p[i];
        r ^= F(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= m_tables.p[ROUNDS];
    l ^= m_tables.p[ROUNDS + 1];
    left = l;
    right = r;
}

void RawCrypto::DecryptHalves(u32& left, u32& right) const
{
    u32 l = left, r = right;
    for (int i = ROUNDS + 1; i > 1; --i) {
        l ^= m_tables.p[i];
        r ^= F(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= m_tables.p[1];
    l ^= m_tables.p[0];
    left = l;
    right = r;
}

namespace {

u32 LoadLittle(const u8* at)
{
    return static_cast<u32>(at[0]) | static_cast<u32>(at[1]) << 8 | static_cast<u32>(at[2]) << 16 |
           static_cast<u32>(at[3]) << 24;
}

void StoreLittle(u8* at, u32 value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<u8>(value >> (8 * i));
}

// Encrypt and Decrypt: the copy, then halves(left, right) over each block of it in place.
template <class Halves>
void CopyAndRun(const void* source, u32 length, void* destination, Halves halves)
{
    if (length > 0)
        std::memmove(destination, source, length);
    if (length == 0 || length % RawCrypto::BLOCK_SIZE != 0)
        return;
    u8* block = static_cast<u8*>(destination);
    for (u32 i = 0; i < length; i += RawCrypto::BLOCK_SIZE, block += RawCrypto::BLOCK_SIZE) {
        u32 left = LoadLittle(block), right = LoadLittle(block + 4);
        halves(left, right);
        StoreLittle(block, left);
        StoreLittle(block + 4, right);
    }
}

} // namespace

void RawCrypto::Encrypt(const void* source, u32 length, void* destination) const
{
    CopyAndRun(source, length, destination, [this](u32& left, u32& right) {
        EncryptHalves(left, right);
    });
}

void RawCrypto::Decrypt(const void* source, u32 length, void* destination) const
{
    CopyAndRun(source, length, destination, [this](u32& left, u32& right) {
        DecryptHalves(left, right);
    });
}

} // namespace Vorn
