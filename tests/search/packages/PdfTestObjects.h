// A PDF file's objects as the tests make them: numbered objects in a map, and
// streams whose data the test gives as it is after its filters.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PdfObject.h"

namespace sorvik::test {

inline TPdfObject Name(std::string name) { return TPdfObject::Name(std::move(name)); }
inline TPdfObject Int(std::int64_t v) { return TPdfObject::Int(v); }
inline TPdfObject Real(double v) { return TPdfObject::Real(v); }
inline TPdfObject Str(std::string bytes) { return TPdfObject::String(std::move(bytes)); }
inline TPdfObject Array(std::vector<TPdfObject> items) { return TPdfObject::Array(std::move(items)); }
inline TPdfObject Dict(std::vector<std::pair<std::string, TPdfObject>> entries) {
  return TPdfObject::Dict(TPdfDict(std::move(entries)));
}
inline TPdfObject Numbers(std::initializer_list<double> values) {
  std::vector<TPdfObject> items;
  for (double v : values) items.push_back(v == static_cast<std::int64_t>(v) ? Int(static_cast<std::int64_t>(v)) : Real(v));
  return Array(std::move(items));
}

class TTestObjects : public IPdfObjects {
 public:
  // Stores an object; the reference to it.
  TPdfObject Add(TPdfObject object) {
    const std::uint32_t num = Next_++;
    Objects_[num] = std::move(object);
    return TPdfObject::Ref(num, 0);
  }
  // Stores a stream with this data; the reference to it. `readable` false:
  // its data can't be had (a filter not undone, damage).
  TPdfObject AddStream(std::string data, std::vector<std::pair<std::string, TPdfObject>> dict = {}, bool readable = true) {
    const std::uint64_t id = Data_.size();
    Data_.push_back(readable ? std::optional<std::string>(std::move(data)) : std::nullopt);
    return Add(TPdfObject::Stream(TPdfDict(std::move(dict)), TPdfStreamData{nullptr, id, 0, {}}));
  }

  TPdfObject Resolve(const TPdfObject& object) override {
    ++Resolves;
    if (object.Type() != TPdfType::Ref) return object;
    const auto at = Objects_.find(object.AsRef().Num);
    return at == Objects_.end() ? TPdfObject() : at->second;
  }
  std::optional<std::string> StreamData(const TPdfObject& stream) override {
    const std::uint64_t id = stream.AsStreamData().Offset;
    if (stream.Type() != TPdfType::Stream || id >= Data_.size()) return std::nullopt;
    ++StreamsRead;
    return Data_[static_cast<std::size_t>(id)];
  }

  int Resolves = 0;
  int StreamsRead = 0;

 private:
  std::map<std::uint32_t, TPdfObject> Objects_;
  std::vector<std::optional<std::string>> Data_;
  std::uint32_t Next_ = 1;
};

}  // namespace sorvik::test
