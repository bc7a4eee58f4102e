// Template expressions over calculation files: the source and destination
// calculation, their file names, and the attributes of their parameters.
//
//   SourceCalc.kv.value    the value of kv in its display unit
//   kv.sivalue             the same in SI (the source calculation is the default)
//   param("p1", unit)      the unit number of p1
//   DestCalc.filename      the destination's file name without its folder
//   hasvalue(Project)      true when the additional parameter has a text
//
// Additional parameters live under "AdditionalDatas.Items" of the
// calculation, one tag per parameter named with its name:
//   "ClassName"  "THXAddDataInt", "THXAddDataFloat" or "THXAddDataParameter"
//   "Name", "Caption"
//   "Text"       the text shown for it
//   "Data"       the integer (Longint), the real (Extended) or, for a
//                parameter reference, the name of the referenced item
#pragma once

#include <string>

#include "files/hx_file.h"
#include "output/expression_parser.h"
#include "output/value_format.h"

namespace torvacalc {

class THXExpressionParser : public TExpressionParser {
 public:
  explicit THXExpressionParser(const THXFile* source = nullptr, const THXFile* dest = nullptr)
      : SourceCalc(source), DestCalc(dest) {}

  // Either may be absent; names that need an absent calculation have no
  // value.
  const THXFile* SourceCalc;
  const THXFile* DestCalc;
  // The names of the parameters currently selected in the source and in
  // the destination, which the names "sourceparam" and "destparam" stand
  // for (an export template selects the element of its parameter loop).
  std::string SourceParam;
  std::string DestParam;

  // An attribute of a parameter of `file`, read from its tag:
  //   value      "Value" (basic unit) in the display unit "CalcUnitNo" of
  //              its "CalcQuantity"; an item without a quantity gives its
  //              stored "Value" as it is
  //   sivalue    "Value" in SI
  //   checked    "SwitchIndex" is not 0 (two-state switches: "SwitchStatus"
  //              is checked)
  //   unit, quantity                       "CalcUnitNo", "CalcQuantity"
  //   isinput, isdatabase, iscalculated    "InputState" 0, 1, 2
  //   overwritten, canbeoverwritten        "OverRuled", "CanBeOverRuled"
  //   note, hasnote, comment, hascomment   "NotesList", "CommentsList"
  //   any other name                       that attribute (ignoring case)
  // Empty when the file holds no such parameter or attribute. `name` and
  // `attribute` compare ignoring case.
  static TExprValue GetParamAttr(const THXFile& file, const std::string& name, const std::string& attribute);

 protected:
  TExprValue FunctionCall() override;

 private:
  TExprValue ParamAttr(const THXFile& file, const std::string& name, const std::string& attribute) const;
};

// Helpers shared with the export templates.

// The attribute of a tag that a template's name for it means: the one a
// reader of `name` finds, else the first whose name equals `name` ignoring
// case (pooled names of the attribute section first). nullptr when there
// is none or the name is empty; `stored` takes its name.
const TBixBinaryAttribute* TemplateAttribute(const THXFile& file, const TBixBinaryTag& tag, const std::string& name,
                                             std::string* stored = nullptr);
// The name of that attribute, or empty.
std::string FindAttributeName(const THXFile& file, const TBixBinaryTag& tag, const std::string& name);
// That attribute's value; dates keep their kind. Empty when missing.
TExportValue AttributeValue(const THXFile& file, const TBixBinaryTag& tag, const std::string& name);
// The value of an item in its display unit (see "value" above).
TExportValue ItemDisplayValue(const THXFile& file, const TBixBinaryTag& tag);
// A stored line list ("NotesList", "CommentsList") as text: the lines
// joined with line feeds, without the final line break.
std::string StoredLinesText(const std::string& stored);
// The text of an additional parameter: "Text", or its data when it has no
// text (a referenced parameter's display text).
std::string AddParamText(const THXFile& file, const TBixBinaryTag& tag);
// The file name forms of a calculation file.
std::string CalcFullFileName(const THXFile& file);
std::string CalcFileName(const THXFile& file);
std::string CalcFilePath(const THXFile& file);
// ASCII case-insensitive equality.
bool SameName(const std::string& a, const std::string& b);

}  // namespace torvacalc
