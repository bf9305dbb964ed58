// Hashes and ciphers for reading encrypted documents, from libgcrypt (never
// written by hand): MD5 and the SHA-2 hashes, RC4, and AES in CBC mode.
// Bytes in and out are held in std::string. The library is made ready on
// first use, once per process, from whichever thread comes first.
//
// Wrong sizes (a key or an initialisation vector of the wrong length, data that
// isn't whole blocks) are the caller's mistake and throw std::invalid_argument;
// a failure inside libgcrypt (no memory, an algorithm it refuses) throws
// std::runtime_error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvik {

enum class THashKind : std::uint8_t { Md5, Sha256, Sha384, Sha512 };

// The digest of `data`: 16 bytes for MD5, 32, 48 and 64 for the SHA-2 hashes.
std::string Hash(THashKind kind, std::string_view data);

// RC4 over `data` with a key of 5 to 256 bytes (the lengths libgcrypt takes).
// The same call encrypts and decrypts.
std::string Rc4(std::string_view key, std::string_view data);

// AES in CBC mode, padding neither added nor removed: `key` of 16 or 32 bytes
// (AES-128 or AES-256), `iv` of 16 bytes, data a whole number of 16-byte blocks.
constexpr std::size_t kAesBlock = 16;
std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data);
// AES-128 in CBC mode encrypting, for key derivations that are built on it.
std::string Aes128CbcEncrypt(std::string_view key, std::string_view iv, std::string_view data);

}  // namespace sorvik
