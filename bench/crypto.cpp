// Decrypting object data read from a file: AES-128 and AES-256 in CBC mode through a file
// stream's buffer, as encrypted documents are read, against RC4 on the same path; and the
// one-time cost of a revision-6 password check when a document opens.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/aes256_keys.h"
#include "core/aes_cbc_decryptor.h"
#include "core/security_handler.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

namespace {

constexpr long kStreamBytes = 4 << 20;

void readStream(benchmark::State& state, std::unique_ptr<qm::StreamDecryptor> (*make)()) {
    std::string bytes(static_cast<size_t>(kStreamBytes), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + 7);
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(bytes);
    auto* stream = new qm::FileStream(file, 0, kStreamBytes, qm::PdfObject::makeNull());
    stream->setDecryptor(make());
    unsigned char buf[4096];
    for (auto _ : state) {
        stream->reset();
        long total = 0;
        for (int n; (n = stream->readBlock(buf, sizeof buf)) > 0;) total += n;
        benchmark::DoNotOptimize(total);
        stream->close();
    }
    stream->decRef();
    state.SetBytesProcessed(state.iterations() * kStreamBytes);
}

const uint8_t kKey[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                          17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

void BM_StreamAes128(benchmark::State& state) {
    readStream(state, [] { return std::unique_ptr<qm::StreamDecryptor>(new qm::AesCbcDecryptor(kKey, 16)); });
}
void BM_StreamAes256(benchmark::State& state) {
    readStream(state, [] { return std::unique_ptr<qm::StreamDecryptor>(new qm::AesCbcDecryptor(kKey, 32)); });
}
void BM_StreamRc4(benchmark::State& state) {
    readStream(state, [] { return std::unique_ptr<qm::StreamDecryptor>(new qm::ObjectDecryptor(kKey, 16, 12, 0)); });
}
void BM_StreamPlain(benchmark::State& state) {
    readStream(state, [] { return std::unique_ptr<qm::StreamDecryptor>(); });
}

void BM_Revision6PasswordHash(benchmark::State& state) {
    const uint8_t salt[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::string password = "a reasonably long user password";
    uint8_t out[32];
    for (auto _ : state) {
        qm::aes256PasswordHash(6, reinterpret_cast<const uint8_t*>(password.data()), password.size(), salt,
                               nullptr, out);
        benchmark::DoNotOptimize(out[0]);
    }
}

}  // namespace

BENCHMARK(BM_StreamAes128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamAes256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamRc4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Revision6PasswordHash)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
