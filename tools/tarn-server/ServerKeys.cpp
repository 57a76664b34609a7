#include "tools/tarn-server/ServerKeys.h"

#include <fstream>
#include <iterator>

namespace tarnserver {

namespace {

bool LoadKey(const std::string& path, TarnCrypt::EGPrivateKey& key) {
    std::ifstream in(path, std::ios::binary);
    const TarnCrypt::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty() || bytes.size() > 0xFFFF) return false;
    try {
        key.CopyKey(static_cast<uint16_t>(bytes.size()), bytes.data());
    } catch (...) {
        return false;
    }
    return key.GetPublicKey() != nullptr;
}

}  // namespace

bool ServerKeys::Load(const std::string& folder) {
    return LoadKey(folder + "/verifier.der", verifier) && LoadKey(folder + "/authserver1.der", auth1) &&
           LoadKey(folder + "/authserver2.der", auth2) && LoadKey(folder + "/dirserver.der", directory);
}

TarnAuth::Auth1PublicKeyBlock ServerKeys::MakeBlock(uint32_t issue, uint32_t expire) {
    TarnAuth::Auth1PublicKeyBlock block;
    block.SetBlockId(kKeyBlockId);
    block.SetIssueTime(issue);
    block.SetExpireTime(expire);
    block.AddKey(*auth1.GetPublicKey());
    block.AddKey(*auth2.GetPublicKey());
    block.PackAndSign(verifier);
    return block;
}

TarnAuth::Auth1Certificate ServerKeys::MakeCertificate(uint32_t userId, uint32_t communityId, uint16_t trustLevel,
                                                       const TarnCrypt::EGPublicKey& key, uint32_t issue,
                                                       uint32_t expire, TarnCrypt::EGPrivateKey& signer) {
    TarnAuth::Auth1Certificate certificate;
    certificate.SetUserId(userId);
    certificate.SetCommunityId(communityId);
    certificate.SetTrustLevel(trustLevel);
    certificate.SetPublicKey(key);
    certificate.SetIssueTime(issue);
    certificate.SetExpireTime(expire);
    certificate.PackAndSign(signer);
    return certificate;
}

}  // namespace tarnserver
