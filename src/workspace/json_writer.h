// A small writer of JSON text for the commands that print JSON: objects,
// arrays, keys and values in order, with string escaping and commas placed
// by the writer. Numbers are written as the shortest text that reads back
// as the same IEEE double: JSON readers hold numbers as doubles, and the
// digits beyond a double's (a long double shows 19 or 20) would be noise to
// them that costs many times the rest of the document to print.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/basics.h"
#include "framework/number_text.h"
#include "framework/plain_text.h"

namespace torvacalc {

class TJsonWriter {
 public:
  explicit TJsonWriter(std::ostream& out) : out_(out), buf_(new char[kSize]) {}
  ~TJsonWriter() { Flush(); }
  TJsonWriter(const TJsonWriter&) = delete;
  TJsonWriter& operator=(const TJsonWriter&) = delete;

  TJsonWriter& BeginObject() { return Open('{'); }
  TJsonWriter& EndObject() { return Close('}'); }
  TJsonWriter& BeginArray() { return Open('['); }
  TJsonWriter& EndArray() { return Close(']'); }

  // The key of the next value inside an object.
  TJsonWriter& Key(std::string_view key) {
    Separate();
    WriteString(key);
    Put(':');
    afterKey_ = true;
    return *this;
  }
  // A key known to need no escape, given with its quotes and colon
  // (R"("kind":)"): the fixed keys of an item, written as they stand.
  // Its length is known when compiled, and so the copy is a few moves.
  template <size_t N>
  TJsonWriter& PlainKey(const char (&quotedWithColon)[N]) {
    Separate();
    if (used_ + N > kSize) Flush();
    std::memcpy(buf_.get() + used_, quotedWithColon, N - 1);
    used_ += N - 1;
    afterKey_ = true;
    return *this;
  }
  TJsonWriter& String(std::string_view s) {
    Separate();
    WriteString(s);
    return *this;
  }
  // NoValue, infinities and NaN are written as null.
  TJsonWriter& Number(Extended v) { return Value(NumberText(v)); }
  // A value's JSON text made before (NumberText).
  TJsonWriter& Value(std::string_view text) {
    Separate();
    Put(text);
    return *this;
  }
  static std::string NumberText(Extended v) {
    if (IsNoValue(v) || !std::isfinite(v)) return "null";
    const double d = static_cast<double>(v);
    // Beyond a double's range (or below its smallest) the long double's
    // own digits are the only true text.
    if (!std::isfinite(d) || (d == 0 && v != 0)) return NumberToText(v);
    char buf[32];
    return std::string(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, d).ptr - buf));
  }
  TJsonWriter& Integer(long long v) {
    Separate();
    char buf[24];
    Put(std::string_view(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf)));
    return *this;
  }
  TJsonWriter& Bool(bool b) {
    Separate();
    Put(b ? "true" : "false");
    return *this;
  }
  TJsonWriter& Null() {
    Separate();
    Put("null");
    return *this;
  }

  // The text of `s` as a JSON string, quotes included.
  static std::string Quote(std::string_view s) {
    std::string r = "\"";
    for (unsigned char c : s) {
      switch (c) {
        case '"': r += "\\\""; break;
        case '\\': r += "\\\\"; break;
        case '\b': r += "\\b"; break;
        case '\f': r += "\\f"; break;
        case '\n': r += "\\n"; break;
        case '\r': r += "\\r"; break;
        case '\t': r += "\\t"; break;
        default:
          if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            r += buf;
          } else {
            r += static_cast<char>(c);  // UTF-8 passes unchanged
          }
      }
    }
    return r + "\"";
  }

 private:
  TJsonWriter& Open(char c) {
    Separate();
    Put(c);
    first_.push_back(true);
    return *this;
  }
  TJsonWriter& Close(char c) {
    if (!first_.empty()) first_.pop_back();
    Put(c);
    // A whole document goes out before anything else is written beside it.
    if (first_.empty()) Flush();
    return *this;
  }
  void Separate() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (first_.empty()) return;
    if (!first_.back()) Put(',');
    first_.back() = false;
  }
  // Most keys and texts need no escape and go out as they are.
  static bool NeedsEscape(std::string_view s) {
    for (size_t i = PlainBlocks(s, '"', '\\'); i < s.size(); ++i) {
      const auto c = static_cast<unsigned char>(s[i]);
      if (c < 0x20 || c == '"' || c == '\\') return true;
    }
    return false;
  }
  void WriteString(std::string_view s) {
    if (NeedsEscape(s)) {
      Put(Quote(s));
      return;
    }
    Put('"');
    Put(s);
    Put('"');
  }
  // A JSON document is thousands of small pieces: they gather in a buffer
  // of the writer's own and go to the stream in large blocks (at the end of
  // the outermost object or array, and on the way when the buffer is full),
  // the stream's checks once per block; a failed write marks the stream bad.
  void Put(std::string_view s) {
    if (used_ + s.size() > kSize) {
      Flush();
      if (s.size() > kSize) return Write(s.data(), s.size());
    }
    std::memcpy(buf_.get() + used_, s.data(), s.size());
    used_ += s.size();
  }
  void Put(char c) {
    if (used_ == kSize) Flush();
    buf_[used_++] = c;
  }
  void Flush() {
    Write(buf_.get(), used_);
    used_ = 0;
  }
  void Write(const char* data, size_t n) {
    if (n == 0) return;
    if (out_.rdbuf()->sputn(data, static_cast<std::streamsize>(n)) != static_cast<std::streamsize>(n))
      out_.setstate(std::ios::badbit);
  }

  static constexpr size_t kSize = 1 << 16;
  std::ostream& out_;
  std::unique_ptr<char[]> buf_;
  size_t used_ = 0;
  std::vector<char> first_;  // per open object or array: nothing in it yet
  bool afterKey_ = false;
};

}  // namespace torvacalc
