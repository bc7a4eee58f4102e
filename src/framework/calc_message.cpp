#include "framework/calc_message.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "framework/calc_item.h"
#include "framework/calc_module.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/sqlite_reader.h"
#include "framework/translation.h"

namespace torvacalc {

TTroubleIcon TroubleIconOfType(tCalcMessageType type) {
  switch (type) {
    case cmCalculationError:
    case cmOutOfBounds: return tiError;
    case cmFatalWarning: return tiFatalWarning;
    case cmMissingParameter: return tiMissingParameter;
    case cmWarning: return tiWarning;
    case cmCorrect: return tiCorrect;
    default: return tiHint;
  }
}

std::string GetMessageClassCaption(TTroubleIcon icon) {
  switch (icon) {
    case tiError: return Translate("Fehler");
    case tiFatalWarning: return Translate("Alarm");
    case tiWarning: return Translate("Warnung");
    case tiHint: return Translate("Hinweis");
    case tiCorrect: return Translate("Korrekt");
    case tiMissingParameter: return Translate("Fehlende Eingabe");
  }
  return {};
}

std::string TCalcMessage::GetTypeText() const { return Translate("Fehler"); }
std::string tCalcWarning::GetTypeText() const { return Translate("Warnung"); }
std::string tCalcFatalWarning::GetTypeText() const { return Translate("Alarm"); }
std::string tceMissingParameter::GetTypeText() const { return Translate("Fehlende Eingabe"); }
std::string tCalcHint::GetTypeText() const { return Translate("Hinweis"); }
std::string tCalcCorrect::GetTypeText() const { return Translate("Korrekt"); }

std::unique_ptr<TCalcMessage> NewMessageOfTypeNo(int typeNo) {
  std::unique_ptr<TCalcMessage> msg;
  switch (typeNo) {
    case 0: msg = std::make_unique<tceCalculationError>(); break;
    case 1: msg = std::make_unique<tceOutOfBounds>(); break;
    case 2: msg = std::make_unique<tCalcFatalWarning>(); break;
    case 3: msg = std::make_unique<tceMissingParameter>(); break;
    case 4: msg = std::make_unique<tCalcWarning>(); break;
    case 5: msg = std::make_unique<tCalcHint>(); break;
    case 6: msg = std::make_unique<tCalcCorrect>(); break;
    default: msg = std::make_unique<TCalcMessage>(); typeNo = -1; break;
  }
  msg->FTypeNo = typeNo;
  return msg;
}

std::string FormatMessageText(const std::string& pattern, const std::vector<TMessageArg>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    if (pattern[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // %[width][.precision]conversion
    size_t j = i + 1;
    while (j < pattern.size() && (std::isdigit(static_cast<unsigned char>(pattern[j])) || pattern[j] == '.' ||
                                  pattern[j] == '-'))
      ++j;
    if (j >= pattern.size() || std::string("sdgfe").find(pattern[j]) == std::string::npos || next >= args.size()) {
      out += pattern[i];
      continue;
    }
    const std::string widthPrecision = pattern.substr(i + 1, j - i - 1);
    const char conv = pattern[j];
    const TMessageArg& arg = args[next++];
    char buf[128];
    if (const auto* text = std::get_if<std::string>(&arg)) {
      out += *text;
    } else {
      const Extended v = std::get<Extended>(arg);
      if (IsNoValue(v)) {
        out += "-";
      } else if (conv == 'd') {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(std::llround(v)));
        out += buf;
      } else if (conv == 's') {
        out += HXFormatFloat(v, 4, HXOptions().DecimalSeparator);
      } else {
        const std::string fmt = "%" + widthPrecision + "L" + conv;
        std::snprintf(buf, sizeof buf, fmt.c_str(), v);
        std::string s = buf;
        if (HXOptions().DecimalSeparator != '.') std::replace(s.begin(), s.end(), '.', HXOptions().DecimalSeparator);
        out += s;
      }
    }
    i = j;
  }
  return out;
}

// ------------------------------------------------------------- catalogue

TDataModuleMessages::TDataModuleMessages() = default;
TDataModuleMessages::~TDataModuleMessages() = default;

TDataModuleMessages& TDataModuleMessages::Instance() {
  static TDataModuleMessages catalogue;
  return catalogue;
}

namespace {
const char* const kMessageSql = "SELECT No, LanguageNo, ModulNo, Text, TypeNo, HelpNo FROM HYDRIXMessages";
}  // namespace

void TDataModuleMessages::ReadRows(std::optional<int> no) {
  const auto keep = [&](const TSqliteRow& r) {
    if (r.IsNull(3)) return;  // Text is required
    TMessageRow row;
    row.No = r.Integer(0);
    // A row without a language is a German one.
    row.LanguageNo = r.IsNull(1) ? "de" : r.Text(1);
    row.ModulNo = r.IsNull(2) ? -1 : r.Integer(2);
    row.Text = r.Text(3);
    row.TypeNo = r.IsNull(4) ? -1 : r.Integer(4);
    row.HelpNo = r.IsNull(5) ? -1 : r.Integer(5);
    // The rows come mostly in key order: the end is the hint.
    std::pair<int, std::string> key(row.No, row.LanguageNo);
    FRows.insert_or_assign(FRows.end(), std::move(key), std::move(row));
  };
  // A message whose rows cannot be read is not asked for again: it is
  // unknown, as every message of a catalogue that cannot be read.
  if (no) {
    FNumbersRead.insert(*no);
    if (FLookup) FLookup->Run({*no}, keep);
  } else {
    FAllRead = true;
    if (FReader) FReader->Query(kMessageSql, keep);
  }
}

bool TDataModuleMessages::Load(const std::string& path) {
  std::unique_lock guard(FLock);
  FTriedDefault = true;
  ++FGeneration;
  FRows.clear();
  FNumbersRead.clear();
  FLookup.reset();
  FReader.reset();
  FLastError.clear();
  // Nothing to read from a file that cannot be read.
  FAllRead = true;
  std::string error;
  try {
    FReader = std::make_unique<TSqliteReader>(path, std::vector<std::string>{}, "Meldungsdatenbank");
    FLookup = std::make_unique<TSqliteStatement>(*FReader, std::string(kMessageSql) + " WHERE No = ?1");
    if (FLookup->Ok()) {
      FAllRead = false;
      return true;
    }
    error = FReader->ErrorText();
  } catch (const ESqliteReader& e) {
    error = e.Detail();
  }
  FLookup.reset();
  FReader.reset();
  FLastError = path + ": " + error;
  return false;
}

bool TDataModuleMessages::LoadDefault() {
  return Load((std::filesystem::path(ProgramDataDir()) / "HYDRIXMessages.CDS").string());
}

void TDataModuleMessages::EnsureLoaded() const {
  // Set under the write lock once the first load was tried; every message
  // raised asks, so the usual answer takes no lock.
  if (FTriedDefault.load(std::memory_order_acquire)) return;
  {
    std::shared_lock guard(FLock);
    if (FTriedDefault) return;
  }
  const_cast<TDataModuleMessages*>(this)->LoadDefault();
}

std::optional<TMessageRow> TDataModuleMessages::Stored(int no, const std::string& language) const {
  auto it = FRows.find({no, language});
  if (it == FRows.end()) it = FRows.find({no, "de"});
  if (it == FRows.end()) return std::nullopt;
  return it->second;
}

std::optional<TMessageRow> TDataModuleMessages::Find(int no, const std::string& language) const {
  EnsureLoaded();
  {
    std::shared_lock guard(FLock);
    if (FAllRead || FNumbersRead.contains(no)) return Stored(no, language);
  }
  std::unique_lock guard(FLock);
  if (!FAllRead && !FNumbersRead.contains(no)) const_cast<TDataModuleMessages*>(this)->ReadRows(no);
  return Stored(no, language);
}

size_t TDataModuleMessages::Count() const {
  EnsureLoaded();
  std::unique_lock guard(FLock);
  if (!FAllRead) const_cast<TDataModuleMessages*>(this)->ReadRows(std::nullopt);
  return FRows.size();
}

// ------------------------------------------------------------- container

TCalcMessageContainer::TCalcMessageContainer(TCalcComponent* owner, std::string name)
    : TCalcComponent(owner, std::move(name)) {}

TCalcMessageContainer::~TCalcMessageContainer() {
  MarkDestroying();
  FMessages.clear();
  // Modules that outlive their container must not report into it.
  for (TCalcModule* m : FCalcModules) m->ContainerGone(this);
}

bool TCalcMessageContainer::MessageExists(const TCalcMessage& msg) {
  for (auto& m : FMessages) {
    if (m->CalcModule != msg.CalcModule || m->CalcItem != msg.CalcItem || m->MsgNo != msg.MsgNo) continue;
    // Messages with the caller's own text have no number: they are the
    // same only when they say the same.
    if (msg.MsgNo < 0 && m->Text != msg.Text) continue;
    if (m->Priority < msg.Priority) m->Priority = msg.Priority;
    if (msg.MessageType < m->MessageType) m->MessageType = msg.MessageType;
    for (TCalcItem* t : msg.Troublemakers)
      if (std::find(m->Troublemakers.begin(), m->Troublemakers.end(), t) == m->Troublemakers.end())
        m->Troublemakers.push_back(t);
    return true;
  }
  return false;
}

void TCalcMessageContainer::AddCalcMessage(std::unique_ptr<TCalcMessage>& msg) {
  if (!msg) return;
  if (MessageExists(*msg)) {
    Recycle(std::move(msg));
    // A merged message may have moved up in severity or priority.
    std::stable_sort(FMessages.begin(), FMessages.end(), [](const auto& a, const auto& b) {
      if (a->MessageType != b->MessageType) return a->MessageType < b->MessageType;
      return a->Priority > b->Priority;
    });
    return;
  }
  // After every more severe message and, of the same type, after those of
  // higher or equal priority: type, then priority descending, then arrival.
  auto pos = std::find_if(FMessages.begin(), FMessages.end(), [&](const auto& m) {
    return m->MessageType > msg->MessageType ||
           (m->MessageType == msg->MessageType && m->Priority < msg->Priority);
  });
  TCalcItem* item = msg->CalcItem;
  FMessages.insert(pos, std::move(msg));
  PutInPillory(item);
}

void TCalcMessageContainer::Remove(size_t index) {
  GetOutOfPillory(FMessages[index]->CalcItem);
  std::unique_ptr<TCalcMessage> msg = std::move(FMessages[index]);
  FMessages.erase(FMessages.begin() + static_cast<long>(index));
  Recycle(std::move(msg));
}

// A removed message of the catalogue's classes is kept, emptied, for the
// next message of its class: its text and item lists keep their storage.
// A few dozen cover what the modules of a calculation raise at once.
void TCalcMessageContainer::Recycle(std::unique_ptr<TCalcMessage> msg) {
  constexpr size_t kSpareMessages = 64;
  if (!msg || msg->FTypeNo < -1 || FSpare.size() >= kSpareMessages || MarkedDestroying()) return;
  static constexpr tCalcMessageType kTypeOfTypeNo[] = {cmCalculationError, cmOutOfBounds, cmFatalWarning,
                                                       cmMissingParameter, cmWarning,     cmHint,
                                                       cmCorrect};
  msg->MsgNo = -1;
  msg->Text.clear();
  msg->CalcModule = nullptr;
  msg->CalcItem = nullptr;
  msg->CalcItems.clear();
  msg->Troublemakers.clear();
  // A merge may have raised the severity; the class's own comes back.
  msg->MessageType = msg->FTypeNo >= 0 ? kTypeOfTypeNo[msg->FTypeNo] : cmCalculationError;
  msg->ModulNo = -1;
  msg->HelpNo = -1;
  msg->Reserved = 0;
  msg->Priority = 0;
  FSpare.push_back(std::move(msg));
}

std::unique_ptr<TCalcMessage> TCalcMessageContainer::NewMessage(int typeNo) {
  if (typeNo < -1 || typeNo > 6) typeNo = -1;
  for (size_t i = FSpare.size(); i-- > 0;) {
    if (FSpare[i]->FTypeNo != typeNo) continue;
    std::unique_ptr<TCalcMessage> msg = std::move(FSpare[i]);
    FSpare[i] = std::move(FSpare.back());
    FSpare.pop_back();
    return msg;
  }
  return NewMessageOfTypeNo(typeNo);
}

void TCalcMessageContainer::RemoveCalcMessage(const TCalcMessage* msg) {
  for (size_t i = 0; i < FMessages.size(); ++i)
    if (FMessages[i].get() == msg) {
      Remove(i);
      return;
    }
}

void TCalcMessageContainer::RemoveAllMessages() {
  while (!FMessages.empty()) Remove(FMessages.size() - 1);
}

void TCalcMessageContainer::RemoveMessagesOf(const TCalcModule* module) {
  for (size_t i = FMessages.size(); i-- > 0;)
    if (FMessages[i]->CalcModule == module) Remove(i);
}

void TCalcMessageContainer::RemoveMessagesOfItemsOf(const TCalcModule* module) {
  for (size_t i = FMessages.size(); i-- > 0;) {
    const TCalcItem* item = FMessages[i]->CalcItem;
    if (item && item->GetCalcModule() == module) Remove(i);
  }
}

tCalcMessageType TCalcMessageContainer::GetMessageTypeOf(const TCalcItem* item) const {
  tCalcMessageType result = cmNoError;
  for (const auto& m : FMessages) {
    if (m->CalcItem != item) continue;
    if (m->MessageType == cmFatalWarning) return cmFatalWarning;
    if (m->MessageType < result) result = m->MessageType;
  }
  return result;
}

const TCalcMessage* TCalcMessageContainer::GetMessageOf(const TCalcItem* item) const {
  const TCalcMessage* found = nullptr;
  for (const auto& m : FMessages) {
    if (m->CalcItem != item) continue;
    if (m->MessageType == cmFatalWarning) return m.get();
    if (!found) found = m.get();  // the list is sorted: the first is the most severe
  }
  return found;
}

void TCalcMessageContainer::PutInPillory(TCalcItem* item) {
  if (item) item->SetXTroublemaker(item->GetXTroubleMaker() + 1);
}

void TCalcMessageContainer::GetOutOfPillory(TCalcItem* item) {
  if (item && item->GetXTroubleMaker() > 0) item->SetXTroublemaker(item->GetXTroubleMaker() - 1);
}

void TCalcMessageContainer::AddCalcModule(TCalcModule* module) {
  if (std::find(FCalcModules.begin(), FCalcModules.end(), module) == FCalcModules.end())
    FCalcModules.push_back(module);
}

void TCalcMessageContainer::RemoveCalcModule(TCalcModule* module) {
  FCalcModules.erase(std::remove(FCalcModules.begin(), FCalcModules.end(), module), FCalcModules.end());
}

void TCalcMessageContainer::AddCalcMessager(TCalcMessager* view) {
  if (std::find(FCalcMessagers.begin(), FCalcMessagers.end(), view) == FCalcMessagers.end()) {
    FCalcMessagers.push_back(view);
    view->SetHiddenMessages(FHiddenMessages);
  }
}

void TCalcMessageContainer::RemoveCalcMessager(TCalcMessager* view) {
  FCalcMessagers.erase(std::remove(FCalcMessagers.begin(), FCalcMessagers.end(), view), FCalcMessagers.end());
}

void TCalcMessageContainer::SetHiddenMessages(tsCalcMessageTypes hidden) {
  FHiddenMessages = hidden;
  for (TCalcMessager* v : FCalcMessagers) v->SetHiddenMessages(hidden);
}

void TCalcMessageContainer::EndUpdate(bool recalculated) {
  if (FUpdateCounter > 0) --FUpdateCounter;
  if (FUpdateCounter == 0 && recalculated) DoAfterCalculate();
}

void TCalcMessageContainer::DoAfterCalculate() {
  if (FUpdateCounter > 0 || IsDestroying()) return;
  for (TCalcMessager* v : FCalcMessagers) v->Reload();
  if (OnChange) OnChange();
}

void TCalcMessageContainer::Invalidate() {
  for (TCalcMessager* v : FCalcMessagers) v->Invalidate();
}

}  // namespace torvacalc
