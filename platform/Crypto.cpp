#include "Crypto.h"

#include <gcrypt.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace sorvik {

namespace {

// Makes libgcrypt ready once per process: the version check its manual asks
// for before any other call, and no secure memory (nothing here is a secret
// that must stay out of swap: the keys are those of documents read with an
// empty password). A process where something else made it ready first keeps
// that set-up.
void MakeReady() {
  static const bool ready = [] {
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) return true;
    if (!gcry_check_version(GCRYPT_VERSION)) return false;
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  if (!ready) throw std::runtime_error("libgcrypt is older than the version built against");
}

void Check(gcry_error_t err, const char* what) {
  if (err) throw std::runtime_error(std::string("libgcrypt: ") + what + ": " + gcry_strerror(err));
}

struct HashClose {
  void operator()(gcry_md_hd_t h) const { gcry_md_close(h); }
};
using HashHandle = std::unique_ptr<std::remove_pointer_t<gcry_md_hd_t>, HashClose>;

struct CipherClose {
  void operator()(gcry_cipher_hd_t h) const { gcry_cipher_close(h); }
};
using CipherHandle = std::unique_ptr<std::remove_pointer_t<gcry_cipher_hd_t>, CipherClose>;

int HashAlgorithm(THashKind kind) {
  switch (kind) {
    case THashKind::Md5: return GCRY_MD_MD5;
    case THashKind::Sha256: return GCRY_MD_SHA256;
    case THashKind::Sha384: return GCRY_MD_SHA384;
    case THashKind::Sha512: return GCRY_MD_SHA512;
  }
  throw std::invalid_argument("unknown hash");
}

// A cipher with its key set (and its initialisation vector, when one is given).
CipherHandle OpenCipher(int algorithm, int mode, std::string_view key, std::string_view iv) {
  MakeReady();
  gcry_cipher_hd_t raw = nullptr;
  Check(gcry_cipher_open(&raw, algorithm, mode, 0), "cipher_open");
  CipherHandle cipher(raw);
  Check(gcry_cipher_setkey(cipher.get(), key.data(), key.size()), "cipher_setkey");
  if (!iv.empty()) Check(gcry_cipher_setiv(cipher.get(), iv.data(), iv.size()), "cipher_setiv");
  return cipher;
}

void CheckAesSizes(std::string_view iv, std::string_view data) {
  if (iv.size() != kAesBlock) throw std::invalid_argument("AES-CBC: the initialisation vector is not 16 bytes");
  if (data.size() % kAesBlock != 0) throw std::invalid_argument("AES-CBC: the data is not whole blocks");
}

}  // namespace

std::string Hash(THashKind kind, std::string_view data) {
  MakeReady();
  const int algorithm = HashAlgorithm(kind);
  gcry_md_hd_t raw = nullptr;
  Check(gcry_md_open(&raw, algorithm, 0), "md_open");
  HashHandle hash(raw);
  gcry_md_write(hash.get(), data.data(), data.size());
  const unsigned char* digest = gcry_md_read(hash.get(), algorithm);
  if (!digest) throw std::runtime_error("libgcrypt: md_read gave no digest");
  return std::string(reinterpret_cast<const char*>(digest), gcry_md_get_algo_dlen(algorithm));
}

std::string Rc4(std::string_view key, std::string_view data) {
  if (key.size() < 5 || key.size() > 256) throw std::invalid_argument("RC4: the key is not 5 to 256 bytes");
  const CipherHandle cipher = OpenCipher(GCRY_CIPHER_ARCFOUR, GCRY_CIPHER_MODE_STREAM, key, {});
  std::string out(data.size(), '\0');
  if (!data.empty()) Check(gcry_cipher_decrypt(cipher.get(), out.data(), out.size(), data.data(), data.size()), "RC4");
  return out;
}

std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data) {
  if (key.size() != 16 && key.size() != 32) throw std::invalid_argument("AES: the key is not 16 or 32 bytes");
  CheckAesSizes(iv, data);
  const int algorithm = key.size() == 16 ? GCRY_CIPHER_AES128 : GCRY_CIPHER_AES256;
  const CipherHandle cipher = OpenCipher(algorithm, GCRY_CIPHER_MODE_CBC, key, iv);
  std::string out(data.size(), '\0');
  if (!data.empty())
    Check(gcry_cipher_decrypt(cipher.get(), out.data(), out.size(), data.data(), data.size()), "AES-CBC");
  return out;
}

std::string Aes128CbcEncrypt(std::string_view key, std::string_view iv, std::string_view data) {
  if (key.size() != 16) throw std::invalid_argument("AES-128: the key is not 16 bytes");
  CheckAesSizes(iv, data);
  const CipherHandle cipher = OpenCipher(GCRY_CIPHER_AES128, GCRY_CIPHER_MODE_CBC, key, iv);
  std::string out(data.size(), '\0');
  if (!data.empty())
    Check(gcry_cipher_encrypt(cipher.get(), out.data(), out.size(), data.data(), data.size()), "AES-CBC");
  return out;
}

}  // namespace sorvik
