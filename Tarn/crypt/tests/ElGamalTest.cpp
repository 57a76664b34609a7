// ElGamal encryption and NR-MD5 signatures with the fixture keys at 512 and 1024 bits, and the inputs
// an attacker controls: cut, padded, tampered ciphertexts and block counts chosen to wrap.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/hex.h>
#include <cryptopp/md5.h>

#include "Tarn/crypt/EGKeys.h"
#include "Tarn/crypt/tests/CryptTestSupport.h"
#include "platform/bytes/ByteIO.h"

namespace TarnCrypt::test {
namespace {

struct KeyCase {
    const char* file;
    size_t block;  // ciphertext block length
    size_t piece;  // largest plaintext per block
};
const KeyCase kKeys[] = {{"user1.der", 128, 61}, {"verifier.der", 256, 125}};

using ElGamalTest = CryptTest;

TEST_F(ElGamalTest, Md5MatchesPublishedVectors) {
    struct Case {
        const char *text, *digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        CryptoPP::Weak::MD5 md5;
        Bytes digest(16);
        md5.CalculateDigest(digest.data(), reinterpret_cast<const uint8_t*>(c.text), std::strlen(c.text));
        EXPECT_EQ(ToHex(digest), c.digest);
    }
}

TEST_F(ElGamalTest, EncryptionRoundTripsInWholeBlocks) {
    for (const KeyCase& k : kKeys) {
        EGPrivateKey priv(LoadKeyFile(k.file));
        EGPublicKey pub(priv);
        for (size_t n : {size_t(1), k.piece, k.piece + 1, size_t(300)}) {
            Bytes text(n);
            for (size_t i = 0; i < n; ++i) text[i] = static_cast<uint8_t>(i ^ 0x5A);
            const Bytes sealed = pub.Encrypt(text.data(), text.size());
            const size_t blocks = (n + k.piece - 1) / k.piece;
            ASSERT_EQ(sealed.size(), 4 + blocks * k.block) << k.file << " " << n;
            EXPECT_EQ(plat::LoadU32(sealed.data()), blocks);
            EXPECT_EQ(priv.Decrypt(sealed.data(), sealed.size()), text);
            EXPECT_NE(pub.Encrypt(text.data(), text.size()), sealed);  // fresh randomness each time
        }
        EXPECT_TRUE(pub.Encrypt(nullptr, 3).empty());
    }
}

TEST_F(ElGamalTest, DamagedCiphertextNeverReadsPastItsEnd) {
    for (const KeyCase& k : kKeys) {
        EGPrivateKey priv(LoadKeyFile(k.file));
        const Bytes text = ToBytes("session key bytes");
        const Bytes sealed = priv.GetPublicKey()->Encrypt(text.data(), text.size());
        ASSERT_EQ(sealed.size(), 4 + k.block);

        EXPECT_TRUE(priv.Decrypt(sealed.data(), 4).empty());
        EXPECT_TRUE(priv.Decrypt(sealed.data(), sealed.size() - 1).empty());  // cut short
        Bytes longer = sealed;
        longer.push_back(0);
        EXPECT_TRUE(priv.Decrypt(longer.data(), longer.size()).empty());
        // A count whose product with the block length wraps to the one block present.
        Bytes wrapped = sealed;
        plat::StoreU32(wrapped.data(), static_cast<uint32_t>((uint64_t(1) << 32) / k.block + 1));
        EXPECT_TRUE(priv.Decrypt(wrapped.data(), wrapped.size()).empty());
        Bytes zero = sealed;
        plat::StoreU32(zero.data(), 0);
        EXPECT_TRUE(priv.Decrypt(zero.data(), zero.size()).empty());
        // A changed block does not give the text back.
        Bytes tampered = sealed;
        tampered[4 + k.block / 2 + 3] ^= 0x01;
        EXPECT_NE(priv.Decrypt(tampered.data(), tampered.size()), text);
    }
}

TEST_F(ElGamalTest, SignaturesVerifyOnlyTheSignedBytesWithTheSignersKey) {
    const EGPublicKey other(LoadKeyFile("user2.pub.der"));
    for (const KeyCase& k : kKeys) {
        EGPrivateKey priv(LoadKeyFile(k.file));
        EGPublicKey pub(priv);
        const Bytes message = ToBytes("user=42;community=7;trust=3");
        const Bytes signature = priv.Sign(message.data(), message.size());
        ASSERT_FALSE(signature.empty());
        EXPECT_EQ(signature.size(), pub.SignatureLength());
        EXPECT_TRUE(pub.Verify(signature.data(), signature.size(), message.data(), message.size()));

        for (size_t i = 0; i < message.size(); ++i) {
            Bytes changed = message;
            changed[i] ^= 0x01;
            EXPECT_FALSE(pub.Verify(signature.data(), signature.size(), changed.data(), changed.size())) << i;
        }
        Bytes badSignature = signature;
        badSignature[badSignature.size() / 2] ^= 0x80;
        EXPECT_FALSE(pub.Verify(badSignature.data(), badSignature.size(), message.data(), message.size()));
        EXPECT_FALSE(pub.Verify(signature.data(), signature.size() - 1, message.data(), message.size()));
        EGPublicKey wrongKey(other);
        EXPECT_FALSE(wrongKey.Verify(signature.data(), signature.size(), message.data(), message.size()));
        EXPECT_FALSE(pub.Verify(nullptr, 0, message.data(), message.size()));
        EXPECT_TRUE(priv.Sign(message.data(), 0).empty());
    }
}

TEST_F(ElGamalTest, MalformedKeysFailQuietly) {
    const Bytes junk = {0x30, 0x03, 0x02, 0x01, 0x05};
    EGPublicKey pub(junk);
    const Bytes text = ToBytes("x");
    EXPECT_TRUE(pub.Encrypt(text.data(), text.size()).empty());
    EXPECT_FALSE(pub.Verify(text.data(), 1, text.data(), 1));
    EGPrivateKey priv(junk);
    EXPECT_EQ(priv.GetPublicKey(), nullptr);
    const Bytes block(132, 1);
    EXPECT_TRUE(priv.Decrypt(block.data(), block.size()).empty());
    EXPECT_TRUE(priv.Sign(text.data(), text.size()).empty());
    // Parameters out of range: an even modulus, a generator of 1.
    for (const char* hex : {"300c02011802010b020104020109", "300c02011702010b020101020109"}) {
        EGPublicKey bad(FromHex(hex));
        EXPECT_TRUE(bad.Encrypt(text.data(), text.size()).empty()) << hex;
    }
}

TEST_F(ElGamalTest, CachedCiphersFollowTheKeyBytes) {
    EGPublicKey pub(LoadKeyFile("user1.pub.der"));
    EGPrivateKey user2(LoadKeyFile("user2.der"));
    const Bytes text = ToBytes("for user two");
    pub.Encrypt(text.data(), text.size());  // builds the cache for user1
    pub = *user2.GetPublicKey();
    const Bytes sealed = pub.Encrypt(text.data(), text.size());
    EXPECT_EQ(user2.Decrypt(sealed.data(), sealed.size()), text);
}

}  // namespace
}  // namespace TarnCrypt::test
