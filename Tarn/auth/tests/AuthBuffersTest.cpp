// Certificates and key blocks: layout, unpacking damaged buffers, signatures, periods and roles.
#include <sstream>

#include "Tarn/auth/CertificateCheck.h"
#include "Tarn/crypt/tests/CryptTestSupport.h"
#include "platform/bytes/ByteIO.h"

namespace TarnAuth::test {
namespace {

using TarnCrypt::test::LoadKeyFile;

constexpr uint32_t kIssue = 1700000000;
constexpr uint32_t kExpire = kIssue + 3600;

class AuthBuffersTest : public TarnCrypt::test::CryptTest {
protected:
    EGPrivateKey verifier{LoadKeyFile("verifier.der")};
    EGPrivateKey server1{LoadKeyFile("authserver1.der")};
    EGPrivateKey server2{LoadKeyFile("authserver2.der")};
    EGPrivateKey user{LoadKeyFile("user1.der")};
    EGPrivateKey stranger{LoadKeyFile("user2.der")};

    Auth1PublicKeyBlock MakeBlock() {
        Auth1PublicKeyBlock block;
        block.SetIssueTime(kIssue);
        block.SetExpireTime(kExpire);
        block.SetBlockId(7);
        block.AddKey(*server1.GetPublicKey());
        block.AddKey(*server2.GetPublicKey());
        EXPECT_TRUE(block.PackAndSign(verifier));
        return block;
    }

    Auth1Certificate MakeCertificate(EGPrivateKey& signer, uint32_t userId = 42, uint32_t issue = kIssue) {
        Auth1Certificate cert;
        cert.SetIssueTime(issue);
        cert.SetExpireTime(kExpire);
        cert.SetUserId(userId);
        cert.SetCommunityId(7);
        cert.SetTrustLevel(3);
        cert.SetPublicKey(*user.GetPublicKey());
        EXPECT_TRUE(cert.PackAndSign(signer));
        return cert;
    }
};

TEST_F(AuthBuffersTest, CertificateLayoutIsFieldByField) {
    const Auth1Certificate cert = MakeCertificate(server1);
    const Bytes& raw = cert.GetRawBuffer();
    const Bytes& key = user.GetPublicKey()->GetKeyBytes();
    Bytes head = {0x01, 0x00, 0x00, 0xF1, 0x53, 0x65, 0x10, 0xFF, 0x53, 0x65,
                  0x2A, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x03, 0x00};
    head.push_back(static_cast<uint8_t>(key.size()));
    head.push_back(static_cast<uint8_t>(key.size() >> 8));
    ASSERT_GT(raw.size(), head.size() + key.size());
    EXPECT_EQ(Bytes(raw.begin(), raw.begin() + head.size()), head);
    EXPECT_EQ(Bytes(raw.begin() + head.size(), raw.begin() + head.size() + key.size()), key);
    EXPECT_EQ(cert.GetDataLength(), head.size() + key.size());
    EXPECT_EQ(raw.size() - cert.GetDataLength(), server1.GetPublicKey()->SignatureLength());

    const Auth1Certificate back(raw);
    ASSERT_FALSE(back.IsEmpty());
    EXPECT_EQ(back.GetUserId(), 42u);
    EXPECT_EQ(back.GetCommunityId(), 7u);
    EXPECT_EQ(back.GetTrustLevel(), 3);
    EXPECT_EQ(back.GetIssueTime(), kIssue);
    EXPECT_EQ(back.GetExpireTime(), kExpire);
    EXPECT_EQ(back.GetPublicKey(), *user.GetPublicKey());
    EXPECT_EQ(back.Compare(cert), 0);
}

TEST_F(AuthBuffersTest, KeyBlockLayoutAndCopies) {
    const Auth1PublicKeyBlock block = MakeBlock();
    const Bytes& raw = block.GetRawBuffer();
    EXPECT_EQ(plat::LoadU16(raw.data() + 10), 7);
    EXPECT_EQ(plat::LoadU16(raw.data() + 12), 2);
    const uint16_t firstLength = plat::LoadU16(raw.data() + 14);
    EXPECT_EQ(firstLength, server1.GetPublicKey()->GetKeyLen());
    EXPECT_EQ(block.GetMinLength(false), block.GetDataLength());

    Auth1PublicKeyBlock back(raw);
    ASSERT_EQ(back.GetKeys().size(), 2u);
    EXPECT_EQ(back.GetKeys()[1], *server2.GetPublicKey());
    Auth1PublicKeyBlock copy = back;
    EXPECT_EQ(copy.Compare(block), 0);
    EXPECT_EQ(copy.GetRawBuffer(), raw);
}

TEST_F(AuthBuffersTest, DamagedBuffersDoNotUnpack) {
    const Bytes cert = MakeCertificate(server1).GetRawBuffer();
    const Bytes block = MakeBlock().GetRawBuffer();
    const uint16_t certData = Auth1Certificate(cert).GetDataLength();
    const uint16_t blockData = Auth1PublicKeyBlock(block).GetDataLength();

    EXPECT_TRUE(Auth1Certificate(cert.data(), certData).IsEmpty());  // no signature byte
    EXPECT_FALSE(Auth1Certificate(cert.data(), certData + 1u).IsEmpty());
    Bytes family2 = cert;
    family2[0] = 2;
    EXPECT_TRUE(Auth1Certificate(family2).IsEmpty());
    Bytes blockFamily2 = block;
    blockFamily2[0] = 2;
    EXPECT_TRUE(Auth1PublicKeyBlock(blockFamily2).IsEmpty());
    Bytes threeKeys = block;
    threeKeys[12] = 3;  // announces 3, holds 2 (the signature bytes cannot make up a third)
    EXPECT_TRUE(Auth1PublicKeyBlock(threeKeys).IsEmpty());
    Bytes zeroKey = cert;
    zeroKey[20] = 0;
    zeroKey[21] = 0;  // an empty key
    EXPECT_TRUE(Auth1Certificate(zeroKey).IsEmpty());
    Bytes hugeKey = cert;
    hugeKey[20] = 0xFF;
    hugeKey[21] = 0xFF;
    EXPECT_TRUE(Auth1Certificate(hugeKey).IsEmpty());
    EXPECT_TRUE(Auth1Certificate(nullptr, 40).IsEmpty());

    // Every prefix either fails to unpack or (cut inside the signature) fails to verify.
    Auth1PublicKeyBlock trusted = MakeBlock();
    for (size_t n = 0; n < cert.size(); ++n) {
        Auth1Certificate cut(cert.data(), n);
        EXPECT_TRUE(cut.IsEmpty() || (n > certData && !trusted.VerifyFamilyBuffer(cut))) << n;
    }
    for (size_t n = 0; n < block.size(); ++n) {
        Auth1PublicKeyBlock cut(block.data(), n);
        EXPECT_TRUE(cut.IsEmpty() || (n > blockData && !cut.Verify(*verifier.GetPublicKey()))) << n;
    }
}

TEST_F(AuthBuffersTest, SignaturesBindEveryByteToTheBlocksKeys) {
    Auth1PublicKeyBlock block = MakeBlock();
    EXPECT_TRUE(block.Verify(*verifier.GetPublicKey()));
    EXPECT_FALSE(block.Verify(*server1.GetPublicKey()));

    const Auth1Certificate bySecond = MakeCertificate(server2);
    EXPECT_TRUE(block.VerifyFamilyBuffer(bySecond));
    const Auth1Certificate byStranger = MakeCertificate(stranger);
    EXPECT_FALSE(block.VerifyFamilyBuffer(byStranger));

    const Bytes raw = MakeCertificate(server1).GetRawBuffer();
    for (size_t i = 0; i < raw.size(); i += 7) {
        Bytes changed = raw;
        changed[i] ^= 0x04;
        Auth1Certificate cert(changed);
        EXPECT_FALSE(!cert.IsEmpty() && block.VerifyFamilyBuffer(cert)) << i;
    }
    EXPECT_FALSE(block.VerifyFamilyBuffer(Auth1Certificate()));
    EXPECT_FALSE(Auth1PublicKeyBlock().VerifyFamilyBuffer(bySecond));
}

TEST_F(AuthBuffersTest, ChecksEnforcePeriodRoleAndSigner) {
    Auth1PublicKeyBlock block = MakeBlock();
    const uint32_t now = kIssue + 600;
    struct Case {
        const char* name;
        Auth1Certificate cert;
        uint32_t now;
        CertRole role;
        CertCheck expected;
    } cases[] = {
        {"user now", MakeCertificate(server1), now, CertRole::kUser, CertCheck::kOk},
        {"server now", MakeCertificate(server1, kServerUserIdBase + 1), now, CertRole::kServer, CertCheck::kOk},
        {"user as server", MakeCertificate(server1), now, CertRole::kServer, CertCheck::kWrongRole},
        {"server as user", MakeCertificate(server1, kServerUserIdBase), now, CertRole::kUser, CertCheck::kWrongRole},
        {"expired", MakeCertificate(server1), kExpire + kClockSkew + 1, CertRole::kUser, CertCheck::kExpired},
        {"within skew", MakeCertificate(server1), kExpire + kClockSkew, CertRole::kUser, CertCheck::kOk},
        {"not yet", MakeCertificate(server1), kIssue - kClockSkew - 1, CertRole::kUser, CertCheck::kNotYetValid},
        {"unknown signer", MakeCertificate(stranger), now, CertRole::kUser, CertCheck::kBadSignature},
        {"empty", Auth1Certificate(), now, CertRole::kUser, CertCheck::kEmpty},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckCertificate(c.cert, block, c.now, c.role), c.expected)
            << c.name << ": " << CertCheckName(CheckCertificate(c.cert, block, c.now, c.role));

    EGPublicKey trusted(*verifier.GetPublicKey());
    EGPublicKey untrusted(*stranger.GetPublicKey());
    EXPECT_EQ(CheckPublicKeyBlock(block, trusted, now), CertCheck::kOk);
    EXPECT_EQ(CheckPublicKeyBlock(block, untrusted, now), CertCheck::kBadSignature);
    EXPECT_EQ(CheckPublicKeyBlock(block, trusted, kExpire + kClockSkew + 1), CertCheck::kExpired);
}

TEST_F(AuthBuffersTest, CompareOrdersByFieldsInTurn) {
    const Auth1Certificate early = MakeCertificate(server1, 42, kIssue);
    const Auth1Certificate late = MakeCertificate(server1, 42, kIssue + 1);
    EXPECT_LT(early.Compare(late), 0);
    EXPECT_GT(late.Compare(early), 0);
    const Auth1Certificate otherUser = MakeCertificate(server1, 43);
    EXPECT_LT(early.Compare(otherUser), 0);
}

TEST_F(AuthBuffersTest, IssuingRefusesIncompleteFields) {
    Auth1Certificate noUser;
    noUser.SetCommunityId(1);
    noUser.SetPublicKey(*user.GetPublicKey());
    EXPECT_FALSE(noUser.PackAndSign(server1));
    EXPECT_TRUE(noUser.IsEmpty());
    Auth1Certificate noKey;
    noKey.SetUserId(1);
    noKey.SetCommunityId(1);
    EXPECT_FALSE(noKey.PackAndSign(server1));
    Auth1PublicKeyBlock noKeys;
    EXPECT_FALSE(noKeys.PackAndSign(verifier));
}

TEST_F(AuthBuffersTest, EncryptRawBufferUsesTheFirstKey) {
    Auth1PublicKeyBlock block = MakeBlock();
    const Bytes text = {1, 2, 3, 4};
    const Bytes sealed = block.EncryptRawBuffer(text.data(), text.size());
    EXPECT_EQ(server1.Decrypt(sealed.data(), sealed.size()), text);
    EXPECT_TRUE(Auth1PublicKeyBlock().EncryptRawBuffer(text.data(), text.size()).empty());
}

TEST_F(AuthBuffersTest, DumpTexts) {
    const Auth1Certificate cert = MakeCertificate(server1);
    std::ostringstream out;
    cert.Dump(out);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("(AuthCert1 RawLen=" + std::to_string(cert.GetRawBuffer().size()) + " DataLen=", 0), 0u);
    EXPECT_NE(text.find("\n  Family=1\n  IssueTime="), std::string::npos);
    EXPECT_NE(text.find("  UserId=42 CommunityId=7 TrustLevel=3\n  PublicKey=(Len="), std::string::npos);
    EXPECT_EQ(text.back(), ')');

    std::ostringstream blockText;
    MakeBlock().Dump(blockText);
    EXPECT_NE(blockText.str().find("  BlockId=7 NumKeys=2\n    Key1=(Len="), std::string::npos);
    EXPECT_NE(blockText.str().find("\n    Key2=(Len="), std::string::npos);
}

}  // namespace
}  // namespace TarnAuth::test
