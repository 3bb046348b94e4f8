// The Blowfish wrapper and encrypted files.
#include <gtest/gtest.h>

#include <nettle/blowfish.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/RawCrypto.h"
#include "base/SmartPtr.h"
#include "support/Sandbox.h"
#include "vfs/EncryptedFile.h"
#include "vfs/Vfs.h"

using namespace Vorn;
using VornTest::Sandbox;

namespace {

// A block as the reference descriptions write it (halves big-endian) turned into our layout
// (halves little-endian), and back: the same swap.
std::vector<u8> SwapHalves(std::vector<u8> block)
{
    for (size_t i = 0; i < block.size(); i += 4)
        std::swap(block[i], block[i + 3]), std::swap(block[i + 1], block[i + 2]);
    return block;
}

std::vector<u8> Hex(const char* text)
{
    std::vector<u8> bytes;
    for (const char* c = text; c[0] && c[1]; c += 2)
        bytes.push_back(static_cast<u8>(std::stoi(std::string(c, 2), nullptr, 16)));
    return bytes;
}

std::vector<u8> Encipher(RawCrypto& cipher, const std::vector<u8>& plain)
{
    std::vector<u8> out(plain.size());
    cipher.Encrypt(plain.data(), static_cast<u32>(plain.size()), out.data());
    return out;
}

} // namespace

TEST(RawCrypto, MatchesPublishedVectors)
{
    struct Vector {
        const char *key, *plain, *cipher;
    };
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    };
    for (const Vector& v : vectors) {
        RawCrypto cipher;
        std::vector<u8> key = Hex(v.key);
        cipher.SetKeyBytes(key.data(), static_cast<u32>(key.size()));
        EXPECT_EQ(Encipher(cipher, SwapHalves(Hex(v.plain))), SwapHalves(Hex(v.cipher))) << v.key;
    }
}

TEST(RawCrypto, AgreesWithAnIndependentImplementation)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 50; ++round) {
        std::string key;
        size_t length = BLOWFISH_MIN_KEY_SIZE + rng() % (BLOWFISH_MAX_KEY_SIZE - BLOWFISH_MIN_KEY_SIZE + 1);
        while (key.size() < length)
            key.push_back(static_cast<char>(1 + rng() % 255)); // no NUL: the key is a C string
        blowfish_ctx reference;
        if (!blowfish_set_key(&reference, key.size(), reinterpret_cast<const u8*>(key.data())))
            continue; // a weak key
        std::vector<u8> plain(64);
        for (u8& b : plain)
            b = static_cast<u8>(rng());
        std::vector<u8> expected(plain.size());
        std::vector<u8> swapped = SwapHalves(plain);
        blowfish_encrypt(&reference, swapped.size(), expected.data(), swapped.data());

        RawCrypto cipher{NarrowString(key)};
        std::vector<u8> ours = Encipher(cipher, plain);
        ASSERT_EQ(ours, SwapHalves(expected)) << "key length " << length;
        std::vector<u8> back(ours.size());
        cipher.Decrypt(ours.data(), static_cast<u32>(ours.size()), back.data());
        EXPECT_EQ(back, plain);
    }
}

TEST(RawCrypto, KeysStopAtTheirFirstNulAndPartialBlocksAreOnlyCopied)
{
    RawCrypto withTail(NarrowString(std::string("secret\0tail", 11)));
    RawCrypto plain(NarrowString("secret"));
    RawCrypto none;
    RawCrypto empty(NarrowString(""));
    std::vector<u8> block(16, 0x5A);
    EXPECT_EQ(Encipher(withTail, block), Encipher(plain, block));
    EXPECT_NE(Encipher(plain, block), Encipher(none, block));
    EXPECT_EQ(Encipher(empty, block), Encipher(none, block));
    std::vector<u8> odd(12, 0x5A);
    EXPECT_EQ(Encipher(plain, odd), odd);
}

class EncryptedFileTest : public ::testing::Test {
protected:
    EncryptedFileTest() { Vfs::MountNative("./", "save/", VfsMount::SAVE_STORAGE); }

    std::vector<u8> Stored(const char* name) { return VornTest::ReadBytes(Sandbox::Data(name)); }

    Sandbox m_sandbox;
};

TEST_F(EncryptedFileTest, EmptyAndWholeBlockContentGainAFullPaddingBlock)
{
    {
        SmartPtr<File> file(Vfs::CreateEncrypted("save/empty", "key"));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->Flush());
    }
    std::vector<u8> empty = Stored("._empty");
    ASSERT_EQ(empty.size(), 9u);
    EXPECT_EQ(empty[0], 1);
    RawCrypto cipher(NarrowString("key"));
    EXPECT_EQ(std::vector<u8>(empty.begin() + 1, empty.end()), Encipher(cipher, std::vector<u8>(8, 8)));

    {
        SmartPtr<File> file(Vfs::CreateEncrypted("save/eight", "key"));
        EXPECT_EQ(file->Write("12345678", 8), 8u);
    } // destruction writes it out
    EXPECT_EQ(Stored("._eight").size(), 17u);
}

TEST_F(EncryptedFileTest, RoundTripWithTheKeyOnly)
{
    std::string text = "registry text that spans several blocks, with no special length";
    {
        SmartPtr<File> file(Vfs::CreateEncrypted("save/reg", "right key"));
        ASSERT_TRUE(file->WriteString(text));
        EXPECT_TRUE(file->Close());
    }
    SmartPtr<File> file(Vfs::OpenEncrypted("save/reg", "right key"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->GetSize(), text.size());
    std::string back(text.size(), '\0');
    EXPECT_EQ(file->Read(&back[0], 1000), static_cast<s32>(text.size()));
    EXPECT_EQ(back, text);
    EXPECT_EQ(file->Read(&back[0], 1), 0);
    EXPECT_EQ(file->Write("x", 1), 0u); // read mode

    EXPECT_EQ(Vfs::OpenEncrypted("save/reg", "wrong key"), nullptr);
    EXPECT_EQ(Vfs::OpenEncrypted("save/missing", "right key"), nullptr);
}

TEST_F(EncryptedFileTest, DamagedFilesAreRefused)
{
    std::vector<u8> good;
    {
        SmartPtr<File> file(Vfs::CreateEncrypted("save/x", "k"));
        file->WriteString("some content");
    }
    good = Stored("._x");
    ASSERT_EQ(good.size(), 17u);

    std::vector<u8> marker = good;
    marker[0] = 2;
    std::vector<u8> notWhole(good.begin(), good.begin() + 13);
    std::vector<u8> onlyMarker(good.begin(), good.begin() + 1);
    for (const std::vector<u8>& bad : {marker, notWhole, onlyMarker, std::vector<u8>()}) {
        VornTest::WriteBytes(Sandbox::Data("._x"), bad);
        EXPECT_EQ(Vfs::OpenEncrypted("save/x", "k"), nullptr) << bad.size();
    }
}

TEST_F(EncryptedFileTest, SeeksNeverGoBelowZeroAndGapsFillWithZeros)
{
    EncryptedFile file(NarrowString("k"));
    EXPECT_FALSE(file.Seek(0, SeekableStream::FROM_START)); // closed
    ASSERT_TRUE(file.OpenWrite("save/gap"));
    EXPECT_EQ(file.Write("ab", 2), 2u);
    EXPECT_FALSE(file.Seek(-3, SeekableStream::FROM_CURRENT));
    EXPECT_FALSE(file.Seek(-1, SeekableStream::FROM_START));
    EXPECT_FALSE(file.Seek(-3, SeekableStream::FROM_END));
    EXPECT_FALSE(file.Seek(0, 5));
    EXPECT_EQ(file.Tell(), 2u);
    EXPECT_TRUE(file.Seek(300, SeekableStream::FROM_START));
    EXPECT_EQ(file.Write("z", 1), 1u);
    EXPECT_EQ(file.GetSize(), 301u);
    EXPECT_TRUE(file.Seek(0, SeekableStream::FROM_START));
    std::vector<char> all(301);
    EXPECT_EQ(file.Read(all.data(), 301), 301);
    EXPECT_EQ(std::string(all.data(), 2), "ab");
    EXPECT_EQ(std::vector<char>(all.begin() + 2, all.end() - 1), std::vector<char>(298, 0));
    EXPECT_EQ(all.back(), 'z');
    EXPECT_TRUE(file.Flush());
    EXPECT_EQ(file.GetSize(), 301u); // the padding is not part of the content
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(EncryptedFileTest, AFailedFlushKeepsTheContent)
{
    EncryptedFile file(NarrowString("k"));
    ASSERT_TRUE(file.OpenWrite("nowhere/x"));
    EXPECT_EQ(file.Write("abc", 3), 3u);
    EXPECT_FALSE(file.Flush());
    EXPECT_EQ(file.GetSize(), 3u);
    EXPECT_FALSE(file.Close());
}
