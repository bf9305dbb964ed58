#include "ZipEntryData.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace sorvik::zip_detail {

namespace {
}  // namespace

void Input::Attach(IByteStream& stream) {
  stream_ = &stream;
  file_ = nullptr;
  pos_ = end_ = 0;
  ended_ = false;
}

void Input::Attach(IRandomBytes& file, std::uint64_t from, std::uint64_t to) {
  stream_ = nullptr;
  file_ = &file;
  at_ = from;
  to_ = std::max(from, to);
  pos_ = end_ = 0;
  ended_ = false;
}

std::size_t Input::Fill(std::size_t n) {
  n = std::min(n, capacity_);
  if (end_ - pos_ >= n) return end_ - pos_;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  while (end_ < n && !ended_) {
    const std::size_t got = ReadSource(buf_.get() + end_, capacity_ - end_);
    if (got == 0) ended_ = true;
    end_ += got;
  }
  return end_ - pos_;
}

bool Input::Take(std::string& out, std::size_t n) {
  out.clear();
  while (out.size() < n) {
    if (Ready() == 0 && Fill(1) == 0) return false;
    const std::size_t k = std::min(Ready(), n - out.size());
    out.append(reinterpret_cast<const char*>(Data()), k);
    Consume(k);
  }
  return true;
}

std::uint64_t Input::Skip(std::uint64_t n, Spending& spending) {
  std::uint64_t done = std::min<std::uint64_t>(n, Ready());
  Consume(static_cast<std::size_t>(done));
  if (file_) {
    const std::uint64_t k = std::min(n - done, to_ - at_);
    at_ += k;
    return done + k;
  }
  while (done < n && !ended_ && spending.Tick(0)) {
    pos_ = end_ = 0;
    const std::size_t got =
        ReadSource(buf_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(capacity_, n - done)));
    if (got == 0) ended_ = true;
    done += got;
    spending.Tick(got);
  }
  return done;
}

std::size_t Input::ReadSource(std::uint8_t* dst, std::size_t n) {
  if (stream_) return std::min(stream_->Read(dst, n), n);
  if (!file_ || at_ >= to_) return 0;
  n = static_cast<std::size_t>(std::min<std::uint64_t>(n, to_ - at_));
  const std::size_t got = std::min(file_->ReadAt(at_, dst, n), n);
  at_ += got;
  return got;
}

Inflater::~Inflater() {
  if (made_) inflateEnd(&z_);
}

void Inflater::Reset() {
  if (made_) {
    inflateReset(&z_);
  } else if (inflateInit2(&z_, -15) == Z_OK) {
    made_ = true;
  } else {
    throw std::bad_alloc();
  }
}

void EntryData::Begin(const TPlan& plan) {
  plan_ = plan;
  end_ = result_ = TZipEnd::Open;
  out_ = used_ = 0;
  left_ = plan.inLimit;
  crc_ = crc32(0, nullptr, 0);
  positioned_ = false;
  clearTo_ = 0;
  clearCrc_ = crc_;
  descriptorAtClear_ = false;
  if (plan.unsupported) {
    result_ = TZipEnd::Unsupported;
  } else if (plan.unreadable) {
    result_ = TZipEnd::Damaged;
  } else if (plan.deflated) {
    inflater_.Reset();
  }
}

std::size_t EntryData::Read(std::uint8_t* buf, std::size_t n) {
  std::size_t got = 0;
  if (result_ == TZipEnd::Open && n > 0) got = plan_.deflated ? Inflate(buf, n) : Copy(buf, n);
  if (got == 0 && n > 0) {
    if (result_ == TZipEnd::Open) result_ = TZipEnd::Damaged;
    end_ = result_;
  }
  return got;
}

void EntryData::Drain(std::vector<std::uint8_t>& scratch) {
  if (scratch.empty()) scratch.resize(kScratch);
  while (Read(scratch.data(), scratch.size()) > 0) {
  }
}

void EntryData::EndTooLarge(bool byBudget) {
  if (byBudget) spending_.File().MarkReached();
  Settle(TZipEnd::TooLarge);
}

std::uint64_t EntryData::Allowance(bool& byBudget) const {
  const TZipLimits& limits = spending_.Limits();
  const std::uint64_t entry = limits.MaxEntryBytes > out_ ? limits.MaxEntryBytes - out_ : 0;
  const std::uint64_t left = spending_.File().Left();
  byBudget = left <= entry;
  return std::min(entry, left);
}

std::uint64_t EntryData::AllowedOrEnd() {
  bool byBudget = false;
  const std::uint64_t allowed = Allowance(byBudget);
  if (allowed == 0) EndTooLarge(byBudget);
  return allowed;
}

bool EntryData::RatioExceeded() const {
  const TZipLimits& limits = spending_.Limits();
  if (out_ < limits.RatioFrom || out_ == 0) return false;
  if (limits.MaxRatio == 0) return true;
  if (used_ > UINT64_MAX / limits.MaxRatio) return false;
  return out_ > used_ * limits.MaxRatio;
}

void EntryData::Count(const std::uint8_t* bytes, std::size_t made, std::size_t used) {
  used_ += used;
  left_ -= used;
  crc_ = crc32(crc_, bytes, static_cast<uInt>(made));
  out_ += made;
  spending_.File().Spend(made);
  spending_.Tick(made + used);
}

void EntryData::LookForDescriptor(std::size_t ready, bool ended) {
  const std::uint8_t* p = in_.Data();
  // The checksum of the entry's bytes before `crcAt`, carried along as the
  // places are judged in order: each byte is checksummed once.
  std::size_t crcAt = static_cast<std::size_t>(clearTo_ - used_);
  std::uint32_t crc = clearCrc_;
  const auto crcTo = [&](std::size_t to) {
    crc = crc32(crc, p + crcAt, static_cast<uInt>(to - crcAt));
    descriptorBytes_ += to - crcAt;
    crcAt = to;
    return crc;
  };
  const auto sig = [&](std::size_t at) {
    const std::uint32_t v = Get32(p + at);
    return v == kLocalSig || v == kCentralSig || v == kEndSig || v == kZip64EndSig;
  };
  // Whether a descriptor that agrees stands at k.
  const auto agrees = [&](std::size_t k) {
    // What must stand at k, or right after a descriptor without signature there.
    const bool maybe = p[k] == 'P' || (k + 16 <= ready && p[k + 12] == 'P') || (k + 24 <= ready && p[k + 20] == 'P');
    if (!maybe) return false;
    const bool signature = k + 4 <= ready && Get32(p + k) == kDescriptorSig;
    for (const bool wide : {false, true}) {
      const std::size_t at = signature ? 4 : 0;
      const std::size_t length = at + 4 + (wide ? 16 : 8);
      if (k + length + (signature ? 0 : 4) > ready) continue;
      if (!signature && !sig(k + length)) continue;
      const std::uint64_t compressed = wide ? Get64(p + k + at + 4) : Get32(p + k + at + 4);
      if (compressed != used_ + k) continue;
      if (Get32(p + k + at) != crcTo(k)) continue;
      return true;
    }
    return false;
  };
  std::size_t k = crcAt;
  // Until the input has ended, a place is judged only when every form of
  // descriptor that may start there is ready.
  while (k < ready && (ended || k + kLongestDescriptor <= ready)) {
    if (agrees(k)) {
      descriptorAtClear_ = true;
      break;
    }
    ++k;
  }
  clearCrc_ = crcTo(k);
  clearTo_ = used_ + k;
}

std::size_t EntryData::CopyToDescriptor(std::uint8_t* buf, std::size_t n) {
  if (clearTo_ == used_ && !descriptorAtClear_) {
    // Fewer bytes than asked for: the input has ended.
    const std::size_t wanted = kStep + kLongestDescriptor;
    const std::size_t ready = in_.Fill(wanted);
    LookForDescriptor(ready, ready < wanted);
  }
  if (clearTo_ == used_) {
    if (descriptorAtClear_) {
      Finish();
    } else {
      Settle(TZipEnd::Damaged);  // the input ended without a descriptor that agrees
    }
    return 0;
  }
  const std::uint64_t allowed = AllowedOrEnd();
  if (allowed == 0) return 0;
  const std::size_t k = static_cast<std::size_t>(std::min<std::uint64_t>({clearTo_ - used_, n, kStep, allowed}));
  std::memcpy(buf, in_.Data(), k);
  in_.Consume(k);
  Count(buf, k, k);
  return k;
}

std::size_t EntryData::Copy(std::uint8_t* buf, std::size_t n) {
  if (spending_.Interrupted()) {
    Settle(TZipEnd::Interrupted);
    return 0;
  }
  if (plan_.findEnd) return CopyToDescriptor(buf, n);
  if (left_ == 0) {
    Finish();
    return 0;
  }
  const std::uint64_t allowed = AllowedOrEnd();
  if (allowed == 0) return 0;
  if (in_.Ready() == 0 && in_.Fill(1) == 0) {
    Settle(TZipEnd::Damaged);  // cut short
    return 0;
  }
  const std::size_t k = static_cast<std::size_t>(
      std::min<std::uint64_t>({n, kStep, allowed, left_, in_.Ready()}));
  std::memcpy(buf, in_.Data(), k);
  in_.Consume(k);
  Count(buf, k, k);
  if (left_ == 0) Finish();
  return k;
}

std::size_t EntryData::Inflate(std::uint8_t* buf, std::size_t n) {
  z_stream& z = inflater_.Stream();
  for (;;) {
    if (spending_.Interrupted()) {
      Settle(TZipEnd::Interrupted);
      return 0;
    }
    bool byBudget = false;
    const std::uint64_t allowed = Allowance(byBudget);
    // With nothing more allowed, one byte of room tells whether the data
    // ends here or would give more.
    std::uint8_t probe = 0;
    const bool probing = allowed == 0;
    std::uint8_t* dst = probing ? &probe : buf;
    const std::size_t room = probing ? 1 : static_cast<std::size_t>(std::min<std::uint64_t>({n, kStep, allowed}));
    if (in_.Ready() == 0 && left_ > 0) in_.Fill(1);
    const std::size_t offered = static_cast<std::size_t>(std::min<std::uint64_t>(in_.Ready(), left_));
    z.next_in = const_cast<Bytef*>(in_.Data());
    z.avail_in = static_cast<uInt>(offered);
    z.next_out = dst;
    z.avail_out = static_cast<uInt>(room);
    const int ret = inflate(&z, Z_NO_FLUSH);
    const std::size_t used = offered - z.avail_in;
    const std::size_t made = room - z.avail_out;
    in_.Consume(used);
    if (probing && made > 0) {
      Count(dst, 0, used);
      EndTooLarge(byBudget);
      return 0;
    }
    Count(dst, made, used);
    const std::size_t given = probing ? 0 : made;
    if (ret == Z_STREAM_END) {
      Finish();
      return given;
    }
    if ((ret != Z_OK && ret != Z_BUF_ERROR) || (used == 0 && made == 0)) {
      Settle(TZipEnd::Damaged);  // bad data, or data that needs more than the entry has
      return given;
    }
    if (RatioExceeded()) {
      Settle(TZipEnd::TooLarge);
      return given;
    }
    if (given > 0) return given;
  }
}

void EntryData::Finish() {
  if (plan_.descriptor && !ReadDescriptor()) {
    Settle(TZipEnd::Damaged);
    return;
  }
  positioned_ = true;
  Settle(crc_ == plan_.crc ? TZipEnd::Complete : TZipEnd::Damaged);
}

bool EntryData::ReadDescriptor() {
  const std::size_t ready = in_.Fill(24);
  const std::uint8_t* p = in_.Data();
  const bool signature = ready >= 4 && Get32(p) == kDescriptorSig;
  struct Form {
    bool signature;
    bool wide;
  };
  static constexpr Form kNarrowFirst[] = {{true, false}, {false, false}, {true, true}, {false, true}};
  static constexpr Form kWideFirst[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  for (const bool bothSizes : {true, false}) {
    for (const Form& form : plan_.zip64 ? kWideFirst : kNarrowFirst) {
      if (form.signature && !signature) continue;
      const std::size_t at = form.signature ? 4 : 0;
      const std::size_t length = at + 4 + (form.wide ? 16 : 8);
      if (ready < length) continue;
      const std::uint64_t compressed = form.wide ? Get64(p + at + 4) : Get32(p + at + 4);
      const std::uint64_t size = form.wide ? Get64(p + at + 12) : Get32(p + at + 8);
      if (compressed != used_ || (bothSizes && size != out_)) continue;
      plan_.crc = Get32(p + at);
      in_.Consume(length);
      return true;
    }
  }
  return false;
}


}  // namespace sorvik::zip_detail
