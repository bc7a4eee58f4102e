// The name index of attribute lists and the block memory of documents read
// from a stream: a lookup gives what walking the list gives, through every
// kind of change, and a document read into blocks behaves as one built on
// the heap (run these under the sanitizers to see every element freed once
// and none used after its document).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "files/hx_file.h"
#include "files/tag_stream.h"

using namespace torvacalc;

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string Folded(std::string s, bool upper) {
  for (char& c : s)
    c = upper ? (c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c) : Fold(c);
  return s;
}

// What a lookup must give: the position of the first attribute of that
// name, by walking the list.
long Walk(const TBixBinaryAttributes& list, const std::string& name, bool caseSensitive) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const std::string& n = list[i].ItemName;
    bool same = n.size() == name.size();
    for (std::size_t k = 0; same && k < n.size(); ++k)
      same = caseSensitive ? n[k] == name[k] : Fold(n[k]) == Fold(name[k]);
    if (same) return static_cast<long>(i);
  }
  return -1;
}

// Every name of the list in three spellings, and `others`, looked up
// exactly and ignoring case; the answers walk `walked` (the list itself,
// or one read alike, so that `list` is asked before it makes anything).
void ExpectLookupsAsWalking(const TBixBinaryAttributes& list, std::vector<std::string> others = {},
                            const TBixBinaryAttributes* walked = nullptr) {
  if (!walked) walked = &list;
  for (const auto& a : *walked) {
    others.push_back(a->ItemName.str());
    others.push_back(Folded(a->ItemName.str(), true));
    others.push_back(Folded(a->ItemName.str(), false));
  }
  for (const std::string& name : others)
    for (bool caseSensitive : {true, false}) {
      SCOPED_TRACE("\"" + name + (caseSensitive ? "\" exactly" : "\" ignoring case"));
      ASSERT_EQ(list.IndexOf(name, caseSensitive), Walk(*walked, name, caseSensitive));
    }
}

void AddNames(TBixBinaryTag& tag, const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i)
    tag.AddAttribute<TBixBinaryLongint>(names[i]).SetValue(static_cast<std::int32_t>(i));
}

std::vector<std::string> Numbered(const std::string& stem, int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back(stem + std::to_string(i));
  return names;
}

// `count` names whose hashes share their lowest `bits` bits: they all want
// the same place in a table of up to 2^bits slots.
std::vector<std::string> CollidingNames(int count, int bits) {
  const std::uint32_t mask = (1u << bits) - 1;
  const std::uint32_t home = BixFoldedHash("k0") & mask;
  std::vector<std::string> names;
  for (int i = 0; static_cast<int>(names.size()) < count; ++i) {
    std::string name = "k" + std::to_string(i);
    if ((BixFoldedHash(name) & mask) == home) names.push_back(std::move(name));
  }
  return names;
}

TEST(AttributeIndex, LookupsGiveWhatWalkingTheListGives) {
  struct Case { const char* what; std::vector<std::string> names; };
  std::vector<std::string> longNames;
  for (int i = 0; i < 20; ++i) longNames.push_back("Kennlinie_" + std::to_string(i) + "_Hubverhaeltnis_75");
  std::vector<std::string> upperAndLower = Numbered("Item", 30);
  for (int i = 0; i < 30; i += 3) upperAndLower.push_back("ITEM" + std::to_string(i));
  const Case cases[] = {
      {"empty list", {}},
      {"short list, walked", {"Value", "value", "Name", "Value"}},
      {"one below the index", Numbered("a", 7)},
      {"the smallest indexed list", Numbered("a", 8)},
      {"an item's attributes", {"ClassName", "_ItemIsValid", "NotesList", "CommentsList", "DisplayText",
                                "InputState", "DisplayState", "OverRuled", "CanBeOverRuled", "ReadOnly",
                                "Enabled", "Utilized", "Modified", "CanBeModified", "IsUsed", "OutDated",
                                "DoNotCalculate", "TroubleMaker", "TroubleType", "CanModify", "CalcMessage",
                                "DetailLevel", "ShowAlways", "Important", "Name", "Caption", "ShortCaption",
                                "UseInGraphics", "xTimesInUse", "Value", "CalcUnitNo", "ValueState",
                                "IsApproximated", "CalcQuantity"}},
      {"names repeated: the first wins", {"a", "b", "c", "d", "e", "f", "g", "h", "a", "b", "c", "a"}},
      {"case variants: exact names walk, others use the index", upperAndLower},
      {"long names that differ in the middle", longNames},
      {"empty names, blanks and bytes above ASCII", {"", "x", " ", "x ", "Größe", "GRÖßE", "größe", "", "\xff",
                                                       "\xdf", "a", "b"}},
      {"a pool of numbered names", Numbered("", 300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TBixBinaryStreamData tag("T"), read, walked;
    AddNames(tag, c.names);
    ExpectLookupsAsWalking(tag.Attributes(), {"", "missing", "VALUE", "a100", "Item30"});
    // Read from a document: names compared in the file's bytes.
    TByteWriter w;
    tag.SaveToStream(w);
    for (TBixBinaryStreamData* doc : {&read, &walked}) {
      TByteReader r(w.Data());
      ASSERT_EQ(doc->LoadFromStream(r), BixLoadOk);
    }
    ExpectLookupsAsWalking(read.Attributes(), {"", "missing", "VALUE", "Item30", "GRÖSSE"}, &walked.Attributes());
  }
}

TEST(AttributeIndex, FollowsEveryChangeOfTheList) {
  TBixBinaryTag tag("T");
  AddNames(tag, Numbered("n", 30));
  TBixBinaryAttributes& list = tag.Attributes();
  const std::vector<std::string> asked = {"n0", "n5", "N5", "renamed", "Renamed", "copy", "n29", "late", "n12"};
  struct Step { const char* what; std::function<void()> change; };
  const Step steps[] = {
      {"replaced in place", [&] { TBixBinaryAnsiString::AddToTag(tag, "n5", "text"); }},
      {"appended", [&] { TBixBinaryAnsiString::AddToTag(tag, "late", "x"); }},
      {"first deleted: every position moves", [&] { list.Delete(0); }},
      {"removed ignoring case", [&] { EXPECT_TRUE(list.Remove("N12", false)); }},
      {"renamed", [&] { list[3].ItemName = "renamed"; }},
      {"renamed to a name further on: that one is no longer first", [&] { list[1].ItemName = std::string("n29"); }},
      {"renamed to a case variant", [&] { list[4].ItemName = std::string_view("RENAMED"); }},
      {"renamed by assignment from another attribute",
       [&] {
         TBixBinaryBoolean other;
         other.ItemName = "copy";
         list[6].Assign(other);
       }},
      {"renamed attribute copied: the copy belongs to no list",
       [&] {
         auto copy = list[6].Clone();
         copy->ItemName = "n0";
       }},
      {"duplicate appended", [&] { tag.AddAttribute<TBixBinaryLongint>("renamed"); }},
      {"cleared and filled again",
       [&] {
         list.Clear();
         AddNames(tag, Numbered("n", 12));
       }},
      {"shrunk below the index", [&] {
         while (list.Count() > 5) list.Delete(list.Count() - 1);
       }},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.change();
    ExpectLookupsAsWalking(list, asked);
  }
  // A list moved elsewhere: its attributes tell the new owner of renames.
  TBixBinaryAttributes moved(std::move(list));
  moved[2].ItemName = "moved";
  EXPECT_EQ(list.Count(), 0u);
  ExpectLookupsAsWalking(moved, {"moved"});
  EXPECT_EQ(moved.IndexOf("MOVED", false), 2);
}

TEST(AttributeIndex, NamesMadeToMeetInTheTableAreStillFound) {
  // 90 names that all want the same slot crowd the table beyond what it
  // probes: the list falls back to walking and still finds every name.
  std::vector<std::string> names = CollidingNames(90, 10);
  std::vector<std::string> more = Numbered("other", 110);
  names.insert(names.end(), more.begin(), more.end());
  TBixBinaryTag tag("T");
  AddNames(tag, names);
  ExpectLookupsAsWalking(tag.Attributes(), {"absent", "K0"});
  // So does a calculation file's item table.
  THXFile file;
  TBixBinaryTag& items = file.GetItemsTag();
  for (const std::string& n : names) items.AddTag(n);
  for (std::size_t i = 0; i < names.size(); i += 7) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(file.GetParameterTag(Folded(names[i], true)), &items.Tag(i));
  }
  EXPECT_EQ(file.GetParameterTag("absent"), nullptr);
}

// A document with nested tags and attributes of several types.
void Fill(TBixBinaryStreamData& doc) {
  doc.HeaderText1 = "Torvacalc";
  TBixBinaryTag& items = doc.AddTag("Items");
  for (int i = 0; i < 20; ++i) {
    TBixBinaryTag& item = items.AddTag("p" + std::to_string(i));
    AddNames(item, Numbered("a", 10));
    TBixBinaryAnsiString::AddToTag(item, "Caption", std::string(i, 'x') + " Eingangsdruck im Betriebspunkt");
    TBixBinaryExtended::AddToTag(item, "Value", 1.5L * i);
    TBixBinaryBoolean::AddToTag(item, "Utilized", i % 2 == 0);
  }
  TBixBinaryWideString::AddToTag(doc, "Note", "Notiz ü");
}

// The same edits on any document.
void Edit(TBixBinaryStreamData& doc) {
  TBixBinaryTag& items = *doc.FindFirstTag("Items");
  TBixBinaryAnsiString::AddToTag(items.Tag(3), "a4", "replaced");
  items.Tag(4).Attributes().Remove("Caption");
  items.Tag(5).Attributes().Delete(0);
  items.Tag(6).Attributes()[2].ItemName = "renamed";
  items.DeleteTag(7);
  TBixBinaryTag& added = items.AddTag("added");
  AddNames(added, Numbered("b", 12));
  TBixBinaryLongint::AddToTag(doc, "Count", 19);
}

std::string Saved(const TBixBinaryStreamData& doc) {
  TByteWriter w;
  doc.SaveToStream(w);
  return w.TakeData();
}

TEST(BlockMemory, DocumentsReadIntoBlocksBehaveAsBuilt) {
  TBixBinaryStreamData built("Root");
  Fill(built);
  const std::string bytes = Saved(built);
  Edit(built);
  const std::string edited = Saved(built);

  TBixBinaryStreamData read("Root");
  TByteReader r(bytes);
  ASSERT_EQ(read.LoadFromStream(r), BixLoadOk);
  EXPECT_EQ(Saved(read), bytes);
  Edit(read);
  EXPECT_EQ(Saved(read), edited) << "edits of a read document write what the same edits of a built one write";
  ExpectLookupsAsWalking(read.FindFirstTag("Items")->Tag(6).Attributes(), {"renamed"});

  // Read again into the same document, after a damaged stream, after Clear.
  struct Step { const char* what; std::string stream; std::uint8_t result; };
  const Step steps[] = {
      {"the edited document", edited, BixLoadOk},
      {"cut short", bytes.substr(0, bytes.size() / 2), BixLoadDamaged},
      {"the original document", bytes, BixLoadOk},
      {"another identifier", "\x03" "abc", BixLoadUnknownIdentifier},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    TByteReader again(s.stream);
    EXPECT_EQ(read.LoadFromStream(again), s.result);
    if (s.result == BixLoadOk) {
      EXPECT_EQ(Saved(read), s.stream);
    }
  }
  EXPECT_EQ(Saved(read), bytes) << "a stream of another kind leaves the document as it was";
  read.Clear();
  Fill(read);
  EXPECT_EQ(Saved(read), bytes);
}

// A document that static destruction takes apart (here one kept in the
// process's file list, made before any document is read, as a program that
// opens its list at start does) still has somewhere to give its blocks
// back to: a use after free at the program's end shows under the
// sanitizers.
[[maybe_unused]] const THXFileList& gListMadeFirst = HXFileList();

TEST(BlockMemory, DocumentsKeptToTheProgramsEndGiveTheirBlocksBack) {
  THXFile written;
  written.GetItemsTag().AddTag("kept");
  auto kept = std::make_unique<THXFile>();
  kept->LoadFromString(written.SaveToString());
  ASSERT_NE(kept->GetParameterTag("kept"), nullptr);
  HXFileList().Put(std::move(kept));
}

}  // namespace
