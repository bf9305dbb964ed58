// A PDF file's objects as the reader holds them: null, booleans, numbers,
// strings (bytes), names (without the slash, #xx escapes undone), arrays,
// dictionaries, streams (a dictionary and where its data lies) and
// references to numbered objects. Objects are values; arrays, dictionaries
// and strings share their contents, so a copy costs no more than a pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorvik {

enum class TPdfType : std::uint8_t { Null, Bool, Int, Real, String, Name, Array, Dict, Stream, Ref };

struct TPdfRef {
  std::uint32_t Num = 0;
  std::uint32_t Gen = 0;
  bool operator==(const TPdfRef&) const = default;
};

class TPdfObject;

// A dictionary's entries in the file's order; a key given twice counts by its
// first entry.
class TPdfDict {
 public:
  TPdfDict() = default;
  explicit TPdfDict(std::vector<std::pair<std::string, TPdfObject>> entries);
  // The entry's value; the null object when the key is absent.
  const TPdfObject& Get(std::string_view key) const;
  bool Has(std::string_view key) const;
  const std::vector<std::pair<std::string, TPdfObject>>& Entries() const;
  bool Empty() const;

 private:
  std::shared_ptr<const std::vector<std::pair<std::string, TPdfObject>>> Entries_;
};

// Where a stream's data lies: its offset in the bytes it came from (the file,
// or an object stream's decoded data) and its length as found there.
struct TPdfStreamData {
  std::shared_ptr<const std::string> Source;  // null: the file itself
  std::uint64_t Offset = 0;
  std::uint64_t Length = 0;
  TPdfRef Owner;  // the indirect object the stream is (its key when the file is encrypted)
};

class TPdfObject {
 public:
  TPdfObject() = default;  // null
  static TPdfObject Bool(bool value);
  static TPdfObject Int(std::int64_t value);
  static TPdfObject Real(double value);
  static TPdfObject String(std::string bytes);
  static TPdfObject Name(std::string name);
  static TPdfObject Array(std::vector<TPdfObject> items);
  static TPdfObject Dict(TPdfDict dict);
  static TPdfObject Stream(TPdfDict dict, TPdfStreamData data);
  static TPdfObject Ref(std::uint32_t num, std::uint32_t gen);

  TPdfType Type() const { return Type_; }
  bool IsNull() const { return Type_ == TPdfType::Null; }
  bool IsNumber() const { return Type_ == TPdfType::Int || Type_ == TPdfType::Real; }
  bool IsName(std::string_view name) const { return Type_ == TPdfType::Name && *Text_ == name; }

  bool AsBool(bool fallback = false) const { return Type_ == TPdfType::Bool ? Int_ != 0 : fallback; }
  // A number as an integer (a real rounded toward zero, within 64 bits).
  std::int64_t AsInt(std::int64_t fallback = 0) const;
  double AsNumber(double fallback = 0) const;
  // A string's bytes or a name; empty for other objects.
  const std::string& AsString() const;
  const std::string& AsName() const;
  // An array's items; empty for other objects.
  const std::vector<TPdfObject>& AsArray() const;
  // A dictionary, or a stream's dictionary; empty for other objects.
  const TPdfDict& AsDict() const;
  const TPdfStreamData& AsStreamData() const;
  TPdfRef AsRef() const { return Type_ == TPdfType::Ref ? Ref_ : TPdfRef{}; }

 private:
  TPdfType Type_ = TPdfType::Null;
  std::int64_t Int_ = 0;  // Bool, Int
  double Real_ = 0;
  TPdfRef Ref_;
  std::shared_ptr<const std::string> Text_;  // String, Name
  std::shared_ptr<const std::vector<TPdfObject>> Items_;
  TPdfDict Dict_;  // Dict, Stream
  TPdfStreamData Data_;
};

// What the readers of a document's parts (fonts, pages, forms) ask of the file.
class IPdfObjects {
 public:
  virtual ~IPdfObjects() = default;
  // The object a reference names, in the file's newest revision (other
  // objects come back as they are); null for a missing or unreadable object
  // and for a reference met again while it is being resolved (a loop).
  virtual TPdfObject Resolve(const TPdfObject& object) = 0;
  // A stream's data with its filters undone and decrypted; nothing when it
  // can't be had: an image's filter, damage, or the file's budget spent.
  virtual std::optional<std::string> StreamData(const TPdfObject& stream) = 0;
};

}  // namespace sorvik
