// The standard security handler of encrypted PDF files, for a reader that
// knows no password: a file opens when the empty user password works, which
// gives the file's key, and its strings and streams are then decrypted.
//
// Handled: /V 1 and 2 (RC4 with keys of 40 to 128 bits, /R 2 and 3); /V 4
// (/R 4: crypt filters /CF chosen by /StmF, /StrF and /EFF, methods None, V2
// (RC4), AESV2 (AES-128) and Identity); /V 5 with /R 5 (SHA-256) and /R 6 (the
// hash built of SHA-256/384/512 and AES-128 rounds), method AESV3 (AES-256).
// /EncryptMetadata false leaves streams of /Type /Metadata as they are. The
// permission flags (/P) are read and given, never enforced: a file that
// forbids copying is still searched.
//
// Not decrypted, ever, and so never given here by the caller: the strings of
// the /Encrypt dictionary itself and of the trailer's /ID, the objects inside
// object streams (the object stream is decrypted as a whole); cross-reference
// streams (/Type /XRef) are left as they are when given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "PdfObject.h"

namespace sorvik {

enum class TPdfAccess : std::uint8_t {
  Open,              // the empty user password works: the key is known
  PasswordRequired,  // a user password is needed
  Unsupported,       // another handler than /Standard, a /V or /R not handled, or values out of shape
};

class TPdfSecurity {
 public:
  // `encrypt` is the trailer's /Encrypt dictionary with its values resolved;
  // `firstId` the first string of the trailer's /ID array (empty without one).
  TPdfSecurity(const TPdfDict& encrypt, std::string_view firstId);

  TPdfAccess Access() const { return Access_; }
  // The permission flags, /P as the 32-bit signed value it stands for.
  std::int32_t Permissions() const { return Permissions_; }

  // A string of the object `ref` decrypted by the string filter. Encrypted
  // with AES: the 16 bytes of the initialisation vector first, then whole
  // blocks (a part block at the end is left out), the padding removed when it
  // is sound and kept otherwise; shorter than a vector, nothing. When the
  // file isn't Open, the bytes as they are.
  std::string DecryptString(std::string_view bytes, TPdfRef ref) const;

  // A stream's data (its filters not undone yet) decrypted: by the crypt
  // filter its own /Filter names first (a /Crypt entry with /DecodeParms
  // /Name, Identity when none), else the embedded-file filter for /Type
  // /EmbeddedFile, else the stream filter. /Type, /Filter and /DecodeParms are
  // read as direct values. Nothing when the file isn't Open or the stream's
  // crypt filter isn't one the file defines with a method known here.
  std::optional<std::string> DecryptStream(std::string_view bytes, TPdfRef ref, const TPdfDict& streamDict) const;

 private:
  // How one crypt filter decrypts.
  enum class TMethod : std::uint8_t { Identity, Rc4, Aes128, Aes256 };

  // Revisions 2 to 4 (MD5 and RC4; crypt filters for version 4), and 5 and 6
  // (SHA-2 and AES-256): the key, and whether the empty password opens the file.
  void ReadRevision4(const TPdfDict& encrypt, std::string_view firstId, int version);
  void ReadRevision5(const TPdfDict& encrypt);
  // /CF's filters and the ones /StmF, /StrF and /EFF choose; false when the
  // string or stream filter isn't defined or its method isn't known here.
  bool ReadFilters(const TPdfDict& encrypt);
  // The crypt filter of that name: Identity, or one of /CF; nothing when not
  // defined or not known.
  std::optional<TMethod> Method(std::string_view name) const;
  // An object's own key (revisions 2 to 4): MD5 of the file's key, the
  // object's number and generation, and "sAlT" for AES.
  std::string ObjectKey(TPdfRef ref, bool aes) const;
  std::string Decrypt(std::string_view bytes, TPdfRef ref, TMethod method) const;

  TPdfAccess Access_ = TPdfAccess::Unsupported;
  std::int32_t Permissions_ = 0;
  int Revision_ = 0;
  std::size_t KeyBytes_ = 0;
  std::string Key_;  // the file's key, once known
  bool EncryptMetadata_ = true;
  TMethod Strings_ = TMethod::Identity;
  TMethod Streams_ = TMethod::Identity;
  std::optional<TMethod> EmbeddedFiles_;
  std::vector<std::pair<std::string, TMethod>> Filters_;  // /CF's filters of known methods
};

}  // namespace sorvik
