// A small writer of JSON text for the commands that print JSON: objects,
// arrays, keys and values in order, with string escaping and commas placed
// by the writer. Numbers are written so that they read back exactly.
#pragma once

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
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
  TJsonWriter& Key(const std::string& key) {
    Separate();
    WriteString(key);
    out_ << ':';
    afterKey_ = true;
    return *this;
  }
  TJsonWriter& String(const std::string& s) {
    Separate();
    WriteString(s);
    return *this;
  }
  // NoValue, infinities and NaN are written as null.
  TJsonWriter& Number(Extended v) {
    Separate();
    if (IsNoValue(v) || !std::isfinite(v))
      out_ << "null";
    else
      out_ << NumberToText(v);
    return *this;
  }
  TJsonWriter& Integer(long long v) {
    Separate();
    out_ << v;
    return *this;
  }
  TJsonWriter& Bool(bool b) {
    Separate();
    out_ << (b ? "true" : "false");
    return *this;
  }
  TJsonWriter& Null() {
    Separate();
    out_ << "null";
    return *this;
  }

  // The text of `s` as a JSON string, quotes included.
  static std::string Quote(const std::string& s) {
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
    out_ << c;
    first_.push_back(true);
    return *this;
  }
  TJsonWriter& Close(char c) {
    if (!first_.empty()) first_.pop_back();
    out_ << c;
    return *this;
  }
  void Separate() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (first_.empty()) return;
    if (!first_.back()) out_ << ',';
    first_.back() = false;
  }
  void WriteString(const std::string& s) { out_ << Quote(s); }

  std::ostream& out_;
  std::vector<bool> first_;
  bool afterKey_ = false;
};

}  // namespace torvacalc
