#include "PdfObject.h"

#include <cmath>
#include <limits>

namespace sorvik {

namespace {

const TPdfObject& NullObject() {
  static const TPdfObject null;
  return null;
}

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

}  // namespace

TPdfDict::TPdfDict(std::vector<std::pair<std::string, TPdfObject>> entries)
    : Entries_(std::make_shared<const std::vector<std::pair<std::string, TPdfObject>>>(std::move(entries))) {}

const TPdfObject& TPdfDict::Get(std::string_view key) const {
  if (Entries_)
    for (const auto& [name, value] : *Entries_)
      if (name == key) return value;
  return NullObject();
}

bool TPdfDict::Has(std::string_view key) const {
  if (Entries_)
    for (const auto& entry : *Entries_)
      if (entry.first == key) return true;
  return false;
}

const std::vector<std::pair<std::string, TPdfObject>>& TPdfDict::Entries() const {
  static const std::vector<std::pair<std::string, TPdfObject>> none;
  return Entries_ ? *Entries_ : none;
}

bool TPdfDict::Empty() const { return !Entries_ || Entries_->empty(); }

TPdfObject TPdfObject::Bool(bool value) {
  TPdfObject o;
  o.Type_ = TPdfType::Bool;
  o.Int_ = value ? 1 : 0;
  return o;
}

TPdfObject TPdfObject::Int(std::int64_t value) {
  TPdfObject o;
  o.Type_ = TPdfType::Int;
  o.Int_ = value;
  return o;
}

TPdfObject TPdfObject::Real(double value) {
  TPdfObject o;
  o.Type_ = TPdfType::Real;
  o.Real_ = std::isfinite(value) ? value : 0.0;
  return o;
}

TPdfObject TPdfObject::String(std::string bytes) {
  TPdfObject o;
  o.Type_ = TPdfType::String;
  o.Text_ = std::make_shared<const std::string>(std::move(bytes));
  return o;
}

TPdfObject TPdfObject::Name(std::string name) {
  TPdfObject o;
  o.Type_ = TPdfType::Name;
  o.Text_ = std::make_shared<const std::string>(std::move(name));
  return o;
}

TPdfObject TPdfObject::Array(std::vector<TPdfObject> items) {
  TPdfObject o;
  o.Type_ = TPdfType::Array;
  o.Items_ = std::make_shared<const std::vector<TPdfObject>>(std::move(items));
  return o;
}

TPdfObject TPdfObject::Dict(TPdfDict dict) {
  TPdfObject o;
  o.Type_ = TPdfType::Dict;
  o.Dict_ = std::move(dict);
  return o;
}

TPdfObject TPdfObject::Stream(TPdfDict dict, TPdfStreamData data) {
  TPdfObject o;
  o.Type_ = TPdfType::Stream;
  o.Dict_ = std::move(dict);
  o.Data_ = std::move(data);
  return o;
}

TPdfObject TPdfObject::Ref(std::uint32_t num, std::uint32_t gen) {
  TPdfObject o;
  o.Type_ = TPdfType::Ref;
  o.Ref_ = {num, gen};
  return o;
}

std::int64_t TPdfObject::AsInt(std::int64_t fallback) const {
  if (Type_ == TPdfType::Int) return Int_;
  if (Type_ == TPdfType::Real) {
    constexpr double most = 9.2e18;
    return Real_ > -most && Real_ < most ? static_cast<std::int64_t>(Real_) : fallback;
  }
  return fallback;
}

double TPdfObject::AsNumber(double fallback) const {
  if (Type_ == TPdfType::Int) return static_cast<double>(Int_);
  if (Type_ == TPdfType::Real) return Real_;
  return fallback;
}

const std::string& TPdfObject::AsString() const {
  return Type_ == TPdfType::String ? *Text_ : EmptyText();
}

const std::string& TPdfObject::AsName() const { return Type_ == TPdfType::Name ? *Text_ : EmptyText(); }

const std::vector<TPdfObject>& TPdfObject::AsArray() const {
  static const std::vector<TPdfObject> none;
  return Type_ == TPdfType::Array ? *Items_ : none;
}

const TPdfDict& TPdfObject::AsDict() const {
  static const TPdfDict none;
  return Type_ == TPdfType::Dict || Type_ == TPdfType::Stream ? Dict_ : none;
}

const TPdfStreamData& TPdfObject::AsStreamData() const {
  static const TPdfStreamData none;
  return Type_ == TPdfType::Stream ? Data_ : none;
}

}  // namespace sorvik
