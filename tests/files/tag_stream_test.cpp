#include "files/tag_stream.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "test_bytes.h"

using namespace torvacalc;
using torvacalc::test::Bytes;
using torvacalc::test::Hex;

namespace {

std::string SaveTag(const TBixBinaryTag& tag) {
  TByteWriter w;
  tag.SaveToStreamNow(w);
  return w.TakeData();
}

std::string SaveDocument(const TBixBinaryStreamData& doc) {
  TByteWriter w;
  doc.SaveToStream(w);
  return w.TakeData();
}

std::uint8_t LoadDocument(TBixBinaryStreamData& doc, const std::string& bytes) {
  TByteReader r(bytes);
  return doc.LoadFromStream(r);
}

// Registers a derived type for the life of a test, or removes one.
class RegistrationGuard {
 public:
  explicit RegistrationGuard(const TBixBinaryDataType& type, bool registered)
      : FType(type), FWas(TBixBinaryAttribute::DataTypeOfClassName(type.ClassName) != nullptr) {
    if (registered) TBixBinaryAttribute::RegisterBinaryDataType(type);
    else TBixBinaryAttribute::UnregisterBinaryDataType(type.ClassName);
  }
  ~RegistrationGuard() {
    if (FWas) TBixBinaryAttribute::RegisterBinaryDataType(FType);
    else TBixBinaryAttribute::UnregisterBinaryDataType(FType.ClassName);
  }

 private:
  const TBixBinaryDataType& FType;
  bool FWas;
};

const std::string kHeader = Bytes("14 'TBixBinaryStreamData' 01 00");
// Damaged input must be refused at once; the bound is loose because the
// machine may be busy, yet far below what a hang or a huge allocation takes.
constexpr auto kQuickly = std::chrono::seconds(2);

}  // namespace

TEST(TagStream, EmptyDocumentLayout) {
  TBixBinaryStreamData doc("Root");
  EXPECT_EQ(Hex(SaveDocument(doc)),
            Hex(kHeader + Bytes("00 00 04 'Root' 00 00 00 00 00 00 00 00")));
  doc.HeaderText1 = "A";
  doc.HeaderText2 = "\xC3\xA4";  // written in Windows-1252
  EXPECT_EQ(Hex(SaveDocument(doc)),
            Hex(kHeader + Bytes("01 'A' 01 e4 04 'Root' 00 00 00 00 00 00 00 00")));
}

// Adds one attribute of type A.
template <class A, class V>
std::function<void(TBixBinaryTag&)> Add(const char* name, V value) {
  return [=](TBixBinaryTag& t) { A::AddToTag(t, name, value); };
}

// One attribute in a tag "T": its bytes between the counts, as written.
TEST(TagStream, AttributeLayouts) {
  struct Case { const char* what; std::function<void(TBixBinaryTag&)> add; const char* attribute; };
  const Case cases[] = {
      {"null Longint: no value bytes", [](TBixBinaryTag& t) { t.AddAttribute<TBixBinaryLongint>("x"); },
       "10 01 'x' 01"},
      {"Single 1.5 through the 10-byte form", Add<TBixBinarySingle>("s", 1.5f),
       "06 01 's' 00 00 00 00 00 00 00 00 c0 ff 3f"},
      {"Double -0.75 widened", Add<TBixBinaryDouble>("d", -0.75), "07 01 'd' 00 00 00 00 00 00 00 00 c0 fe bf"},
      {"Comp 3 as extended", Add<TBixBinaryComp>("c", 3), "09 01 'c' 00 00 00 00 00 00 00 00 c0 00 40"},
      {"Longint -2", Add<TBixBinaryLongint>("n", -2), "10 01 'n' 00 fe ff ff ff"},
      {"Word", Add<TBixBinaryWord>("w", 0x1234), "0d 01 'w' 00 34 12"},
      {"Int64", Add<TBixBinaryInt64>("i", -0x0102030405060708), "11 01 'i' 00 f8 f8 f9 fa fb fc fd fe"},
      {"Boolean", Add<TBixBinaryBoolean>("b", true), "02 01 'b' 00 01"},
      {"AnsiChar", Add<TBixBinaryAnsiChar>("a", 'K'), "0c 01 'a' 00 4b"},
      {"Currency 12.34 as 123400", Add<TBixBinaryCurrency>("m", 123400), "03 01 'm' 00 08 e2 01 00 00 00 00 00"},
      {"DateTime 2.5 as an IEEE double", Add<TBixBinaryDateTime>("t", 2.5), "04 01 't' 00 00 00 00 00 00 00 04 40"},
      {"AnsiString in Windows-1252", Add<TBixBinaryAnsiString>("s", "K\xC3\xA4"), "12 01 's' 00 02 00 00 00 4b e4"},
      {"WideString in UTF-16LE, length in characters", Add<TBixBinaryWideString>("w", "K\xE2\x82\xAC"),
       "13 01 'w' 00 02 00 00 00 4b 00 ac 20"},
      {"ShortString", Add<TBixBinaryShortString>("s", "ab"), "14 01 's' 00 02 'ab'"},
      {"Blob", Add<TBixBinaryBlob>("b", "xy"), "01 01 'b' 00 02 00 00 00 00 00 00 00 'xy'"},
      {"derived type: 0, base id, class name", Add<TBixBinarytClientDataSet>("c", "z"),
       "00 01 18 'TBixBinarytClientDataSet' 01 'c' 00 01 00 00 00 00 00 00 00 'z'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TBixBinaryTag tag("T");
    c.add(tag);
    const std::string expected = Bytes("01 'T' 01 00 00 00") + Bytes(c.attribute) + Bytes("00 00 00 00");
    EXPECT_EQ(Hex(SaveTag(tag)), Hex(expected));
    TBixBinaryTag back;
    TByteReader r(expected);
    back.LoadFromStreamNow(r);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(Hex(SaveTag(back)), Hex(expected));
  }
}

TEST(TagStream, EveryDataTypeRoundTrips) {
  RegistrationGuard xml(TBixBinaryXMLData::Type(), true);
  TBixBinaryStreamData doc("HXFile");
  doc.HeaderText1 = "Kopf";
  TBixBinaryTag& t = doc.AddTag("Values");
  const long double extended[] = {NoValue, -NoValue, LDBL_MAX, LDBL_MIN,
                                  std::numeric_limits<long double>::denorm_min(), -0.0L,
                                  std::numeric_limits<long double>::infinity(), 1.0L / 3};
  for (std::size_t i = 0; i < std::size(extended); ++i)
    TBixBinaryExtended::AddToTag(t, "e" + std::to_string(i), extended[i]);
  const float singles[] = {FLT_MIN, FLT_MAX, 0.1f, -std::numeric_limits<float>::denorm_min()};
  for (std::size_t i = 0; i < std::size(singles); ++i)
    TBixBinarySingle::AddToTag(t, "f" + std::to_string(i), singles[i]);
  const double doubles[] = {DBL_MAX, 0.1, -std::numeric_limits<double>::denorm_min()};
  for (std::size_t i = 0; i < std::size(doubles); ++i)
    TBixBinaryDouble::AddToTag(t, "d" + std::to_string(i), doubles[i]);
  TBixBinaryComp::AddToTag(t, "comp", std::numeric_limits<std::int64_t>::max());
  TBixBinaryComp::AddToTag(t, "compmin", std::numeric_limits<std::int64_t>::min() + 1);
  TBixBinaryReal48::AddToTag(t, "r48", TBixBinaryReal48::Narrow(0.1L));
  TBixBinaryInt64::AddToTag(t, "i64", std::numeric_limits<std::int64_t>::min());
  TBixBinaryLongword::AddToTag(t, "lw", 0xFFFFFFFFu);
  TBixBinaryLongint::AddToTag(t, "li", std::numeric_limits<std::int32_t>::min());
  TBixBinarySmallint::AddToTag(t, "si", -32768);
  TBixBinaryWord::AddToTag(t, "w", 65535);
  TBixBinaryShortint::AddToTag(t, "sh", -128);
  TBixBinaryByte::AddToTag(t, "by", 255);
  TBixBinaryAnsiChar::AddToTag(t, "ch", '\xE4');
  TBixBinaryBoolean::AddToTag(t, "bo", true);
  TBixBinaryCurrency::AddToTag(t, "cu", std::numeric_limits<std::int64_t>::min());
  TBixBinaryDateTime::AddToTag(t, "dt", EncodeDateTime(2024, 3, 5, 14, 30, 15, 250));
  TBixBinaryAnsiString::AddToTag(t, "as", std::string("Druck \xC2\xB0" "C\0x", 11));
  TBixBinaryWideString::AddToTag(t, "ws", "\xCE\x94p \xF0\x9D\x84\x9E");
  TBixBinaryShortString::AddToTag(t, "ss", std::string(300, 'x'));  // cut at 255
  TBixBinaryBlob::AddToTag(t, "bl", std::string("\0\xff\x01", 3));
  t.AddAttribute<TBixBinaryXMLData>("xml").SetValue("<a \xE2\x82\xAC/>");
  t.AddAttribute<TBixBinaryTShiftState>("shift").SetValue(std::string("\x05", 1));
  t.AddAttribute<TBixBinaryPicture>("pic").SetGraphic("TBitmap", "BMdata");
  t.AddAttribute<TBixBinaryAnsiString>("null");
  doc.AddTag("Empty").AddTag("Child", 7);

  const std::string bytes = SaveDocument(doc);
  TBixBinaryStreamData back;
  ASSERT_EQ(LoadDocument(back, bytes), BixLoadOk);
  EXPECT_EQ(back.TagName, "HXFile");
  EXPECT_EQ(back.HeaderText1, "Kopf");
  ASSERT_EQ(back.TagCount(), 2u);
  const TBixBinaryTag& b = back.Tag(0);
  ASSERT_EQ(b.Attributes().Count(), t.Attributes().Count());
  for (std::size_t i = 0; i < t.Attributes().Count(); ++i) {
    const TBixBinaryAttribute& a = t.Attributes()[i];
    const TBixBinaryAttribute& r = b.Attributes()[i];
    SCOPED_TRACE(a.ItemName);
    EXPECT_EQ(r.ItemName, a.ItemName);
    EXPECT_EQ(r.ClassName(), a.ClassName());
    EXPECT_EQ(r.IsNull, a.IsNull);
    if (a.ItemName != "ss") {
      EXPECT_EQ(r.GetAsWideString(), a.GetAsWideString());
    }
  }
  for (std::size_t i = 0; i < std::size(extended); ++i) {
    const auto& r = static_cast<const TBixBinaryExtended&>(b.Attributes()[i]);
    const long double v = r.GetValue();
    EXPECT_EQ(std::memcmp(&v, &extended[i], 10), 0) << i;
  }
  EXPECT_EQ(static_cast<const TBixBinarySingle&>(b.Attributes()[std::size(extended) + 2]).GetValue(), 0.1f);
  EXPECT_EQ(b.AttributeAsString("ss"), std::string(255, 'x'));
  EXPECT_EQ(b.AttributeAsString("as"), std::string("Druck \xC2\xB0" "C\0x", 11));
  EXPECT_EQ(b.AttributeAsString("dt"), "2024-03-05 14:30:15.250");
  EXPECT_EQ(b.AttributeAsString("cu"), "-922337203685477.5808");
  EXPECT_EQ(b.AttributeAsString("r48"), "0.10000000000002274");  // 0.1 in 40 bits
  EXPECT_EQ(back.Tag(1).Tag(0).TagName, "Child");
  EXPECT_EQ(back.Tag(1).Tag(0).Data, 0) << "Data is not written";
}

TEST(TagStream, UnregisteredDerivedTypesAreRefusedWhenWritten) {
  TBixBinaryTag tag("T");
  tag.AddAttribute<TBixBinaryXMLData>("x").SetValue("<a/>");
  try {
    SaveTag(tag);
    FAIL() << "an unregistered type must not be written";
  } catch (const EBixBinaryError& e) {
    EXPECT_STREQ(e.what(),
                 "Die Klasse \"TBixBinaryXMLData\" muss mit "
                 "TBixBinaryAttribute.RegisterBinaryDataType registriert werden.");
  }
}

// Types this program does not know: a derived type reads as its base type,
// a picture of a graphic class without a reader reads empty.
TEST(TagStream, UnknownTypesReadAsTheirBaseTypeOrEmpty) {
  TBixBinaryTag tag("T");
  tag.AddAttribute<TBixBinaryPicture>("p").SetGraphic("TIcon", "ICO");
  tag.AddAttribute<TBixBinaryXMLData>("x").SetValue("<x/>");
  tag.AddAttribute<TBixBinaryPicture>("known").SetGraphic("tjpegimage", "JFIF");
  tag.AddAttribute<TBixBinaryPicture>("unknown").SetGraphic("TPngImage", "PNG");
  std::string bytes;
  {
    RegistrationGuard xml(TBixBinaryXMLData::Type(), true);
    bytes = SaveTag(tag);
  }
  TBixBinaryTag pictures;
  TByteReader pr(bytes);
  pictures.LoadFromStreamNow(pr);
  const auto& known = static_cast<const TBixBinaryPicture&>(*pictures.AttributeByName("known"));
  const auto& unknown = static_cast<const TBixBinaryPicture&>(*pictures.AttributeByName("unknown"));
  EXPECT_EQ(known.GetGraphicClassName(), "tjpegimage");
  EXPECT_EQ(known.GetGraphicData(), "JFIF");
  EXPECT_EQ(unknown.GetGraphicClassName(), "");
  EXPECT_EQ(unknown.GetGraphicData(), "");

  RegistrationGuard noPicture(TBixBinaryPicture::Type(), false);
  TBixBinaryTag back;
  TByteReader r(bytes);
  back.LoadFromStreamNow(r);
  EXPECT_EQ(back.Attributes()[0].ClassName(), "TBixBinaryBlob");
  EXPECT_EQ(back.AttributeAsClientDataSet("p"), std::string("\x05TIconICO"));
  EXPECT_EQ(back.Attributes()[1].ClassName(), "TBixBinaryWideString");
  EXPECT_EQ(back.AttributeAsString("x"), "<x/>");
}

TEST(TagStream, LoadResultCodes) {
  TBixBinaryStreamData doc("R");
  const std::string good = SaveDocument(doc);
  struct Case { const char* what; std::string bytes; std::uint8_t result; };
  const Case cases[] = {
      {"good", good, BixLoadOk},
      {"empty stream", "", BixLoadUnknownIdentifier},
      {"other identifier", Bytes("05 'Hello' 01 00"), BixLoadUnknownIdentifier},
      {"identifier cut short", good.substr(0, 10), BixLoadUnknownIdentifier},
      {"version 2", Bytes("14 'TBixBinaryStreamData' 02 00 00 00 01 'R' 00 00 00 00 00 00 00 00"),
       BixLoadWrongVersion},
      {"cut in the root tag", good.substr(0, good.size() - 1), BixLoadDamaged},
      {"type identifier 22", kHeader + Bytes("00 00 01 'R' 01 00 00 00 16 00 00"), BixLoadDamaged},
      {"derived type with base 0 and unknown name",
       kHeader + Bytes("00 00 01 'R' 01 00 00 00 00 00 01 'Q' 00 00"), BixLoadDamaged},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TBixBinaryStreamData back;
    EXPECT_EQ(LoadDocument(back, c.bytes), c.result);
  }
  // Another identifier: nothing is read beyond it.
  const std::string other = Bytes("05 'Hello' 01 00 ff");
  TByteReader r(other);
  EXPECT_EQ(doc.LoadFromStream(r), BixLoadUnknownIdentifier);
  EXPECT_EQ(r.Position(), 6u);
}

// Damaged lengths and counts end the read at once, before anything of that
// size is allocated.
TEST(TagStream, HostileLengthsAndCountsAreRefusedQuickly) {
  const std::string root = kHeader + Bytes("00 00 01 'R'");
  struct Case { const char* what; std::string bytes; };
  const Case cases[] = {
      {"4 billion attributes", root + Bytes("ff ff ff ff 00 00 00 00")},
      {"4 billion child tags", root + Bytes("00 00 00 00 ff ff ff ff")},
      {"more attributes than bytes", root + Bytes("05 00 00 00 10 00 01 10 00 01 00 00 00 00")},
      {"blob of 2^62 bytes", root + Bytes("01 00 00 00 01 00 00 00 00 00 00 00 00 00 40 00 00 00 00")},
      {"negative blob size", root + Bytes("01 00 00 00 01 00 00 ff ff ff ff ff ff ff ff 00 00 00 00")},
      {"AnsiString of 2 GB", root + Bytes("01 00 00 00 12 00 00 ff ff ff 7f 00 00 00 00")},
      {"negative AnsiString length", root + Bytes("01 00 00 00 12 00 00 fe ff ff ff 00 00 00 00")},
      {"WideString longer than the data", root + Bytes("01 00 00 00 13 00 00 10 00 00 00 41 00 00 00 00 00")},
      {"ShortString longer than the data", root + Bytes("01 00 00 00 14 00 00 09 'abc'")},
      {"extended cut short", root + Bytes("01 00 00 00 08 00 00 00 00 00 00 80")},
      {"Real48 out of range", root + Bytes("01 00 00 00 05 00 00 00 00 00 00 00 00 00 80 ff 43 00 00 00 00")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TBixBinaryStreamData doc;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LoadDocument(doc, c.bytes), BixLoadDamaged);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kQuickly);
  }
}

TEST(TagStream, NestingAndElementCountAreLimited) {
  const auto nested = [](int depth) {
    TBixBinaryStreamData doc("R");
    TBixBinaryTag* t = &doc;
    for (int i = 0; i < depth; ++i) t = &t->AddTag("n");
    return SaveDocument(doc);
  };
  TBixBinaryStreamData doc;
  EXPECT_EQ(LoadDocument(doc, nested(BixMaxTagDepth)), BixLoadOk);

  // Deeper than the limit: hand-made, since the writer refuses it.
  std::string deep = kHeader + Bytes("00 00");
  const int depth = BixMaxTagDepth + 1;
  for (int i = 0; i <= depth; ++i) deep += Bytes("01 'n' 00 00 00 00") + (i < depth ? Bytes("01 00 00 00") : Bytes("00 00 00 00"));
  EXPECT_EQ(LoadDocument(doc, deep), BixLoadDamaged);
  TBixBinaryStreamData tooDeep("R");
  TBixBinaryTag* t = &tooDeep;
  for (int i = 0; i < depth; ++i) t = &t->AddTag("n");
  TByteWriter w;
  EXPECT_THROW(tooDeep.SaveToStream(w), EBixBinaryError);

  // More null attributes than a document may hold: refused on the count.
  std::string many = kHeader + Bytes("00 00 01 'R'");
  const std::uint32_t n = static_cast<std::uint32_t>(BixMaxElements) + 1;
  for (int i = 0; i < 4; ++i) many.push_back(static_cast<char>(n >> (8 * i)));
  for (std::uint32_t i = 0; i < n; ++i) many += Bytes("10 00 01");
  many += Bytes("00 00 00 00");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LoadDocument(doc, many), BixLoadDamaged);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kQuickly);
  EXPECT_EQ(doc.Attributes().Count(), 0u);
}

TEST(TagStream, LookupsByNameExactOrIgnoringCase) {
  TBixBinaryTag root("R");
  TBixBinaryLongint::AddToTag(root, "Value", 1);
  TBixBinaryLongint::AddToTag(root, "value", 2);
  EXPECT_EQ(root.AttributeAsInteger("value"), 2);
  EXPECT_EQ(root.AttributeAsInteger("VALUE", -1), -1);
  EXPECT_EQ(root.AttributeAsInteger("VALUE", -1, false), 1) << "first match wins";
  EXPECT_TRUE(root.AttributeExists("vALUE", false));
  EXPECT_FALSE(root.AttributeExists("vALUE"));
  // Typed adders replace an attribute of the same exact name in its place.
  TBixBinaryAnsiString::AddToTag(root, "Value", "x");
  EXPECT_EQ(root.Attributes().Count(), 2u);
  EXPECT_EQ(root.Attributes()[0].ClassName(), "TBixBinaryAnsiString");

  root.AddTag("Items");
  root.AddTag("items", 5);
  EXPECT_EQ(root.FindFirstTag("ITEMS", false)->TagName, "Items");
  EXPECT_EQ(root.FindFirstTag("items")->Data, 5);
  EXPECT_EQ(root.FindFirstTag("Other"), nullptr);
  EXPECT_EQ(root.FindFirstTag("Other", 9, true, true)->Data, 9);
  EXPECT_EQ(root.TagCount(), 3u);
  EXPECT_EQ(root.FindTagsByName("items", false).size(), 2u);
}

TEST(TagStream, TagByPath) {
  TBixBinaryTag root("R");
  struct Case { const char* path; bool create; const char* found; };  // found: TagName, nullptr for none
  const Case cases[] = {
      {"A.B", false, nullptr},
      {"A.B", true, "B"},
      {"A.B", false, "B"},
      {"a.b", false, nullptr},
      {"A.P[2]", false, nullptr},
      {"A.P[2]", true, "P"},  // appends P[0], P[1], P[2]
      {"A.P[1]", false, "P"},
      {"A.P[3]", false, nullptr},
      {"A.P[x]", true, nullptr},
      {"A.P[]", true, nullptr},
      {"A.P]", true, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TBixBinaryTag* t = root.TagByPath(c.path, '.', true, c.create);
    if (c.found == nullptr) {
      EXPECT_EQ(t, nullptr);
    } else {
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->TagName, c.found);
    }
  }
  EXPECT_EQ(root.FindFirstTag("A")->FindTagsByName("P").size(), 3u);
  EXPECT_EQ(root.TagByPath("a/p[2]", '/', false), root.FindFirstTag("A")->FindTagsByName("P")[2]);
  EXPECT_EQ(root.TagByPath("A.B", '.', true, true), root.TagByPath("A.B"));
}

// Readers convert between types where the meaning is clear and give the
// default for missing or null attributes and for values that do not convert.
TEST(TagStream, ReadersConvertOrGiveTheDefault) {
  TBixBinaryTag t("T");
  TBixBinaryLongint::AddToTag(t, "int", 42);
  TBixBinaryExtended::AddToTag(t, "real", 2.5L);
  TBixBinaryBoolean::AddToTag(t, "bool", true);
  TBixBinaryAnsiString::AddToTag(t, "numtext", " 17.25 ");
  TBixBinaryAnsiString::AddToTag(t, "text", "Ventil");
  TBixBinaryAnsiString::AddToTag(t, "truetext", "TRUE");
  TBixBinaryAnsiString::AddToTag(t, "datetext", "2000-01-01");
  TBixBinaryCurrency::AddToTag(t, "money", 15000);
  TBixBinaryDateTime::AddToTag(t, "date", 36526.75);
  TBixBinaryAnsiChar::AddToTag(t, "char", 'x');
  TBixBinaryBlob::AddToTag(t, "blob", "ab");
  TBixBinaryExtended::AddToTag(t, "novalue", NoValue);
  t.AddAttribute<TBixBinaryLongint>("null");

  EXPECT_EQ(t.AttributeAsInteger("int"), 42);
  EXPECT_EQ(t.AttributeAsFloat("int"), 42);
  EXPECT_TRUE(t.AttributeAsBoolean("int"));
  EXPECT_EQ(t.AttributeAsString("int"), "42");
  EXPECT_EQ(t.AttributeAsInteger("real"), 2) << "rounded to even";
  EXPECT_EQ(t.AttributeAsString("real"), "2.5");
  EXPECT_EQ(t.AttributeAsInteger("novalue", -7), -7) << "beyond int64";
  EXPECT_EQ(t.AttributeAsFloat("novalue"), NoValue);
  EXPECT_EQ(t.AttributeAsInteger("bool"), 1);
  EXPECT_EQ(t.AttributeAsString("bool"), "True");
  EXPECT_EQ(t.AttributeAsFloat("numtext"), 17.25L);
  EXPECT_EQ(t.AttributeAsInteger("numtext"), 17);
  EXPECT_EQ(t.AttributeAsFloat("text", -1), -1);
  EXPECT_FALSE(t.AttributeAsBoolean("text"));
  EXPECT_TRUE(t.AttributeAsBoolean("text", true));
  EXPECT_TRUE(t.AttributeAsBoolean("truetext"));
  EXPECT_EQ(t.AttributeAsDateTime("datetext"), 36526);
  EXPECT_EQ(t.AttributeAsFloat("money"), 1.5L);
  EXPECT_EQ(t.AttributeAsString("money"), "1.5");
  EXPECT_EQ(t.AttributeAsString("date"), "2000-01-01 18:00:00");
  EXPECT_EQ(t.AttributeAsInteger("date"), 36526);
  EXPECT_EQ(t.AttributeAsAnsiChar("char"), 'x');
  EXPECT_EQ(t.AttributeAsAnsiChar("text", '?'), '?');
  EXPECT_EQ(t.AttributeAsInteger("char"), 'x');
  EXPECT_EQ(t.AttributeAsString("blob"), "6162");
  EXPECT_EQ(t.AttributeAsFloat("blob", 3), 3);
  EXPECT_EQ(t.AttributeAsInteger("null", 5), 5);
  EXPECT_EQ(t.AttributeAsString("null", "d"), "d");
  EXPECT_EQ(t.AttributeAsInteger("missing", 6), 6);
  EXPECT_EQ(std::get<std::int64_t>(t.AttributeAsVariant("int")), 42);
  EXPECT_EQ(std::get<Extended>(t.AttributeAsVariant("real")), 2.5L);
  EXPECT_EQ(std::get<std::string>(t.AttributeAsVariant("text")), "Ventil");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(t.AttributeAsVariant("null")));
}

TEST(TagStream, TextFormsReadBackAndRefuseNonsense) {
  struct Case { const TBixBinaryDataType& type; const char* text; const char* shown; };  // nullptr: refused
  const Case cases[] = {
      {TBixBinaryByte::Type(), "255", "255"},
      {TBixBinaryByte::Type(), "256", nullptr},
      {TBixBinaryShortint::Type(), "-129", nullptr},
      {TBixBinaryLongword::Type(), "4294967295", "4294967295"},
      {TBixBinaryLongword::Type(), "-1", nullptr},
      {TBixBinaryInt64::Type(), "+12", "12"},
      {TBixBinaryLongint::Type(), "1.5", nullptr},
      {TBixBinaryExtended::Type(), "1e4000", "1e+4000"},
      {TBixBinaryExtended::Type(), "0,5", "0.5"},
      {TBixBinaryExtended::Type(), "1e99999", nullptr},
      {TBixBinaryDouble::Type(), "0.1", "0.1"},
      {TBixBinarySingle::Type(), "0.1", "0.1"},
      {TBixBinaryReal48::Type(), "1e39", nullptr},
      {TBixBinaryBoolean::Type(), "false", "False"},
      {TBixBinaryBoolean::Type(), "ja", nullptr},
      {TBixBinaryCurrency::Type(), "-0.0001", "-0.0001"},
      {TBixBinaryCurrency::Type(), "1.23456", "1.2346"},
      {TBixBinaryCurrency::Type(), "922337203685477.5807", "922337203685477.5807"},
      {TBixBinaryCurrency::Type(), "922337203685477.5808", nullptr},
      {TBixBinaryCurrency::Type(), "1.2.3", nullptr},
      {TBixBinaryDateTime::Type(), "1899-12-29 06:00", "1899-12-29 06:00:00"},
      {TBixBinaryDateTime::Type(), "2024-02-30", nullptr},
      {TBixBinaryAnsiChar::Type(), "\xC3\xA4", "\xC3\xA4"},
      {TBixBinaryAnsiChar::Type(), "ab", nullptr},
      {TBixBinaryBlob::Type(), "00FF", "00ff"},
      {TBixBinaryBlob::Type(), "0g", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type.ClassName) + " " + c.text);
    auto a = c.type.Create();
    if (c.shown == nullptr) {
      EXPECT_THROW(a->SetValueAsWideString(c.text), EBixBinaryError);
      EXPECT_TRUE(a->IsNull);
    } else {
      a->SetValueAsWideString(c.text);
      EXPECT_FALSE(a->IsNull);
      EXPECT_EQ(a->GetValueAsWideString(), c.shown);
    }
  }
  // -1.25 is a day back and six hours forward.
  TBixBinaryDateTime d;
  d.SetValueAsWideString("1899-12-29 06:00");
  EXPECT_EQ(d.GetValue(), -1.25);
}

TEST(TagStream, AssignCopiesAcrossTypesThroughText) {
  TBixBinaryLongint n;
  n.ItemName = "n";
  n.SetValue(12);
  TBixBinaryExtended e;
  e.Assign(n);
  EXPECT_EQ(e.ItemName, "n");
  EXPECT_EQ(e.GetValue(), 12);
  TBixBinaryAnsiString s;
  s.SetValue("abc");
  EXPECT_THROW(n.Assign(s), EBixBinaryError);
  TBixBinaryLongint null;
  e.Assign(null);
  EXPECT_TRUE(e.IsNull);
  // Identifier 21 in a file is XML data; derived types are found by class
  // name ignoring case, base types are not.
  EXPECT_EQ(TBixBinaryAttribute::DataTypeOf(21), &TBixBinaryXMLData::Type());
  EXPECT_EQ(TBixBinaryAttribute::DataTypeOfClassName("tbixbinarybitmap"), &TBixBinaryBitmap::Type());
  EXPECT_EQ(TBixBinaryAttribute::DataTypeOfClassName("TBixBinaryLongint"), nullptr);
}
