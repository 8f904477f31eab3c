#include "RecordingDigest.h"

#include <openssl/evp.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace velmora::records {

std::optional<FileDigest> digestFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    FileDigest digest;
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    unsigned char buffer[64 * 1024];
    for (ssize_t got; ok && (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            ok = false;
            break;
        }
        digest.size += static_cast<std::uint64_t>(got);
        ok = EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(got)) == 1;
    }
    ::close(fd);
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok || EVP_DigestFinal_ex(context.get(), hash, &length) != 1) return std::nullopt;
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
        digest.sha256 += kHex[hash[i] >> 4];
        digest.sha256 += kHex[hash[i] & 15];
    }
    return digest;
}

}  // namespace velmora::records
