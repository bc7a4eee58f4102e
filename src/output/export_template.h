// Export templates: a document with embedded commands plus a settings file
// that describes it. Processing walks the document, copies its literal
// text, evaluates each command against the calculation being exported (read
// from its calculation file) and produces the result document.
//
// Commands (between BeginMeta and EndMeta, "{" and "}" by default; names
// ignore case; arguments are split at every ","):
//   Param(name, field, alignment, width, pattern)   a field of a parameter
//   AddParam(name, field, alignment, width, pattern) a field of an additional parameter
//   Infos(field, alignment, width, pattern)         information of the calculation file
//   FullFileName, FileName, FilePath                the calculation's file name forms
//   Loop(kind, options...) ... End                  repeats its block per element
//   If(expression) ... Else ... End                 a condition (template expression)
// Text between BeginComment and EndComment ("/*", "*/") is left out.
//
// Parameter fields: Caption, ShortCaption, LongLabel ("Caption [unit]"),
// ShortLabel ("ShortCaption [unit]", the name when there is no short
// caption), Name, Unit, Value (the display-unit value: a number, an
// integer for integer quantities, a date for date quantities; items
// without a quantity give their stored value, their text or their display
// text), DisplayText, DisplayState, Enabled, Utilized, ClassName,
// CalcUnitNo, CalcQuantity, MessageType (the kind of the message saved
// with the item: "Fehler", "Warnung", "Hinweis", "Korrekt", ...; empty
// without one);
// any other field is the item's attribute of that name (CalcMessage,
// TroubleType, NotesList, ...). Additional parameters add Text and Data.
// Infos fields: Caption (the calculation's identifier, else the file name
// without extension), Summary (the file-list summary lines), and any
// attribute of the file's or the calculation's "Infos" (HXVersion,
// SaveCounter, SaveDate, ClassName, Name, ...), else a value of the
// file-list summary (Fluidname, kvs, ...).
//
// Formatting: the width pads by the alignment ("alLeft", "alRight",
// "alCenter"); the pattern formats numbers ("0.00", "#,##0", "0.0E+00")
// and dates ("dd.mm.yyyy hh:nn"). Because arguments are split at ",", a
// pattern with a grouping comma runs to the end of the argument list; a
// last argument "cut" (or "cut" as the pattern) shortens texts longer
// than the width to width-3 characters and "...".
//
// Escaping: results of value commands in HTML and XML documents are escaped
// (& < > " ') so that a caption or note holding "<" or "&" cannot break the
// document; the settings key Format/Escape ("HTML" or "None") overrides the
// choice made by the document's extension. Literal template text is never
// touched.
//
// Loops:
//   Calculations | Calculation | Calc    the calculations of the run
//   Pages | Page                        the pages of the calculation's "Structure"
//   Groups | Group                      the groups of the current page
//   Parameters | Parameter | Param      the parameters of the current group; outside
//                                       a group loop every item tag of the
//                                       calculation, in file order
//   AddParameters | AddParameter | AddParam   the additional parameters
// Options: WantEmpty keeps parameters that are not used or show no text,
// WantInvisible keeps invisible ones, AlphaNumOrder / InvAlphaNumOrder sort
// by caption (digit runs compare as numbers). Inside a loop the element is
// named by the loop's kind word as written: Param(Param, Value) in
// Loop(Param); in If expressions it is "sourceparam". A loop without
// elements leaves out everything up to its End.
//
// Structure layout (written by calculations that have pages): child tags
// of "Structure" are the pages, their children the groups, the groups'
// children name the items (attribute "Name", else the tag name); pages and
// groups carry "Caption" and "Visible" (default true).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "files/hx_file.h"
#include "output/expression_parser.h"
#include "output/value_format.h"

namespace torvacalc {

// A template that cannot be used: missing or unreadable document, a kind
// this program cannot process, a calculation it does not accept.
class EExportTemplate : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Template kinds by the extension of the template document.
enum class TExportTemplKind { Unknown, Text, Spreadsheet, WordProcessor };
// "txt", "htm", "html", "xml": text; "xls", "xlsx", "xlsm": spreadsheet;
// "doc", "docx": word processor (without the dot, ignoring case).
TExportTemplKind TExportTemplFileExt(const std::string& extension);

// How several calculations are exported ("Calculations"/"Count").
enum class TExportCount {
  Single,      // "1": one calculation only
  MultiFile,   // "MultiFile": one document per calculation
  Continuous,  // "Continous" (and no key): one document, the template once per calculation
  MultiPage,   // "MultiPage": as Continuous, a form feed between calculations in text documents
  Multi,       // "Multi": one document from one run; Loop(Calculations) visits them all
};

// The settings file of a template ("hxe": Windows-1252 text; "hxe_u8":
// UTF-8), an INI file beside the template document under the same name.
struct TExportTemplateSettings {
  // [Informations]
  std::string Caption, Description, ID, Created, Modified;  // Description: lines joined with "\n"
  // [Format]
  std::string BeginMeta = "{", EndMeta = "}", BeginComment = "/*", EndComment = "*/";
  std::string Iterations = "Default", Conditions = "Default";
  std::string Escape;  // "HTML", "None"; empty: by the document's extension
  // [Calculations]
  std::string Modules = "*";
  std::string Count;
  // [Other]
  bool UseInternalGUI = false, WantIntExtSelect = false;
  // [Selections]
  std::string MultiPage, Tables, Graphics;

  // Reads a settings file; keys that are missing keep their defaults.
  // Throws EExportTemplate when the file cannot be read.
  void LoadFromIni(const std::string& fileName);
  // Writes every section and key, atomically. Throws EExportTemplate when
  // the file cannot be written.
  void SaveToIni(const std::string& fileName) const;

  TExportCount CountMode() const;
  // True when "Modules" is "*" or lists the calculation's class name, or
  // that name without its "TCM"/"TSCM"/"T" prefix ("ControlValves").
  bool AcceptsModule(const std::string& className) const;
};

// One element of a loop: its text (for sorting), the tag it stands for
// (item, page, group or additional parameter) or the index of a
// calculation.
struct TExpTempElement {
  std::string Text;
  const TBixBinaryTag* Tag = nullptr;
  long CalcIndex = -1;
};

enum class TExpTempLoopKind { Calculations, Pages, Groups, Parameters, AddParameters };

struct TExpTempLoop {
  std::string KindWord;  // as written in the command
  TExpTempLoopKind Kind = TExpTempLoopKind::Parameters;
  std::vector<TExpTempElement> Elements;
  long Index = -1;              // the current element, -1 before the first
  std::size_t Bookmark = 0;     // the position just after the Loop command
  bool Erasing = false;         // empty: erases up to its End
  long SavedCalcIndex = -1;     // the calculation before a calculation loop
};

struct TExpTempCondition {
  bool Value = false;
};

// The fields of Param and AddParam with a meaning of their own; any other
// name is the attribute of that name.
enum class TExpTempField {
  Other, Caption, ShortCaption, Name, Unit, LongLabel, ShortLabel, Value, DisplayText, DisplayState,
  CalcUnitNo, CalcQuantity, Enabled, Utilized, ClassName, MessageType, Text, Data
};

// A command read once and evaluated for every calculation and every loop
// pass: the name lower-cased, the arguments split and trimmed, the layout
// of a value field (alignment, width, pattern, "cut") read, and a
// condition compiled.
struct TExpTempCommand {
  enum class TKind { Loop, If, Else, End, Value };
  TKind Kind = TKind::Value;
  std::string Name;                    // lower case
  std::string ArgumentText;            // up to the last ")"
  std::vector<std::string> Arguments;  // split at every ",", padded to 10
  std::vector<std::string> Trimmed;    // the same without surrounding blanks
  // Value fields: for Param and AddParam the field named, then the layout.
  TExpTempField Field = TExpTempField::Other;
  std::string Alignment, Pattern;
  long Width = 0;
  bool Cut = false;
  // A width or pattern beyond the limits: the message thrown when the
  // field is formatted (a field that is never filled does not fail).
  std::string FormatError;
  // If: the condition, parsed once.
  std::shared_ptr<const TCompiledExpression> Condition;
};

// One result document: its text and the calculations it was made from.
struct TExportDocument {
  std::string Text;
  std::vector<std::size_t> Calculations;
};

class TExportTemplate {
 public:
  // A template document; its settings file is looked for beside it (same
  // name, ".hxe" or ".hxe_u8"); without one the defaults apply.
  explicit TExportTemplate(std::string documentFile);
  virtual ~TExportTemplate() = default;
  TExportTemplate(const TExportTemplate&) = delete;
  TExportTemplate& operator=(const TExportTemplate&) = delete;

  TExportTemplateSettings Settings;
  const std::string& DocumentFile() const { return FDocumentFile; }
  const std::string& SettingsFile() const { return FSettingsFile; }
  TExportTemplKind Kind() const { return FKind; }

  void LoadFromIni(const std::string& fileName) { Settings.LoadFromIni(fileName); }
  void SaveToIni(const std::string& fileName) const { Settings.SaveToIni(fileName); }

  // The calculations to export, in order; not owned.
  void SetCalculations(std::vector<const THXFile*> calculations);
  // Asked between steps; true stops the run. The output produced up to
  // then is still saved.
  std::function<bool()> OnCancelQuery;
  // Told after each calculation (or run) how many of how many are done.
  std::function<void(std::size_t done, std::size_t total)> OnProgress;
  // Told when the run no longer needs a calculation (after its document,
  // or after the whole run when Loop(Calculations) walks them all): its
  // file may be released. With this event set, the template forgets the
  // calculation, and Execute cannot be repeated.
  std::function<void(std::size_t index)> OnCalculationDone;
  // Hands out a calculation given as nullptr to SetCalculations when the
  // run reaches it, so that the owner can read files while the run goes
  // on. The calculation stays valid until OnCalculationDone(index). May
  // throw; the run then stops with that exception. With this event set a
  // calculation the template does not accept is reported when it is
  // reached; without it every calculation is checked before the run.
  std::function<const THXFile*(std::size_t index)> OnCalculationNeeded;

  // Exports the calculations as the settings' Count asks and fills
  // Documents(). Throws EExportTemplate for a calculation the template does
  // not accept or too many calculations for a single export.
  void Execute();
  // One run over the calculations selected: BeforeProcess, DoParseStep
  // until the document is consumed, AfterProcess, SaveResult.
  void Process(const std::vector<std::size_t>& selected);
  bool Cancelled() const { return FCancelled; }
  const std::vector<TExportDocument>& Documents() const { return FDocuments; }

  // Evaluates one command (meta markers included or not) and returns its
  // text.
  std::string Parse(const std::string& command);
  // Splits a command: the name before the first "(", the text up to the
  // last ")", the arguments split at every "," (padded to 10 entries).
  static void SplitCommand(const std::string& text, std::string& name, std::string& argumentText,
                           std::vector<std::string>& arguments);

  // The calculation commands refer to now (nullptr before a run).
  const THXFile* CurrentCalculation() const;
  bool Erasing() const { return FEraseCount > 0; }

 protected:
  virtual void BeforeProcess();
  // Processes the next piece of the document; false when it is consumed.
  virtual bool DoParseStep() = 0;
  virtual void AfterProcess();
  virtual void SaveResult();

  // Appends literal text unless erasing.
  void Emit(std::string_view text);
  // Reads a command (meta markers included or not) for evaluation.
  TExpTempCommand CompileCommand(const std::string& command) const;
  // Evaluates a command and returns its text.
  std::string RunCommand(const TExpTempCommand& command);
  // The same, appending the text to `out`.
  void RunCommand(const TExpTempCommand& command, std::string& out);
  // The processing position, kept by the document kind (a plain-text
  // template counts its steps); loops jump back to their bookmark.
  std::size_t FPosition = 0;
  std::string FResult;

 private:
  enum class TBlockKind { Loop, Condition };

  // Appends the text of a value command to `out` (nothing when the field
  // has no calculation, item or kind to be taken from).
  void ValueCommand(const TExpTempCommand& command, std::string& out);
  void LoopCommand(const std::vector<std::string>& args);
  void IfCommand(const TExpTempCommand& command);
  void ElseCommand();
  void EndCommand();
  std::vector<TExpTempElement> LoopElements(TExpTempLoopKind kind, const std::vector<std::string>& options) const;
  const TExpTempElement* LoopElement(const std::string& kindWord) const;
  const TBixBinaryTag* CurrentElementTag(TExpTempLoopKind kind) const;
  // Reads the alignment, width and pattern arguments of a value field
  // from args[first] on into `command`; a width or pattern beyond the
  // limits of value_format.h becomes its FormatError, naming the field.
  static void ReadFieldFormat(TExpTempCommand& command, std::size_t first);
  // Formats a value by the field's layout, escaped for the document, onto
  // `out`; throws EExportTemplate with the field's FormatError.
  void FormatField(const TExpTempCommand& command, TExportValue value, std::string& out) const;
  void SelectCalculation(long index);
  void CalculationDone(std::size_t index);
  // Throws EExportTemplate when the template does not take `file`.
  void CheckAccepted(const THXFile& file) const;
  // Calculation `index`, asked for through OnCalculationNeeded when it is
  // not there yet.
  void Acquire(std::size_t index);

  std::string FDocumentFile, FSettingsFile;
  TExportTemplKind FKind = TExportTemplKind::Unknown;
  bool FEscapeHtml = false;
  std::vector<const THXFile*> FCalculations;
  std::vector<std::size_t> FSelected;  // the calculations of the run
  long FCurrentCalcIndex = -1;
  std::vector<TBlockKind> FBlocks;
  std::vector<TExpTempLoop> FLoops;
  std::vector<TExpTempCondition> FConditions;
  int FEraseCount = 0;
  bool FCancelled = false;
  std::vector<TExportDocument> FDocuments;
};

// A plain-text template (text, HTML, XML): the whole document is read at
// once (UTF-8, or Windows-1252 when it is not valid UTF-8) and the result
// is UTF-8.
class TAsciiExpTemplate : public TExportTemplate {
 public:
  explicit TAsciiExpTemplate(std::string documentFile);
  // A template from text in memory (tests, previews).
  static std::unique_ptr<TAsciiExpTemplate> FromText(std::string text, bool html = false);
  const std::string& Text() const { return FText; }

 protected:
  void BeforeProcess() override;
  bool DoParseStep() override;

 private:
  // The document read once into steps: the literal text up to the next
  // command or comment, then that command (or the comment skipped), or
  // the rest of the text. Loops jump back by step number.
  struct TStep {
    std::size_t LiteralBegin = 0, LiteralLength = 0;
    enum class TKind { Command, Comment, Last } Kind = TKind::Last;
    std::size_t Command = 0;  // index into FCommands
  };
  void Compile();

  std::string FText;
  std::vector<TStep> FSteps;
  std::vector<TExpTempCommand> FCommands;
  // The markers the steps were read with; other markers read again.
  std::string FCompiledMarkers;
  bool FCompiled = false;
};

// The template for a document: a plain-text template, or EExportTemplate
// for spreadsheet and word-processor documents (they need an office
// application's automation, which this program does not have) and for
// unknown kinds.
std::unique_ptr<TExportTemplate> CreateExportTemplate(const std::string& documentFile);

// A known template: its settings file and its document.
struct TExpTempInfo {
  std::string Name;          // the settings file's name without extension
  std::string SettingsFile;
  std::string DocumentFile;  // empty when no document lies beside it
  std::string Caption;
};

// The templates of the template folders: first the user's
// ($XDG_DATA_HOME/torvacalc/templates, by default
// ~/.local/share/torvacalc/templates), then those installed with the
// program (ProgramDataDir()/templates). A user's template hides a shipped
// one of the same name.
class TExpTempGlobalList {
 public:
  static std::vector<std::string> SearchDirs();
  // Searches the folders again.
  void Refresh();
  const std::vector<TExpTempInfo>& Items() const { return FItems; }
  // The template whose settings file is named `name` (with or without its
  // extension, ignoring case), or nullptr.
  const TExpTempInfo* Find(const std::string& name) const;

 private:
  std::vector<TExpTempInfo> FItems;
};

}  // namespace torvacalc
