#include "CommaText.h"

#include <algorithm>

#include "NumberText.h"

namespace sorvik {

namespace {

bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

bool NeedsQuotes(const std::string& entry) {
  return std::any_of(entry.begin(), entry.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ','; });
}

}  // namespace

std::string WriteCommaText(const std::vector<std::string>& entries) {
  if (entries.size() == 1 && entries[0].empty()) return "\"\"\"\"";  // "" inside the extra pair
  std::string out;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) out += ',';
    const std::string& e = entries[i];
    if (NeedsQuotes(e))
      AppendQuoted(out, e);
    else
      out += e;
  }
  // The profile reader takes off a pair of double or single quotes around the
  // whole value: such a text gets one more pair of double quotes to lose.
  if (out.size() >= 2 && (out.front() == '"' || out.front() == '\'') && out.back() == out.front())
    out = '"' + out + '"';
  return out;
}

std::string CommaTextFromProfile(const std::string& raw) {
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
    std::string inner = raw.substr(1, raw.size() - 2);
    if (WriteCommaText(ReadCommaText(inner)) == raw) return inner;
  }
  return raw;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::vector<std::string> ReadCommaText(const std::string& text) {
  std::vector<std::string> out;
  // A NUL ends the text, as it ends every text the profile functions give.
  const std::size_t n = std::min(text.size(), text.find('\0'));
  std::size_t i = 0;
  while (i < n && IsBlank(text[i])) ++i;
  while (i < n) {
    std::string entry;
    if (text[i] == '"') {
      for (++i; i < n; ++i) {
        if (text[i] != '"') {
          entry += text[i];
        } else if (i + 1 < n && text[i + 1] == '"') {
          entry += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else {
      while (i < n && static_cast<unsigned char>(text[i]) > ' ' && text[i] != ',') entry += text[i++];
    }
    out.push_back(std::move(entry));
    while (i < n && IsBlank(text[i])) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) out.emplace_back();
      do ++i;
      while (i < n && IsBlank(text[i]));
    }
  }
  return out;
}

void UpdateHistoryList(const std::string& text, std::vector<std::string>& list, int limit, bool atTop,
                       TSameText same) {
  const auto it = std::find_if(list.begin(), list.end(), [&](const std::string& e) { return same(e, text); });
  if (it != list.end()) {
    std::string entry = std::move(*it);
    list.erase(it);
    if (atTop) list.insert(list.begin(), std::move(entry));
    else list.push_back(std::move(entry));
    return;
  }
  if (atTop) list.insert(list.begin(), text);
  else list.push_back(text);
  while (static_cast<int>(list.size()) > std::max(limit, 0)) {
    if (atTop) list.pop_back();
    else list.erase(list.begin());
  }
}

std::vector<std::string> MergeHistoryLists(const std::vector<std::string>& mine, const std::vector<std::string>& stored,
                                           int limit, TSameText same) {
  const auto room = static_cast<std::size_t>(std::max(limit, 0));
  std::vector<std::string> merged;
  for (const std::vector<std::string>* list : {&mine, &stored})
    for (const std::string& entry : *list) {
      if (merged.size() >= room) return merged;
      if (std::none_of(merged.begin(), merged.end(), [&](const std::string& e) { return same(e, entry); }))
        merged.push_back(entry);
    }
  return merged;
}

std::int32_t ReadProfileInteger(const std::string& text, std::int32_t fallback) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return fallback;
  const std::string_view digits = std::string_view(text).substr(i);
  if (hex) {
    // Hexadecimal covers all 32 bits ($FFFFFFFF is -1).
    const auto value = ReadHex(digits, 0xFFFFFFFFu);
    if (!value) return fallback;
    const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(*value));
    return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(v)) : v;
  }
  const auto value = ReadDecimal(digits, negative ? 0x80000000u : 0x7FFFFFFFu);
  if (!value) return fallback;
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(*value)) : static_cast<std::int32_t>(*value);
}

std::optional<std::array<int, 6>> ReadColumnWidths(const std::string& text) {
  const std::vector<std::string> entries = ReadCommaText(text);
  if (entries.size() != 6) return std::nullopt;
  std::array<int, 6> widths{};
  for (std::size_t i = 0; i < 6; ++i) widths[i] = ReadProfileInteger(entries[i], 50);
  return widths;
}

}  // namespace sorvik
