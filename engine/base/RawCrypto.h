// The Blowfish block cipher (ECB) over whole 8-byte blocks, as the encrypted files store them: each
// block's halves are little-endian 32-bit words (bytes 0-3 the left half, 4-7 the right).
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"

namespace Vorn {

class RawCrypto : public RefCounter {
public:
    // Without a key the cipher runs on the initial tables.
    RawCrypto();
    explicit RawCrypto(const NarrowString& key);
    ~RawCrypto() override;

    // Resets the tables and runs the standard key schedule over the key's bytes before its first
    // NUL; an empty key leaves the initial tables.
    void SetKey(const NarrowString& key);
    void SetKeyBytes(const u8* key, u32 length);

    // Copy length bytes from source to destination, then encipher (decipher) the copy in place.
    // A length of 0 or one that is not a multiple of 8 is copied unchanged.
    void Encrypt(const void* source, u32 length, void* destination) const;
    void Decrypt(const void* source, u32 length, void* destination) const;

    static const u32 BLOCK_SIZE = 8;

private:
    struct Tables {
        u32 p[18];
        u32 s[4][256];
    };

    // The initial tables: the fraction of pi in hexadecimal, computed once.
    static const Tables& InitialTables();
    u32 F(u32 x) const;
    void EncryptHalves(u32& left, u32& right) const;
    void DecryptHalves(u32& left, u32& right) const;

    Tables m_tables;
};

} // namespace Vorn
