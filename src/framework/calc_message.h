// Calculation messages: what a module has to say about its inputs and
// results (missing input, value out of range, failed computation, warning,
// hint, confirmation), the catalogue their texts come from, and the
// container that keeps them ordered by severity.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "framework/basics.h"
#include "framework/component.h"

namespace torvacalc {

class TCalcItem;
class TCalcModule;
class TSqliteReader;
class TSqliteStatement;

// Severity, most severe first.
enum tCalcMessageType : std::uint8_t {
  cmCalculationError,
  cmOutOfBounds,
  cmFatalWarning,
  cmMissingParameter,
  cmWarning,
  cmHint,
  cmCorrect,
  cmNoLink,
  cmNoError,
};

// A set of message types.
using tsCalcMessageTypes = std::uint16_t;
constexpr tsCalcMessageTypes MessageTypeBit(tCalcMessageType t) {
  return static_cast<tsCalcMessageTypes>(1u << t);
}

enum TTroubleIcon : std::uint8_t { tiError, tiFatalWarning, tiWarning, tiHint, tiCorrect, tiMissingParameter };

TTroubleIcon TroubleIconOfType(tCalcMessageType type);
// The type text of the icon's message class, translated.
std::string GetMessageClassCaption(TTroubleIcon icon);

// An argument of a catalogue text: a text or a number.
using TMessageArg = std::variant<std::string, Extended>;

// Fills the placeholders %s, %d, %g, %f and %% of a catalogue text (an
// optional width/precision such as %.2f is honoured for numbers). Missing
// arguments leave their placeholder as it stands; numbers given for %s are
// shown with 4 significant digits.
std::string FormatMessageText(const std::string& pattern, const std::vector<TMessageArg>& args);

class TCalcMessage {
 public:
  virtual ~TCalcMessage() = default;
  virtual const char* ClassName() const { return "TCalcMessage"; }
  // "Fehler", "Warnung", ... translated.
  virtual std::string GetTypeText() const;

  int MsgNo = -1;
  std::string Text;
  TCalcModule* CalcModule = nullptr;
  TCalcItem* CalcItem = nullptr;  // where it is shown; nullptr: module-wide
  std::vector<TCalcItem*> CalcItems;
  std::vector<TCalcItem*> Troublemakers;
  tCalcMessageType MessageType = cmCalculationError;
  int ModulNo = -1;
  int HelpNo = -1;
  int Reserved = 0;
  std::int8_t Priority = 0;

  TCalcMessage() = default;

 protected:
  explicit TCalcMessage(tCalcMessageType type) : MessageType(type) {}

 private:
  friend std::unique_ptr<TCalcMessage> NewMessageOfTypeNo(int typeNo);
  friend class TCalcMessageContainer;
  // The catalogue TypeNo the message was made for (NewMessageOfTypeNo);
  // -2 for messages made otherwise, which are never reused.
  int FTypeNo = -2;
};

class tCalcError : public TCalcMessage {
 public:
  tCalcError() : TCalcMessage(cmCalculationError) {}
  const char* ClassName() const override { return "tCalcError"; }
 protected:
  explicit tCalcError(tCalcMessageType type) : TCalcMessage(type) {}
};
class tceCalculationError : public tCalcError {
 public:
  const char* ClassName() const override { return "tceCalculationError"; }
};
class tceOutOfBounds : public tCalcError {
 public:
  tceOutOfBounds() : tCalcError(cmOutOfBounds) {}
  const char* ClassName() const override { return "tceOutOfBounds"; }
};
class tCalcWarning : public TCalcMessage {
 public:
  tCalcWarning() : TCalcMessage(cmWarning) {}
  const char* ClassName() const override { return "tCalcWarning"; }
  std::string GetTypeText() const override;
 protected:
  explicit tCalcWarning(tCalcMessageType type) : TCalcMessage(type) {}
};
class tCalcFatalWarning : public tCalcWarning {
 public:
  tCalcFatalWarning() : tCalcWarning(cmFatalWarning) {}
  const char* ClassName() const override { return "tCalcFatalWarning"; }
  std::string GetTypeText() const override;
};
class tceMissingParameter : public tCalcWarning {
 public:
  tceMissingParameter() : tCalcWarning(cmMissingParameter) {}
  const char* ClassName() const override { return "tceMissingParameter"; }
  std::string GetTypeText() const override;
};
class tCalcHint : public TCalcMessage {
 public:
  tCalcHint() : TCalcMessage(cmHint) {}
  const char* ClassName() const override { return "tCalcHint"; }
  std::string GetTypeText() const override;
};
class tCalcCorrect : public TCalcMessage {
 public:
  tCalcCorrect() : TCalcMessage(cmCorrect) {}
  const char* ClassName() const override { return "tCalcCorrect"; }
  std::string GetTypeText() const override;
};

// The message class of a catalogue TypeNo (0..6; anything else gives a
// plain TCalcMessage).
std::unique_ptr<TCalcMessage> NewMessageOfTypeNo(int typeNo);

// One row of the message catalogue.
struct TMessageRow {
  int No = 0;
  std::string LanguageNo;
  int ModulNo = -1;
  std::string Text;
  int TypeNo = -1;
  int HelpNo = -1;
};

// The message catalogue: the table "HYDRIXMessages" of the database file
// "HYDRIXMessages.CDS" in the data folder. Loading opens the file and
// compiles the look-up of a message; the rows of a message (in every
// language) are read when it is first asked for, since a calculation raises
// a dozen of the catalogue's some hundred messages. Loading and reading take
// the write side of a readers-writer lock, lookups of rows read before the
// read side. A missing or damaged catalogue leaves the table empty;
// messages then carry the "unknown message" text.
class TDataModuleMessages {
 public:
  TDataModuleMessages();
  ~TDataModuleMessages();
  static TDataModuleMessages& Instance();
  // Opens the catalogue of a database file, replacing what was loaded.
  // Returns false (and leaves the table empty) when it cannot be read.
  bool Load(const std::string& path);
  // The default catalogue in the data folder (called once on first use).
  bool LoadDefault();
  // The row of `no` in `language`, else in German; empty when missing.
  std::optional<TMessageRow> Find(int no, const std::string& language) const;
  size_t Count() const;
  const std::string& LastError() const { return FLastError; }
  // Counts the loads (the first on use): a text made from a row earlier may
  // read otherwise once this number changed.
  unsigned Generation() const {
    EnsureLoaded();
    return FGeneration.load(std::memory_order_acquire);
  }

 private:
  void EnsureLoaded() const;
  // Reads the rows of message `no`, or every row without one, under the
  // write lock.
  void ReadRows(std::optional<int> no);
  // The row of `no` in `language`, else in German, among those read.
  std::optional<TMessageRow> Stored(int no, const std::string& language) const;
  mutable std::shared_mutex FLock;
  std::map<std::pair<int, std::string>, TMessageRow> FRows;
  std::unique_ptr<TSqliteReader> FReader;
  std::unique_ptr<TSqliteStatement> FLookup;
  std::set<int> FNumbersRead;
  bool FAllRead = false;
  mutable std::atomic<bool> FTriedDefault{false};
  std::string FLastError;
  std::atomic<unsigned> FGeneration{0};
};

// A view of the messages (a message panel); it reloads on request.
class TCalcMessager {
 public:
  virtual ~TCalcMessager() = default;
  virtual void Reload() = 0;
  virtual void SetHiddenMessages(tsCalcMessageTypes /*hidden*/) {}
  virtual void Invalidate() {}
};

class TCalcMessageContainer : public TCalcComponent {
 public:
  explicit TCalcMessageContainer(TCalcComponent* owner = nullptr, std::string name = "CalcMessageContainer");
  ~TCalcMessageContainer() override;
  const char* ClassName() const override { return "TCalcMessageContainer"; }

  bool Active = false;
  std::function<void()> OnChange;

  // A message of the class of catalogue TypeNo `typeNo` (as
  // NewMessageOfTypeNo), reusing one removed lately: a module raises much
  // the same messages on every calculation.
  std::unique_ptr<TCalcMessage> NewMessage(int typeNo);

  // Takes the message; a duplicate (same module, item and number, and for
  // messages without a number the same text) is merged into the existing
  // one and `msg` is left empty.
  void AddCalcMessage(std::unique_ptr<TCalcMessage>& msg);
  bool MessageExists(const TCalcMessage& msg);
  void RemoveCalcMessage(const TCalcMessage* msg);
  void RemoveAllMessages();
  void RemoveMessagesOf(const TCalcModule* module);
  // Messages of other modules shown at items of `module`.
  void RemoveMessagesOfItemsOf(const TCalcModule* module);

  const std::vector<std::unique_ptr<TCalcMessage>>& Messages() const { return FMessages; }
  int GetMessageCount() const { return static_cast<int>(FMessages.size()); }
  int GetErrorCount() const { return GetTypedMessageCount<tCalcError>(); }
  // Messages of class M and its descendants.
  template <class M>
  int GetTypedMessageCount() const {
    int n = 0;
    for (const auto& m : FMessages) n += dynamic_cast<const M*>(m.get()) != nullptr;
    return n;
  }
  template <class M>
  int GetTypedMessageCountOf(const TCalcModule* module) const {
    int n = 0;
    for (const auto& m : FMessages) n += m->CalcModule == module && dynamic_cast<const M*>(m.get());
    return n;
  }
  // The severity shown at an item: a fatal warning wins, else the most
  // severe type, else cmNoError.
  tCalcMessageType GetMessageTypeOf(const TCalcItem* item) const;
  const TCalcMessage* GetMessageOf(const TCalcItem* item) const;

  void PutInPillory(TCalcItem* item);
  void GetOutOfPillory(TCalcItem* item);

  void AddCalcModule(TCalcModule* module);
  void RemoveCalcModule(TCalcModule* module);
  void AddCalcMessager(TCalcMessager* view);
  void RemoveCalcMessager(TCalcMessager* view);

  tsCalcMessageTypes GetHiddenMessages() const { return FHiddenMessages; }
  void SetHiddenMessages(tsCalcMessageTypes hidden);

  int GetUpdateCounter() const { return FUpdateCounter; }
  void BeginUpdate() { ++FUpdateCounter; }
  void EndUpdate(bool recalculated);
  // Views reload (outside updates) and OnChange fires.
  void DoAfterCalculate();
  void Refresh() { DoAfterCalculate(); }
  void Invalidate();

 private:
  void Remove(size_t index);
  void Recycle(std::unique_ptr<TCalcMessage> msg);
  std::vector<std::unique_ptr<TCalcMessage>> FMessages;
  std::vector<std::unique_ptr<TCalcMessage>> FSpare;  // removed, for NewMessage
  std::vector<TCalcModule*> FCalcModules;
  std::vector<TCalcMessager*> FCalcMessagers;
  int FUpdateCounter = 0;
  tsCalcMessageTypes FHiddenMessages = MessageTypeBit(cmNoLink);
};

}  // namespace torvacalc
