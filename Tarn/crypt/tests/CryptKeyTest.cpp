// The key base: validity, copying, ordering, text forms, the hand-made DER key encoding.
#include <sstream>

#include "Tarn/crypt/BFSymmetricKey.h"
#include "Tarn/crypt/CryptException.h"
#include "Tarn/crypt/EGKeys.h"
#include "Tarn/crypt/KeyEncoding.h"
#include "Tarn/crypt/tests/CryptTestSupport.h"

namespace TarnCrypt::test {
namespace {

using CryptKeyTest = CryptTest;

TEST_F(CryptKeyTest, DefaultKeyIsOneZeroByteAndInvalid) {
    BFSymmetricKey key;
    EXPECT_EQ(key.GetKeyLen(), 1);
    EXPECT_FALSE(key.IsValid());
    const uint8_t one = 1;
    key.CopyKey(1, &one);
    EXPECT_TRUE(key.IsValid());
}

TEST_F(CryptKeyTest, CopyKeyChecksItsInput) {
    BFSymmetricKey key;
    const uint8_t bytes[] = {1, 2, 3, 4};
    key.CopyKey(4, bytes);
    key.CopyKey(2, key.GetKey());  // its own buffer: no change
    EXPECT_EQ(key.GetKeyLen(), 4);
    for (auto [length, data] : {std::pair<uint16_t, const uint8_t*>{0, bytes}, {4, nullptr}}) {
        try {
            key.CopyKey(length, data);
            ADD_FAILURE();
        } catch (CryptException& e) {
            e.SetLogged(false);
            EXPECT_EQ(e.GetCode(), 2);
            EXPECT_EQ(e.GetText(), "NULL key or length in CryptKeyBase::CopyKey!");
        }
    }
    EGPublicKey pub;
    try {
        pub.Create(8);
        ADD_FAILURE();
    } catch (CryptException& e) {
        e.SetLogged(false);
        EXPECT_EQ(e.GetCode(), 2);
        EXPECT_EQ(e.GetText(), "Create(len) called on PublicKey.");
    }
}

TEST_F(CryptKeyTest, KeysOrderByteWiseThenShorterFirst) {
    struct Case {
        Bytes a, b;
        bool less;
    } cases[] = {
        {{1, 2}, {1, 3}, true}, {{1, 3}, {1, 2}, false}, {{1}, {1, 0}, true},
        {{0xFF}, {0x01, 0x00}, false}, {{5, 5}, {5, 5}, false},
    };
    for (const Case& c : cases) {
        BFSymmetricKey a(static_cast<uint16_t>(c.a.size()), c.a.data());
        BFSymmetricKey b(static_cast<uint16_t>(c.b.size()), c.b.data());
        EXPECT_EQ(a < b, c.less);
        EXPECT_EQ(a == b, c.a == c.b);
    }
}

TEST_F(CryptKeyTest, DumpWritesHexWithoutLeadingZeros) {
    const uint8_t bytes[] = {0x00, 0x1F, 0xAB, 0x05};
    BFSymmetricKey key(4, bytes);
    std::ostringstream out;
    key.Dump(out);
    out << 12;  // back to decimal afterwards
    EXPECT_EQ(out.str(), "(Len=4 Key=0 1f ab 5 )12");
}

TEST_F(CryptKeyTest, IntegersEncodeAsOneDerSequence) {
    const Bytes toy = EncodeIntegers({CryptoPP::Integer(23), CryptoPP::Integer(11), CryptoPP::Integer(4),
                                      CryptoPP::Integer(9)});
    EXPECT_EQ(ToHex(toy), "300c02011702010b020104020109");
    // A leading 00 keeps a high bit from reading as negative.
    EXPECT_EQ(ToHex(EncodeIntegers({CryptoPP::Integer(200)})), "3004020200c8");
    const auto back = DecodeIntegers(toy, 4);
    EXPECT_EQ(back[0], CryptoPP::Integer(23));
    EXPECT_EQ(back[3], CryptoPP::Integer(9));

    EGPublicKey pub(toy);
    std::ostringstream out;
    pub.Dump(out);
    EXPECT_EQ(out.str(), "(Len=14 P=23. Q=11. G=4. Y=9.)");

    const Bytes damaged[] = {
        Bytes(toy.begin(), toy.end() - 1),          // cut short
        [&] { Bytes b = toy; b.push_back(0); return b; }(),  // a byte after the sequence
        FromHex("3009020117020104020109"),          // three integers
        FromHex("310c02011702010b020104020109"),    // a SET, not a SEQUENCE
        FromHex("30ff"),                           // a length beyond the bytes
    };
    for (const Bytes& bad : damaged) {
        EXPECT_THROW(DecodeIntegers(bad, 4), CryptoPP::BERDecodeErr) << ToHex(bad);
        EGPublicKey malformed(bad);
        std::ostringstream text;
        malformed.Dump(text);
        EXPECT_EQ(text.str().rfind("(EGPublicKey Exception: ", 0), 0u) << text.str();
    }
}

TEST_F(CryptKeyTest, PublicKeyDerivedFromThePrivateKeyMatchesTheFixture) {
    const EGPrivateKey priv(LoadKeyFile("user1.der"));
    const EGPublicKey pub(priv);
    EXPECT_EQ(pub.GetKeyBytes(), LoadKeyFile("user1.pub.der"));
    EGPrivateKey copy(priv);
    ASSERT_NE(copy.GetPublicKey(), nullptr);
    EXPECT_EQ(*copy.GetPublicKey(), pub);

    const Bytes junk = {1, 2, 3};
    EXPECT_THROW(EGPublicKey{EGPrivateKey(junk)}, CryptException);
}

TEST_F(CryptKeyTest, KeyGenerationMakesAWorkingPairAndRefusesTinyModuli) {
    EGPrivateKey key;
    key.Create(64);
    const Bytes message = ToBytes("generated");
    const Bytes signature = key.Sign(message.data(), message.size());
    EGPublicKey pub(key);
    EXPECT_TRUE(pub.Verify(signature.data(), signature.size(), message.data(), message.size()));
    const Bytes sealed = pub.Encrypt(message.data(), message.size());
    EXPECT_EQ(key.Decrypt(sealed.data(), sealed.size()), message);

    EGPrivateKey tiny;
    try {
        tiny.Create(0);  // 64 bits: broken at once
        ADD_FAILURE();
    } catch (CryptException& e) {
        e.SetLogged(false);
        EXPECT_EQ(e.GetCode(), 2);
    }
}

}  // namespace
}  // namespace TarnCrypt::test
