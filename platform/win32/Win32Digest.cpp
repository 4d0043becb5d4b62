// SHA-256 of a file through CryptoAPI: the provider lives as long as the digester, each hash
// object in an owner of its own; the file is read 64 KiB at a time.
#include <windows.h>
#include <wincrypt.h>

#include <vector>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinText.h"

namespace brevix::win32 {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

class CryptHash {
 public:
  explicit CryptHash(HCRYPTPROV provider) {
    if (!provider || !::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &h_)) h_ = 0;
  }
  ~CryptHash() {
    if (h_) ::CryptDestroyHash(h_);
  }
  CryptHash(const CryptHash&) = delete;
  CryptHash& operator=(const CryptHash&) = delete;
  HCRYPTHASH get() const { return h_; }

 private:
  HCRYPTHASH h_ = 0;
};

}  // namespace

Win32FileDigester::~Win32FileDigester() {
  if (provider_) ::CryptReleaseContext(static_cast<HCRYPTPROV>(provider_), 0);
}

std::optional<Sha256Digest> Win32FileDigester::Sha256OfFile(const std::u16string& path) {
  // Others may read the file meanwhile, nobody may change it while it is read.
  UniqueHandle file(::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  if (!provider_) {
    // No key container is needed for hashing; the default AES provider has SHA-256 from XP SP3 on.
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return std::nullopt;
    provider_ = provider;
  }
  const CryptHash hash(static_cast<HCRYPTPROV>(provider_));
  if (!hash.get()) return std::nullopt;
  std::vector<BYTE> chunk(kChunkBytes);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), chunk.data(), kChunkBytes, &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    if (!::CryptHashData(hash.get(), chunk.data(), read, 0)) return std::nullopt;
  }
  Sha256Digest digest{};
  DWORD size = static_cast<DWORD>(digest.size());
  if (!::CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size()) {
    return std::nullopt;
  }
  return digest;
}

}  // namespace brevix::win32
