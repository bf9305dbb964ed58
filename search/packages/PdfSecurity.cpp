#include "PdfSecurity.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Crypto.h"

namespace sorvik {

namespace {

// What a password shorter than 32 bytes is padded with (the empty one is all of it).
constexpr char kPadding[] =
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";
constexpr std::string_view kEmptyPassword(kPadding, 32);

std::string Little32(std::uint32_t value) {
  return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
          static_cast<char>(value >> 24)};
}

// ---------------------------------------------------------------------------
// Revisions 2 to 4: MD5 and RC4.

// The file's key of `keyBytes` bytes for the empty user password.
std::string FileKeyMd5(std::string_view owner, std::uint32_t permissions, std::string_view firstId, int revision,
                       std::size_t keyBytes, bool encryptMetadata) {
  std::string input(kEmptyPassword);
  input += owner.substr(0, 32);
  input += Little32(permissions);
  input += firstId;
  if (revision >= 4 && !encryptMetadata) input += "\xFF\xFF\xFF\xFF";
  std::string hash = Hash(THashKind::Md5, input);
  if (revision >= 3)
    for (int i = 0; i < 50; ++i) hash = Hash(THashKind::Md5, std::string_view(hash).substr(0, keyBytes));
  return hash.substr(0, keyBytes);
}

// Whether the key opens the file: /U is the padding encrypted with it
// (revision 2), or, from revision 3, starts with the hash of the padding and
// the /ID encrypted 20 times with the key altered by the round's number.
bool UserKeyMatches(std::string_view key, std::string_view user, std::string_view firstId, int revision) {
  if (revision == 2) return Rc4(key, kEmptyPassword) == user.substr(0, 32);
  std::string x = Rc4(key, Hash(THashKind::Md5, std::string(kEmptyPassword) + std::string(firstId)));
  for (int round = 1; round <= 19; ++round) {
    std::string altered(key);
    for (char& c : altered) c = static_cast<char>(c ^ round);
    x = Rc4(altered, x);
  }
  return x == user.substr(0, 16);
}

// ---------------------------------------------------------------------------
// Revisions 5 and 6: SHA-2 and AES-256.

// Revision 6's hash of a password, a salt and (for the owner) the user key:
// SHA-256 first, then rounds that encrypt 64 copies of password, hash and
// user key with AES-128 under the hash and hash the result with SHA-256, -384
// or -512 as it says, at least 64 rounds and until its last byte allows an end.
// At most 64 + 256 rounds: that byte is below 256.
std::string HashRevision6(std::string_view password, std::string_view salt, std::string_view userKey) {
  static constexpr THashKind kKinds[3] = {THashKind::Sha256, THashKind::Sha384, THashKind::Sha512};
  std::string k = Hash(THashKind::Sha256, std::string(password) + std::string(salt) + std::string(userKey));
  for (unsigned round = 1;; ++round) {
    const std::string unit = std::string(password) + k + std::string(userKey);
    std::string repeated;
    repeated.reserve(unit.size() * 64);
    for (int i = 0; i < 64; ++i) repeated += unit;
    const std::string e =
        Aes128CbcEncrypt(std::string_view(k).substr(0, 16), std::string_view(k).substr(16, 16), repeated);
    unsigned sum = 0;  // the first 16 bytes as a number, modulo 3
    for (std::size_t i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[i]);
    k = Hash(kKinds[sum % 3], e);
    if (round >= 64 && static_cast<unsigned char>(e.back()) + 32u <= round) break;
  }
  return k.substr(0, 32);
}

std::string HashRevision5or6(int revision, std::string_view password, std::string_view salt) {
  if (revision == 5) return Hash(THashKind::Sha256, std::string(password) + std::string(salt));
  return HashRevision6(password, salt, {});
}

// ---------------------------------------------------------------------------
// AES data.

// PKCS#5 padding taken off when it is sound.
void RemovePadding(std::string& data) {
  if (data.empty()) return;
  const std::size_t n = static_cast<unsigned char>(data.back());
  if (n < 1 || n > kAesBlock || n > data.size()) return;
  for (std::size_t i = data.size() - n; i < data.size(); ++i)
    if (static_cast<unsigned char>(data[i]) != n) return;
  data.resize(data.size() - n);
}

std::string DecryptAes(std::string_view key, std::string_view data) {
  if (data.size() < kAesBlock) return {};
  std::string_view blocks = data.substr(kAesBlock);
  blocks = blocks.substr(0, blocks.size() / kAesBlock * kAesBlock);
  std::string plain = AesCbcDecrypt(key, data.substr(0, kAesBlock), blocks);
  RemovePadding(plain);
  return plain;
}

// The name of the crypt filter a stream's own /Filter names: a /Crypt entry
// and its /DecodeParms /Name (Identity without one); nothing without /Crypt.
std::optional<std::string> OwnCryptFilter(const TPdfDict& stream) {
  const TPdfObject& filter = stream.Get("Filter");
  const TPdfObject& parms = stream.Get("DecodeParms");
  const TPdfObject* own = nullptr;
  if (filter.IsName("Crypt")) {
    own = parms.Type() == TPdfType::Array ? (parms.AsArray().empty() ? nullptr : &parms.AsArray()[0]) : &parms;
  } else if (filter.Type() == TPdfType::Array) {
    const auto& names = filter.AsArray();
    std::size_t i = 0;
    while (i < names.size() && !names[i].IsName("Crypt")) ++i;
    if (i == names.size()) return std::nullopt;
    if (parms.Type() == TPdfType::Array) {
      if (i < parms.AsArray().size()) own = &parms.AsArray()[i];
    } else if (i == 0) {
      own = &parms;
    }
  } else {
    return std::nullopt;
  }
  if (own && own->Type() == TPdfType::Dict) {
    const TPdfObject& name = own->AsDict().Get("Name");
    if (name.Type() == TPdfType::Name) return name.AsName();
  }
  return std::string("Identity");
}

}  // namespace

TPdfSecurity::TPdfSecurity(const TPdfDict& encrypt, std::string_view firstId) {
  if (!encrypt.Get("Filter").IsName("Standard")) return;
  Permissions_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(encrypt.Get("P").AsInt(0)));
  const std::int64_t v = encrypt.Get("V").AsInt(0), r = encrypt.Get("R").AsInt(0);
  EncryptMetadata_ = encrypt.Get("EncryptMetadata").AsBool(true);
  if (((v == 1 || v == 2) && (r == 2 || r == 3)) || (v == 4 && r == 4)) {
    Revision_ = static_cast<int>(r);
    ReadRevision4(encrypt, firstId, static_cast<int>(v));
  } else if (v == 5 && (r == 5 || r == 6)) {
    Revision_ = static_cast<int>(r);
    ReadRevision5(encrypt);
  }
}

void TPdfSecurity::ReadRevision4(const TPdfDict& encrypt, std::string_view firstId, int version) {
  const std::string& owner = encrypt.Get("O").AsString();
  const std::string& user = encrypt.Get("U").AsString();
  if (owner.size() < 32 || user.size() < 32) return;
  // Keys of version 1 and revision 2 are 40 bits; others take /Length (bits),
  // 40 by default for version 2 and 128 for crypt filters.
  std::int64_t bits = 40;
  if (version > 1 && Revision_ >= 3) bits = encrypt.Get("Length").AsInt(version == 4 ? 128 : 40);
  if (bits < 40 || bits > 128 || bits % 8 != 0) return;
  KeyBytes_ = static_cast<std::size_t>(bits / 8);

  if (version == 4) {
    if (!ReadFilters(encrypt)) return;
  } else {
    Strings_ = Streams_ = TMethod::Rc4;
    EmbeddedFiles_ = TMethod::Rc4;
  }
  const std::string key = FileKeyMd5(owner, static_cast<std::uint32_t>(Permissions_), firstId, Revision_, KeyBytes_,
                                     EncryptMetadata_);
  if (!UserKeyMatches(key, user, firstId, Revision_)) {
    Access_ = TPdfAccess::PasswordRequired;
    return;
  }
  Key_ = key;
  Access_ = TPdfAccess::Open;
}

void TPdfSecurity::ReadRevision5(const TPdfDict& encrypt) {
  const std::string& owner = encrypt.Get("O").AsString();
  const std::string& user = encrypt.Get("U").AsString();
  const std::string& userKey = encrypt.Get("UE").AsString();
  if (owner.size() < 48 || user.size() < 48 || userKey.size() < 32) return;
  KeyBytes_ = 32;
  if (!ReadFilters(encrypt)) return;
  // /U: the hash of the password and a validation salt, then that salt and a key salt.
  const std::string_view u(user);
  if (HashRevision5or6(Revision_, {}, u.substr(32, 8)) != u.substr(0, 32)) {
    Access_ = TPdfAccess::PasswordRequired;
    return;
  }
  const std::string zeros(kAesBlock, '\0');
  Key_ =
      AesCbcDecrypt(HashRevision5or6(Revision_, {}, u.substr(40, 8)), zeros, std::string_view(userKey).substr(0, 32));
  Access_ = TPdfAccess::Open;
}

bool TPdfSecurity::ReadFilters(const TPdfDict& encrypt) {
  for (const auto& [name, value] : encrypt.Get("CF").AsDict().Entries()) {
    const TPdfObject& cfm = value.AsDict().Get("CFM");
    if (cfm.IsNull() || cfm.IsName("None")) {
      Filters_.emplace_back(name, TMethod::Identity);
    } else if (cfm.IsName("V2") && Revision_ == 4) {
      Filters_.emplace_back(name, TMethod::Rc4);
    } else if (cfm.IsName("AESV2") && Revision_ == 4 && KeyBytes_ == 16) {
      Filters_.emplace_back(name, TMethod::Aes128);
    } else if (cfm.IsName("AESV3") && Revision_ >= 5) {
      Filters_.emplace_back(name, TMethod::Aes256);
    }
  }
  const auto named = [&](const char* key) {
    const TPdfObject& name = encrypt.Get(key);
    return Method(name.Type() == TPdfType::Name ? name.AsName() : std::string("Identity"));
  };
  const std::optional<TMethod> streams = named("StmF"), strings = named("StrF");
  if (!streams || !strings) return false;
  Streams_ = *streams;
  Strings_ = *strings;
  EmbeddedFiles_ = encrypt.Get("EFF").Type() == TPdfType::Name ? named("EFF") : streams;
  return true;
}

std::optional<TPdfSecurity::TMethod> TPdfSecurity::Method(std::string_view name) const {
  if (name == "Identity") return TMethod::Identity;
  for (const auto& [filter, method] : Filters_)
    if (filter == name) return method;
  return std::nullopt;
}

std::string TPdfSecurity::ObjectKey(TPdfRef ref, bool aes) const {
  std::string input = Key_;
  input += Little32(ref.Num).substr(0, 3);
  input += Little32(ref.Gen).substr(0, 2);
  if (aes) input += "sAlT";
  return Hash(THashKind::Md5, input).substr(0, std::min<std::size_t>(Key_.size() + 5, 16));
}

std::string TPdfSecurity::Decrypt(std::string_view bytes, TPdfRef ref, TMethod method) const {
  switch (method) {
    case TMethod::Identity: return std::string(bytes);
    case TMethod::Rc4: return Rc4(ObjectKey(ref, false), bytes);
    case TMethod::Aes128: return DecryptAes(ObjectKey(ref, true), bytes);
    case TMethod::Aes256: return DecryptAes(Key_, bytes);
  }
  return std::string(bytes);
}

std::string TPdfSecurity::DecryptString(std::string_view bytes, TPdfRef ref) const {
  if (Access_ != TPdfAccess::Open) return std::string(bytes);
  return Decrypt(bytes, ref, Strings_);
}

std::optional<std::string> TPdfSecurity::DecryptStream(std::string_view bytes, TPdfRef ref,
                                                       const TPdfDict& streamDict) const {
  if (Access_ != TPdfAccess::Open) return std::nullopt;
  const TPdfObject& type = streamDict.Get("Type");
  if (type.IsName("XRef")) return std::string(bytes);
  if (const std::optional<std::string> own = OwnCryptFilter(streamDict)) {
    const std::optional<TMethod> method = Method(*own);
    if (!method) return std::nullopt;
    return Decrypt(bytes, ref, *method);
  }
  if (type.IsName("Metadata") && !EncryptMetadata_ && Revision_ >= 4) return std::string(bytes);
  if (type.IsName("EmbeddedFile")) {
    if (!EmbeddedFiles_) return std::nullopt;
    return Decrypt(bytes, ref, *EmbeddedFiles_);
  }
  return Decrypt(bytes, ref, Streams_);
}

}  // namespace sorvik
