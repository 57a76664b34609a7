// Blowfish: published known answers for the cipher, then the session format (CBC with the fixed vector,
// PKCS padding, a length word first) rebuilt block by block from the checked cipher.
#include <cryptopp/blowfish.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>

#include "Tarn/crypt/BFSymmetricKey.h"
#include "Tarn/crypt/tests/CryptTestSupport.h"

namespace TarnCrypt::test {
namespace {

using BlowfishTest = CryptTest;

Bytes EcbEncrypt(const Bytes& key, const Bytes& block) {
    CryptoPP::BlowfishEncryption cipher(key.data(), key.size());
    Bytes out(8);
    cipher.ProcessBlock(block.data(), out.data());
    return out;
}

TEST_F(BlowfishTest, CipherMatchesPublishedVectors) {
    struct Case {
        const char *key, *plain, *cipher;
    } cases[] = {
        {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
        {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
        {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
        {"1111111111111111", "1111111111111111", "2466dd878b963c9d"},
        {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
        {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToHex(EcbEncrypt(FromHex(c.key), FromHex(c.plain))), c.cipher) << c.key;

    // The published CBC vector: a 16-byte key, 29 bytes of text padded with zeros.
    const Bytes key = FromHex("0123456789abcdeff0e1d2c3b4a59687");
    const Bytes iv = FromHex("fedcba9876543210");
    Bytes text = ToBytes("7654321 Now is the time for ");
    text.resize(32, 0);
    CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Encryption cbc(key.data(), key.size(), iv.data());
    Bytes out(32);
    cbc.ProcessData(out.data(), text.data(), text.size());
    EXPECT_EQ(ToHex(out), "6b77b4d63006dee605b156e27403979358deb9e7154616d959f1652bd5ff92cc");
}

TEST_F(BlowfishTest, SessionFormatIsLengthWordTextAndPkcsPaddingUnderCbc) {
    const Bytes key = FromHex("0123456789abcdeff0e1d2c3b4a59687");
    BFSymmetricKey bf(static_cast<uint16_t>(key.size()), key.data());
    const Bytes text = ToBytes("hello, world");  // 4 + 12 = 16 bytes: a whole block of padding follows
    const Bytes sealed = bf.Encrypt(text.data(), text.size());
    ASSERT_EQ(sealed.size(), 24u);

    Bytes plain = {12, 0, 0, 0};
    plain.insert(plain.end(), text.begin(), text.end());
    plain.insert(plain.end(), 8, 8);
    Bytes chain(kBlowfishIV, kBlowfishIV + 8);
    Bytes expected;
    for (size_t at = 0; at < plain.size(); at += 8) {
        Bytes block(8);
        for (int i = 0; i < 8; ++i) block[i] = plain[at + i] ^ chain[i];
        chain = EcbEncrypt(key, block);
        expected.insert(expected.end(), chain.begin(), chain.end());
    }
    EXPECT_EQ(sealed, expected);
    // Every message starts from the vector again.
    EXPECT_EQ(bf.Encrypt(text.data(), text.size()), expected);
}

TEST_F(BlowfishTest, RoundTripsEveryLengthAndRefusesEmptyInput) {
    BFSymmetricKey key;
    key.Create(0);
    ASSERT_EQ(key.GetKeyLen(), 8);
    for (size_t n = 1; n <= 40; ++n) {
        Bytes text(n);
        for (size_t i = 0; i < n; ++i) text[i] = static_cast<uint8_t>(i * 37 + n);
        const Bytes sealed = key.Encrypt(text.data(), text.size());
        EXPECT_EQ(sealed.size(), (n + 4) / 8 * 8 + 8);
        EXPECT_EQ(key.Decrypt(sealed.data(), sealed.size()), text) << n;
    }
    const uint8_t byte = 1;
    EXPECT_TRUE(key.Encrypt(&byte, 0).empty());
    EXPECT_TRUE(key.Encrypt(nullptr, 4).empty());
    EXPECT_TRUE(key.Decrypt(&byte, 0).empty());
}

TEST_F(BlowfishTest, DamagedCiphertextGivesAnEmptyResult) {
    const Bytes key = FromHex("00112233445566778899aabbccddeeff");
    BFSymmetricKey bf(static_cast<uint16_t>(key.size()), key.data());
    auto seal = [&](const Bytes& plain) {  // raw CBC with PKCS padding, no length word added
        CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Encryption cbc(key.data(), key.size(), kBlowfishIV);
        std::string out;
        CryptoPP::StringSource(std::string(plain.begin(), plain.end()), true,
                               new CryptoPP::StreamTransformationFilter(cbc, new CryptoPP::StringSink(out)));
        return Bytes(out.begin(), out.end());
    };
    // The inner length exceeds what follows; a length word cut short; more bytes than the length names.
    EXPECT_TRUE(bf.Decrypt(seal({100, 0, 0, 0, 'a', 'b', 'c'}).data(), 8).empty());
    EXPECT_TRUE(bf.Decrypt(seal({3, 0, 0}).data(), 8).empty());
    EXPECT_EQ(bf.Decrypt(seal({2, 0, 0, 0, 'a', 'b', 'c'}).data(), 8), ToBytes("ab"));

    const Bytes text = ToBytes("some session traffic");
    Bytes sealed = bf.Encrypt(text.data(), text.size());
    Bytes cut(sealed.begin(), sealed.end() - 3);  // not whole blocks
    EXPECT_TRUE(bf.Decrypt(cut.data(), cut.size()).empty());
    sealed.back() ^= 0x55;  // the padding no longer reads
    EXPECT_TRUE(bf.Decrypt(sealed.data(), sealed.size()).empty());

    const uint8_t shortKey[] = {1, 2, 3};  // the cipher takes 4 to 56 bytes
    BFSymmetricKey tooShort(3, shortKey);
    EXPECT_TRUE(tooShort.Encrypt(text.data(), text.size()).empty());
}

}  // namespace
}  // namespace TarnCrypt::test
