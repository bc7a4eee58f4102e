#include "workspace/entries.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "files/byte_stream.h"
#include "files/text_codec.h"
#include "framework/calc_switch.h"
#include "framework/translation.h"

namespace torvacalc {

namespace {

// A case file is a page of assignments; anything beyond this is not one.
constexpr std::size_t kMaxCaseFileSize = std::size_t{1} << 20;

// The words of an entry's text, lower case: runs of letters and digits
// (bytes of UTF-8 letters count as letters), a decimal mark between two
// digits kept inside its number ("PN 16" has the words "pn" and "16";
// "DN 2,5" the words "dn" and "2,5").
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string w;
  const auto alnum = [](unsigned char c) { return std::isalnum(c) || c >= 0x80; };
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool inNumber = (c == '.' || c == ',') && !w.empty() && std::isdigit(static_cast<unsigned char>(w.back())) &&
                          i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]));
    if (alnum(c) || inNumber) {
      w += static_cast<char>(std::tolower(c));
    } else if (!w.empty()) {
      words.push_back(std::move(w));
      w.clear();
    }
  }
  if (!w.empty()) words.push_back(std::move(w));
  return words;
}

// Whether the words `part` follow one another somewhere in `whole`.
bool HasRun(const std::vector<std::string>& whole, const std::vector<std::string>& part) {
  if (part.empty() || part.size() > whole.size()) return false;
  for (size_t at = 0; at + part.size() <= whole.size(); ++at)
    if (std::equal(part.begin(), part.end(), whole.begin() + static_cast<std::ptrdiff_t>(at))) return true;
  return false;
}

// The entries of a list as a user reads them in an error: the first few,
// then how many there are.
std::string ListOfItems(const std::vector<std::string>& texts, const std::vector<int>& which) {
  constexpr size_t kShown = 12;
  // Entries with a comma of their own ("Parabolkegel, öffnend") are kept
  // apart by semicolons.
  const bool commas = std::any_of(which.begin(), which.end(),
                                  [&](int i) { return texts[static_cast<size_t>(i)].find(',') != std::string::npos; });
  const std::string sep = commas ? "; " : ", ";
  std::string list;
  for (size_t k = 0; k < which.size() && k < kShown; ++k)
    list += (k ? sep : "") + texts[static_cast<size_t>(which[k])];
  if (which.size() > kShown) list += sep + "... (" + std::to_string(which.size()) + " items)";
  return list;
}

// An entry of a list named by part of its text: the words typed are words
// of exactly one entry's text, in the program's language, in German or in
// English ("16" for "PN 16", "ball" for "Kugelhahn (ball valve)"). None
// or several refuse the entry, naming the entries that could be meant.
int IndexOfShorthand(const TCustomCalcMultiSwitch& s, const std::string& name, const std::string& typed) {
  const std::vector<std::string> shown = s.GetTranslatedValueList();
  const auto* list = dynamic_cast<const TXCalcListSwitch*>(&s);
  std::vector<int> offered, fitting;
  const std::vector<std::string> part = Words(typed);
  for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
    if (list && !list->GetVisible(i)) continue;
    offered.push_back(i);
    const size_t k = static_cast<size_t>(i);
    if (HasRun(Words(shown[k]), part) || HasRun(Words(s.GetValueList()[k]), part) ||
        HasRun(Words(s.GetValueTextIn(i, "en")), part))
      fitting.push_back(i);
  }
  if (fitting.size() == 1) return fitting.front();
  if (fitting.empty())
    throw ECalcEntry(name + ": unknown item \"" + typed + "\"" +
                     (offered.empty() ? std::string("; the list is empty") : "; items: " + ListOfItems(shown, offered)));
  throw ECalcEntry(name + ": \"" + typed + "\" fits several items: " + ListOfItems(shown, fitting));
}

void AssignSwitch(TCalcItem& item, const std::string& name, const std::string& text) {
  const std::string t = TrimBlanks(text);
  if (auto* multi = dynamic_cast<TCustomCalcMultiSwitch*>(&item)) {
    const int count = static_cast<int>(multi->GetValueList().size());
    // A database list that the module fills only when it computes (the
    // valves of a catalogue series) takes the text as the user's entry.
    if (count == 0 && dynamic_cast<TDataMultiSwitch*>(multi) && !t.empty() && t[0] != '#') {
      item.EnterByUser(false);
      multi->SetText(t);
      return;
    }
    if (!t.empty() && t[0] == '#') {
      if (count == 0)
        throw ECalcEntry(name + ": no item \"" + t + "\": the list is empty" +
                     (dynamic_cast<TDataCalcListSwitch*>(multi) ? " (its database cannot be read)" : ""));
      char* end = nullptr;
      const long n = std::strtol(t.c_str() + 1, &end, 10);
      if (end == t.c_str() + 1 || *end != '\0' || n < 0 || n >= count)
        throw ECalcEntry(name + ": no item \"" + t + "\" (items #0 to #" + std::to_string(count - 1) + ")");
      multi->EnterByUser(false);
      multi->SetSwitchStatus(static_cast<int>(n));
      return;
    }
    // The item's text in German or English, whatever the language (a
    // computing module's switch reading through it may know more names).
    int index = multi->IndexOfAnyName(t);
    if (index < 0) index = IndexOfShorthand(*multi, name, t);
    // A choice is the user's, as one made in the program's window (where
    // it replaces a database value, that value is marked modified).
    multi->EnterByUser(false);
    multi->SetSwitchStatus(index);
    return;
  }
  auto& two = dynamic_cast<TCalcSwitch&>(item);
  const TCheckBoxState state = t == "#0" ? cbUnchecked : t == "#1" ? cbChecked : StrToSwitchStatus(t);
  if (state == cbGrayed)
    throw ECalcEntry(name + ": unknown item \"" + t + "\" (expected " + Translate("ja") + " or " + Translate("nein") + ")");
  two.EnterByUser(false);
  two.SetChecked(state == cbChecked);
}

}  // namespace

void EnterItem(TCalcItem& item, const std::string& text, const std::vector<TCalcParameter*>& sameRow) {
  const std::string& name = item.GetName();
  // Texts are kept, saved and printed (as JSON too) as UTF-8: bytes that
  // are not are refused, whatever the item.
  if (!IsValidUtf8(text)) throw ECalcEntry(name + ": not valid UTF-8 text");
  if (auto* p = dynamic_cast<TCalcParameter*>(&item)) {
    try {
      EnterParameterText(*p, text, sameRow);
    } catch (const ECalcEntry& e) {
      throw ECalcEntry(name + ": " + e.what());
    }
  } else if (dynamic_cast<tCustomCalcSwitch*>(&item)) {
    AssignSwitch(item, name, text);
  } else {
    const std::string t = TrimBlanks(text);  // "NAME = TEXT" in a case file
    item.EnterByUser(t.empty());
    item.SetText(t);
  }
}

void AssignItem(TCalcModule& m, const std::string& assignment) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) throw ECalcEntry("expected NAME=VALUE, got \"" + assignment + "\"");
  const std::string name = TrimBlanks(assignment.substr(0, eq));
  if (!IsValidUtf8(name)) throw ECalcEntry("an item name: not valid UTF-8 text");
  TCalcItem* item = m.CalcItemByName(name);
  if (!item) throw ECalcEntry("unknown item \"" + name + "\" of " + m.ClassName());
  EnterItem(*item, assignment.substr(eq + 1));
}

void RequireRegularFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw ECalcEntry(path + ": no such file");
    throw ECalcEntry(path + ": " + std::strerror(errno));
  }
  if (S_ISREG(st.st_mode)) return;
  const char* what = S_ISDIR(st.st_mode)    ? "a directory"
                     : S_ISFIFO(st.st_mode) ? "a FIFO"
                     : S_ISCHR(st.st_mode)  ? "a character device"
                     : S_ISBLK(st.st_mode)  ? "a block device"
                     : S_ISSOCK(st.st_mode) ? "a socket"
                                            : "a special file";
  throw ECalcEntry(path + ": " + what + ", not a regular file");
}

std::vector<std::string> ReadCaseFile(const std::string& path) {
  RequireRegularFile(path);
  std::string bytes, error;
  const TReadFileResult result = ReadFileBytes(path, kMaxCaseFileSize, bytes, &error);
  if (result == TReadFileResult::TooLarge)
    throw ECalcEntry(path + ": a case file of more than " + std::to_string(kMaxCaseFileSize >> 10) +
                     " KiB cannot be one");
  if (result != TReadFileResult::Ok) throw ECalcEntry("cannot read case file \"" + path + "\": " + error);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  std::istringstream in(bytes);
  std::vector<std::string> lines;
  std::string line;
  int no = 0;
  while (std::getline(in, line)) {
    ++no;
    line = TrimBlanks(line);
    if (line.empty() || line[0] == '#') continue;
    if (!IsValidUtf8(line)) throw ECalcEntry(path + ":" + std::to_string(no) + ": not valid UTF-8 text");
    if (line.find('=') == std::string::npos)
      throw ECalcEntry(path + ":" + std::to_string(no) + ": expected NAME=TEXT, got \"" + line + "\"");
    lines.push_back(line);
  }
  return lines;
}

std::string ItemValueText(const TCalcItem& item) {
  // Most items are parameters, which are no switch: no cast needed.
  if (item.AsParameter()) return item.GetDisplayText();
  if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(&item)) return multi->GetSelectedValue();
  if (const auto* two = dynamic_cast<const TCalcSwitch*>(&item))
    return Translate(SwitchStatusToStr(two->GetSwitchStatus()));
  return item.GetDisplayText();
}

long double ParseNumberArg(const std::string& text, const std::string& what) {
  std::string s = text;
  std::replace(s.begin(), s.end(), ',', '.');
  // strtold follows the C locale, which the program leaves at "C".
  errno = 0;
  char* end = nullptr;
  const long double v = std::strtold(s.c_str(), &end);
  if (s.empty() || end != s.c_str() + s.size() || errno == ERANGE)
    throw ECalcEntry(what + ": \"" + text + "\" is not a number");
  return v;
}

}  // namespace torvacalc
