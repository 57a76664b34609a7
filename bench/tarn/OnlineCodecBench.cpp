// Decoding speed of the directory replies and verification speed of NR-MD5 signatures.
//   tarn.dir_reply_decode_mb_s    a multi-entry reply of 1,000 service entries read from its bytes
//   tarn.nr_verify_per_s_1024     signatures checked through the key wrapper with a 1024-bit key
//   tarn.nr_verify_vs_cryptopp    that rate over the rate of the library's own verifier, same run
// With --figures prints the figures; otherwise runs as Google Benchmark.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md5.h>
#include <cryptopp/nr.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Tarn/common/EventLog.h"
#include "Tarn/crypt/EGKeys.h"
#include "Tarn/crypt/KeyEncoding.h"
#include "Tarn/msg/Dir/SMsgDirG2Query.h"
#include "bench/common/BenchMain.h"

namespace {

using Clock = std::chrono::steady_clock;
using TarnCrypt::Bytes;

Bytes ReplyBytes() {
    TarnMsg::SMsgDirG2MultiEntityReply reply;
    reply.SetFieldMask(0x7070FF0);
    std::vector<TarnMsg::DirEntity> entities;
    for (int i = 0; i < 1000; ++i) {
        TarnMsg::DirEntity e;
        e.type = TarnMsg::DirEntity::kService;
        e.path = u"/Gravelon/Dir_1";
        e.name = u"race" + std::u16string(1, char16_t(u'0' + i % 10));
        e.displayName = u"Sunday race";
        e.netAddress = std::string("\x0a\x00\x00\x01\x0c\x29", 6);
        e.numberA = i;
        e.dataObjects.insert(TarnCommon::DataObject("MaxPlayers", "\x08"));
        e.dataObjects.insert(TarnCommon::DataObject("NbPlayers", "\x02"));
        entities.push_back(e);
    }
    reply.SetEntities(entities);
    const uint8_t* at = reply.Pack();
    return Bytes(at, at + reply.GetDataLen());
}

size_t DecodeOnce(const Bytes& bytes) {
    const TarnMsg::SmallMessage received(static_cast<uint32_t>(bytes.size()), bytes.data());
    TarnMsg::SMsgDirG2MultiEntityReply reply(received);
    return reply.GetEntities().size();
}

double DecodeMBs() {
    const Bytes bytes = ReplyBytes();
    std::vector<double> rates;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = Clock::now();
        size_t n = 0;
        int iterations = 0;
        while (std::chrono::duration<double>(Clock::now() - t0).count() < 0.2) {
            n += DecodeOnce(bytes);
            ++iterations;
        }
        benchmark::DoNotOptimize(n);
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        rates.push_back(double(bytes.size()) * iterations / seconds / 1e6);
    }
    return *std::max_element(rates.begin(), rates.end());
}

Bytes LoadKey(const char* name) {
    std::ifstream in(std::string(GRAVELON_SOURCE_DIR) + "/Tarn/crypt/tests/keys/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <class Verify>
double VerifyRate(Verify verify) {
    std::vector<double> rates;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = Clock::now();
        int count = 0;
        while (std::chrono::duration<double>(Clock::now() - t0).count() < 0.2) {
            if (!verify()) return 0;
            ++count;
        }
        rates.push_back(count / std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return *std::max_element(rates.begin(), rates.end());
}

struct VerifyFigures {
    double wrapper = 0;
    double library = 0;
};

VerifyFigures VerifyRates() {
    TarnCrypt::EGPrivateKey priv(LoadKey("verifier.der"));
    TarnCrypt::EGPublicKey pub(priv);
    const Bytes message(300, 0x5A);  // about a key block's size
    const Bytes signature = priv.Sign(message.data(), message.size());
    const auto v = TarnCrypt::DecodeIntegers(pub.GetKeyBytes(), 4);
    CryptoPP::NR<CryptoPP::Weak::MD5>::Verifier direct;
    direct.AccessKey().Initialize(v[0], v[1], v[2], v[3]);
    VerifyFigures f;
    f.wrapper = VerifyRate([&] { return pub.Verify(signature.data(), signature.size(), message.data(), message.size()); });
    f.library = VerifyRate(
        [&] { return direct.VerifyMessage(message.data(), message.size(), signature.data(), signature.size()); });
    return f;
}

int Figures() {
    TarnCommon::SetEventLogFolder("/nonexistent-tarn-bench-folder");
    const double mbs = DecodeMBs();
    const VerifyFigures v = VerifyRates();
    std::printf("tarn.dir_reply_decode_mb_s: %.1f\n", mbs);
    std::printf("tarn.nr_verify_per_s_1024: %.0f\n", v.wrapper);
    std::printf("tarn.nr_verify_vs_cryptopp: %.3f\n", v.library > 0 ? v.wrapper / v.library : 0.0);
    return mbs > 0 && v.wrapper > 0 ? 0 : 1;
}

void BM_DirReplyDecode(benchmark::State& state) {
    const Bytes bytes = ReplyBytes();
    for (auto _ : state) benchmark::DoNotOptimize(DecodeOnce(bytes));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_DirReplyDecode);

void BM_NrVerify1024(benchmark::State& state) {
    TarnCrypt::EGPrivateKey priv(LoadKey("verifier.der"));
    TarnCrypt::EGPublicKey pub(priv);
    const Bytes message(300, 0x5A);
    const Bytes signature = priv.Sign(message.data(), message.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(pub.Verify(signature.data(), signature.size(), message.data(), message.size()));
}
BENCHMARK(BM_NrVerify1024);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarkProgram(argc, argv, Figures); }
