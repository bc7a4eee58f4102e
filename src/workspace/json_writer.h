// A small writer of JSON text for the commands that print JSON: objects,
// arrays, keys and values in order, with string escaping and commas placed
// by the writer. Numbers are written so that they read back exactly.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/basics.h"
#include "framework/number_text.h"

namespace torvacalc {

class TJsonWriter {
 public:
  explicit TJsonWriter(std::ostream& out) : out_(out) {}

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
    return NumberToText(v);
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
  // Most keys and texts need no escape and go to the stream as they are.
  void WriteString(std::string_view s) {
    for (unsigned char c : s)
      if (c < 0x20 || c == '"' || c == '\\') {
        Put(Quote(s));
        return;
      }
    Put('"');
    Put(s);
    Put('"');
  }
  // Straight into the stream's buffer: a JSON document is thousands of
  // small pieces, and the stream's checks around each cost more than the
  // piece; a failed write still marks the stream bad.
  void Put(std::string_view s) {
    const auto n = static_cast<std::streamsize>(s.size());
    if (out_.rdbuf()->sputn(s.data(), n) != n) out_.setstate(std::ios::badbit);
  }
  void Put(char c) {
    if (std::char_traits<char>::eq_int_type(out_.rdbuf()->sputc(c), std::char_traits<char>::eof()))
      out_.setstate(std::ios::badbit);
  }

  std::ostream& out_;
  std::vector<char> first_;  // per open object or array: nothing in it yet
  bool afterKey_ = false;
};

}  // namespace torvacalc
