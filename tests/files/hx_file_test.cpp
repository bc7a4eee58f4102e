#include "files/hx_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "files/raw_deflate.h"
#include "sample_calculation.h"
#include "temp_folder.h"
#include "test_bytes.h"

using namespace torvacalc;
using torvacalc::test::Bytes;
using torvacalc::test::Hex;

namespace fs = std::filesystem;

namespace {

const std::string kFileHeader = Bytes("'HYDRIXbyQUENT' 01 00 00 00");
// Damaged input must be refused at once; the bound is loose because the
// machine may be busy, yet far below what a hang or a huge allocation takes.
constexpr auto kQuickly = std::chrono::seconds(2);

// Inflates with zlib directly: fails unless the data is raw deflate.
std::string ZlibRawInflate(const std::string& data) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  std::string out(1 << 20, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

std::string Flags(std::uint32_t f) {
  return std::string{static_cast<char>(f), 0, 0, 0};
}

}  // namespace

TEST(HXFile, NewFileLayout) {
  THXFile f;
  const std::string bytes = f.SaveToString();
  ASSERT_GT(bytes.size(), 21u);
  EXPECT_EQ(Hex(bytes.substr(0, 21)), Hex(kFileHeader + Flags(HXFlagCompressed | HXFlagChecksum)));
  // The body is raw deflate data holding the document, followed by the
  // CRC-32 of the document.
  const std::string doc = ZlibRawInflate(bytes.substr(21));
  const std::uint32_t crc = crc32(0L, reinterpret_cast<const Bytef*>(doc.data()), static_cast<uInt>(doc.size()));
  TByteWriter trailer;
  trailer.WriteBytes("HXCRC32");
  trailer.WriteU32(crc);
  EXPECT_EQ(Hex(bytes.substr(bytes.size() - 11)), Hex(trailer.Data()));
  TBixBinaryStreamData expected("HXFile");
  expected.HeaderText1 = "HYDRIX(ApplicationKind)";
  expected.HeaderText2 = THXFile::ProgramVersionText();
  TByteWriter head;
  expected.SaveToStream(head);
  // Identifier, version, both header strings and the root name; then one
  // attribute-less root with one child, "Infos".
  const std::string prefix = head.Data().substr(0, head.Size() - 8) + Bytes("00 00 00 00 01 00 00 00 05 'Infos'");
  EXPECT_EQ(Hex(doc.substr(0, prefix.size())), Hex(prefix));
  TBixBinaryStreamData back;
  TByteReader r(doc);
  ASSERT_EQ(back.LoadFromStream(r), BixLoadOk);
  const TBixBinaryTag& info = *back.FindFirstTag("Infos");
  ASSERT_EQ(info.Attributes().Count(), 4u);
  EXPECT_EQ(info.Attributes()[0].ItemName, "HXVersion");
  EXPECT_EQ(info.AttributeAsString("HXVersion"), THXFile::ProgramVersionText());
  EXPECT_EQ(info.Attributes()[1].ClassName(), "TBixBinaryLongint");
  EXPECT_EQ(info.AttributeAsInteger("SaveCounter"), 1);
  EXPECT_EQ(info.Attributes()[2].ItemName, "FileName");
  EXPECT_EQ(info.Attributes()[3].ClassName(), "TBixBinaryDateTime");
  EXPECT_NEAR(info.AttributeAsDateTime("SaveDate"), NowAsDateTime(), 1.0 / 24 / 60);
  EXPECT_EQ(f.GetFileSize(), doc.size());
  EXPECT_EQ(f.GetCompressedFileSize(), bytes.size());
}

TEST(HXFile, CalculationRoundTripsAndFileListReadersSeeIt) {
  for (const bool compressed : {true, false}) {
    SCOPED_TRACE(compressed ? "compressed" : "uncompressed");
    THXFile f;
    f.Compressed = compressed;
    test::WriteSampleCalculation(f);
    f.SaveToString();
    const std::string bytes = f.SaveToString();  // saved twice: counter 2
    EXPECT_EQ(Hex(bytes.substr(0, 21)), Hex(kFileHeader + Flags((compressed ? HXFlagCompressed : 0) | HXFlagChecksum)));
    if (!compressed) {  // the tag stream as it is, and its check
      TByteWriter doc;
      f.Document().SaveToStream(doc);
      EXPECT_EQ(bytes.substr(21, doc.Size()), doc.Data());
      EXPECT_EQ(bytes.substr(21 + doc.Size(), 7), "HXCRC32");
    }

    THXFile g;
    g.LoadFromString(bytes);
    EXPECT_EQ(g.GetSaveCounter(), 2);
    EXPECT_EQ(g.GetLoadedFlags(), (compressed ? HXFlagCompressed : 0) | HXFlagChecksum);
    EXPECT_EQ(g.GetIdentifier(), "FV-101");
    EXPECT_EQ(g.GetParamDisplayText("kvs"), "63");
    EXPECT_EQ(g.GetParamCaption("p1"), "Eingangsdruck");
    EXPECT_EQ(g.GetParamValue("p1"), 11.01325L);
    EXPECT_EQ(g.GetParamText("Fluidname"), "Wasser");
    EXPECT_EQ(g.GetItemsTag().TagCount(), test::SampleItems().size());
    const std::vector<std::string> lines = {
        "Torva TV 200 DN 80", "Gerät: Stellventil", "Kvs: 63",
        "Kennlinie: gleichprozentig", "Medium: Wasser", "Phase: fl\xC3\xBCssig",
        "Bearbeiter: M. Muster"};
    EXPECT_EQ(g.FileInfos().Lines, lines);
    EXPECT_EQ(g.FileInfos().Value("Author"), "M. Muster");
    EXPECT_EQ(g.GetCalculationTag().FindFirstTag("Infos")->AttributeAsString("ClassName"), "TSCMTorva");
  }
}

TEST(HXFile, LoadingKeepsTheObjectsSettings) {
  THXFile plain;
  plain.Compressed = false;
  plain.OmitEmptyValues = true;
  plain.UseAttributeSection = true;
  test::WriteSampleCalculation(plain);
  const std::string uncompressed = plain.SaveToString();
  EXPECT_EQ(Hex(uncompressed.substr(17, 4)), "1c 00 00 00");

  THXFile f;  // compresses, no attribute section, keeps empty values
  f.LoadFromString(uncompressed);
  EXPECT_TRUE(f.Compressed);
  EXPECT_FALSE(f.OmitEmptyValues);
  EXPECT_FALSE(f.UseAttributeSection);
  EXPECT_EQ(f.GetLoadedFlags(), HXFlagAttributeSection | HXFlagOmitEmptyValues | HXFlagChecksum);
  const std::string saved = f.SaveToString();
  EXPECT_EQ(Hex(saved.substr(0, 21)), Hex(kFileHeader + Flags(HXFlagCompressed | HXFlagChecksum)));
  THXFile g;
  g.LoadFromString(saved);
  EXPECT_EQ(g.GetIdentifier(), "FV-101") << "the pooled names still read";
  EXPECT_EQ(g.GetParamValue("p1"), 11.01325L);
}

TEST(HXFile, OmittedEmptyValues) {
  THXFile f;
  f.OmitEmptyValues = true;
  TBixBinaryTag& t = f.GetItemsTag().AddTag("x");
  f.AddStrAttr(t, "Text", "old");
  f.AddBooleanAttr(t, "Flag", true);
  f.AddLongIntAttr(t, "Count", 3);
  f.AddExtendedAttr(t, "Value", NoValue);
  ASSERT_EQ(t.Attributes().Count(), 4u);
  f.AddStrAttr(t, "Text", "");  // removes the older attribute
  f.AddBooleanAttr(t, "Flag", false);
  f.AddLongIntAttr(t, "Count", 0);
  f.AddExtendedAttr(t, "Zero", 0);
  ASSERT_EQ(t.Attributes().Count(), 1u);
  EXPECT_EQ(t.Attributes()[0].ItemName, "Value") << "NoValue is a value";

  f.OmitEmptyValues = false;
  f.AddStrAttr(t, "Text", "");
  f.AddLongIntAttr(t, "Count", 0);
  EXPECT_EQ(t.Attributes().Count(), 3u);
}

TEST(HXFile, AttributeSectionPoolsTheNames) {
  THXFile f;
  f.UseAttributeSection = true;
  TBixBinaryTag& a = f.GetItemsTag().AddTag("a");
  TBixBinaryTag& b = f.GetItemsTag().AddTag("b");
  f.AddStrAttr(a, "Caption", "A");
  f.AddBooleanAttr(a, "Utilized", true);
  f.AddBooleanAttr(b, "Utilized", false);
  f.AddStrAttr(b, "Caption", "B");
  EXPECT_EQ(f.AttributeNames(), (std::vector<std::string>{"Caption", "Utilized"}));
  EXPECT_EQ(a.Attributes()[0].ItemName, "0");
  EXPECT_EQ(a.Attributes()[1].ItemName, "1");
  EXPECT_EQ(b.Attributes()[0].ItemName, "1");
  EXPECT_EQ(b.Attributes()[1].ItemName, "0");
  EXPECT_EQ(f.AttributeAsString(b, "Caption"), "B");

  const std::string bytes = f.SaveToString();
  const TBixBinaryTag& pool = f.GetAttrTag();
  ASSERT_EQ(pool.Attributes().Count(), 2u);
  EXPECT_EQ(pool.AttributeAsInteger("Caption", -1), 0);
  EXPECT_EQ(pool.AttributeAsInteger("Utilized", -1), 1);
  EXPECT_EQ(pool.Attributes()[0].ClassName(), "TBixBinaryLongint");

  THXFile g;
  g.LoadFromString(bytes);
  EXPECT_EQ(g.AttributeNames(), f.AttributeNames());
  EXPECT_EQ(g.GetParamCaption("a"), "A");
  EXPECT_EQ(g.GetParamCaption("b"), "") << "b is not utilized";
  EXPECT_TRUE(g.AttributeExists(*g.GetParameterTag("b"), "Caption"));
  // Writing more with the section in use extends the same pool.
  g.UseAttributeSection = true;
  g.AddStrAttr(*g.GetParameterTag("a"), "Text", "t");
  EXPECT_EQ(g.GetParameterTag("a")->Attributes()[2].ItemName, "2");
}

// Files no program of ours writes, yet readable: what they read as.
TEST(HXFile, CraftedFilesReadAsDocumented) {
  // craft: on the saved document and its item "a".
  struct Case { const char* what; std::function<void(THXFile&, TBixBinaryTag&)> craft;
                std::function<void(const THXFile&, const TBixBinaryTag&)> check; };
  const Case cases[] = {
      {"a name listed twice in the attribute pool keeps its first position",
       [](THXFile& f, TBixBinaryTag& a) {
         f.GetAttrTag().AddAttribute<TBixBinaryLongint>("Caption").SetValue(1);
         TBixBinaryAnsiString::AddToTag(a, "1", "second");
       },
       [](const THXFile& g, const TBixBinaryTag& a) { EXPECT_EQ(g.AttributeAsString(a, "Caption"), "A"); }},
      {"null values read as the defaults, texts from Windows-1252, other types converted",
       [](THXFile&, TBixBinaryTag& a) {
         a.AddAttribute<TBixBinaryBoolean>("nb");
         a.AddAttribute<TBixBinaryLongint>("ni");
         a.AddAttribute<TBixBinaryExtended>("nx");
         a.AddAttribute<TBixBinaryAnsiString>("ns");
         TBixBinaryAnsiString::AddToTag(a, "unit", "\xC2\xB0" "C");
         TBixBinaryLongint::AddToTag(a, "i", -3);
       },
       [](const THXFile& g, const TBixBinaryTag& a) {
         EXPECT_TRUE(g.AttributeAsBoolean(a, "nb", true));
         EXPECT_EQ(g.AttributeAsInteger(a, "ni", 7), 7);
         EXPECT_EQ(g.AttributeAsFloat(a, "nx", 7), 7);
         EXPECT_EQ(g.AttributeAsString(a, "ns", "d"), "d");
         EXPECT_EQ(g.AttributeAsString(a, "unit"), "\xC2\xB0" "C");
         EXPECT_EQ(g.AttributeAsFloat(a, "i"), -3);
         EXPECT_EQ(g.AttributeAsString(a, "i"), "-3");
       }},
      {"the summary reads the first item tag of a name, ignoring case",
       [](THXFile& f, TBixBinaryTag&) {
         for (const char* name : {"AUTHOR", "Author"}) {
           TBixBinaryTag& t = f.GetItemsTag().AddTag(name);
           TBixBinaryBoolean::AddToTag(t, "Utilized", true);
           TBixBinaryAnsiString::AddToTag(t, "DisplayText", name);
         }
       },
       [](const THXFile& g, const TBixBinaryTag&) { EXPECT_EQ(g.FileInfos().Value("Author"), "AUTHOR"); }},
      {"a picture whose name length byte is one too large reads empty",
       [](THXFile&, TBixBinaryTag& a) {
         a.AddAttribute<TBixBinaryPicture>("pic").SetValue(std::string("\x08TBitmap"));
       },
       [](const THXFile&, const TBixBinaryTag& a) {
         const auto& pic = static_cast<const TBixBinaryPicture&>(*a.AttributeByName("pic"));
         EXPECT_EQ(pic.GetGraphicClassName(), "");
         EXPECT_EQ(pic.GetGraphicData(), "");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    THXFile f;
    f.Compressed = false;
    f.UseAttributeSection = true;
    TBixBinaryTag& a = f.GetItemsTag().AddTag("a");
    f.AddStrAttr(a, "Caption", "A");
    f.SaveToString();  // builds the pool
    c.craft(f, a);
    TByteWriter doc;
    f.Document().SaveToStream(doc);
    THXFile g;
    g.LoadFromString(kFileHeader + Flags(HXFlagAttributeSection) + doc.Data());
    c.check(g, *g.GetParameterTag("a"));
  }
}

TEST(HXFile, SameCalculationKeepsOldItemsMarkedInvalid) {
  THXFile f;
  const auto write = [](std::vector<std::string> names) {
    return [names](THXFile& file, TBixBinaryTag& calc) {
      TBixBinaryTag& items = *calc.FindFirstTag("Items", 0, true, true);
      for (const auto& n : names) {
        TBixBinaryTag& t = *items.FindFirstTag(n, 0, true, true);
        file.AddBooleanAttr(t, "_ItemIsValid", true);
        file.AddStrAttr(t, "Name", n);
      }
    };
  };
  f.SCMToFile(f.GetGUID(), "a.hx", write({"p1", "p2"}));
  EXPECT_EQ(f.GetFileName(), "a.hx");
  f.SCMToFile(f.GetGUID(), "b.hx", write({"p2", "p3"}));
  EXPECT_EQ(f.GetFileName(), "a.hx") << "a file keeps its name";
  const TBixBinaryTag& items = f.GetItemsTag();
  ASSERT_EQ(items.TagCount(), 3u);
  EXPECT_FALSE(items.FindFirstTag("p1")->AttributeAsBoolean("_ItemIsValid", true));
  EXPECT_TRUE(items.FindFirstTag("p2")->AttributeAsBoolean("_ItemIsValid"));
  EXPECT_TRUE(items.FindFirstTag("p3")->AttributeAsBoolean("_ItemIsValid"));
  EXPECT_EQ(items.FindFirstTag("p2")->Attributes().Count(), 2u) << "rewritten, not duplicated";

  // Another calculation empties the tag first.
  const TGUID other = TGUID::NewGUID();
  f.SCMToFile(other, "", write({"q"}));
  EXPECT_EQ(f.GetGUID(), other);
  EXPECT_EQ(f.GetItemsTag().TagCount(), 1u);

  TGUID handed{};
  EXPECT_TRUE(f.FileToSCM(handed, [](THXFile&, TBixBinaryTag& calc) {
    return calc.FindFirstTag("Items")->FindFirstTag("q") != nullptr;
  }));
  EXPECT_EQ(handed, other);
}

// Anything but a good file ends in "File Error!" with the document empty
// and the object's settings as they were, quickly.
TEST(HXFile, DamagedFilesGiveFileError) {
  THXFile good;
  test::WriteSampleCalculation(good);
  const std::string file = good.SaveToString();
  const std::string body = file.substr(21);
  const std::string doc = ZlibRawInflate(body);
  const auto compressed = [&](const std::string& document) {
    return kFileHeader + Flags(HXFlagCompressed) + RawDeflate(document);
  };
  const std::string docHead = doc.substr(0, doc.find("HXFile") + 6);
  struct Case { const char* what; std::string bytes; };
  const Case cases[] = {
      {"empty", ""},
      {"signature only", "HYDRIXbyQUENT"},
      {"wrong signature", "HYDRIXbyQUENX" + file.substr(13)},
      {"version 2", Bytes("'HYDRIXbyQUENT' 02 00 00 00") + file.substr(17)},
      {"version 0", Bytes("'HYDRIXbyQUENT' 00 00 00 00") + file.substr(17)},
      {"no flags", file.substr(0, 19)},
      {"compressed flag on plain data", kFileHeader + Flags(HXFlagCompressed) + doc},
      {"plain flag on compressed data", kFileHeader + Flags(0) + body},
      {"zlib wrapper instead of raw deflate", [&] {
         uLongf n = compressBound(static_cast<uLong>(doc.size()));
         std::string z(n, '\0');
         compress(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(doc.data()),
                  static_cast<uLong>(doc.size()));
         z.resize(n);
         return kFileHeader + Flags(HXFlagCompressed) + z;
       }()},
      {"deflate data cut in half", file.substr(0, 21 + body.size() / 2)},
      {"deflate data cut by one byte", file.substr(0, file.size() - 1)},
      // A bit flipped at random may still leave valid deflate data (a
      // literal changes); the block type 11 is reserved and always wrong.
      {"reserved deflate block type",
       [&] {
         std::string b = file;
         b[21] = static_cast<char>(b[21] | 0x06);
         return b;
       }()},
      {"document cut short", compressed(doc.substr(0, doc.size() - 5))},
      {"other document identifier", compressed("\x04" "Junk" + doc.substr(21))},
      // Absurd lengths, counts and nesting, each refused by the tag stream
      // (tested there type by type), reach it through the file too.
      {"absurd attribute count", compressed(docHead + Bytes("ff ff ff 7f 00 00 00 00"))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    THXFile f;
    f.Compressed = false;
    f.OmitEmptyValues = true;
    f.UseAttributeSection = true;
    test::WriteSampleCalculation(f);
    const auto start = std::chrono::steady_clock::now();
    try {
      f.LoadFromString(c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const EHXFileReadError& e) {
      EXPECT_STREQ(e.what(), "File Error!");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, kQuickly);
    EXPECT_EQ(f.Document().TagName, "HXFile");
    EXPECT_EQ(f.Document().TagCount(), 0u);
    EXPECT_EQ(f.Document().Attributes().Count(), 0u);
    EXPECT_TRUE(f.AttributeNames().empty());
    EXPECT_FALSE(f.Compressed);
    EXPECT_TRUE(f.OmitEmptyValues);
    EXPECT_TRUE(f.UseAttributeSection);
  }
}

// Raw deflate data carries no check: without the CRC-32 trailer about one
// single-bit flip in seventy still inflated to a valid document with other
// values. With it, every flip is either refused or changes nothing the
// document holds (a flag bit that only steers the next save).
TEST(HXFile, EveryBitFlipIsRefusedOrHarmlessAndTheChecksumIsOptional) {
  THXFile good;
  test::WriteSampleCalculation(good);
  const std::string file = good.SaveToString();
  TByteWriter original;
  good.Document().SaveToStream(original);
  // Flips every bit of `bytes` and counts the loads that give other data.
  const auto changedLoads = [&](const std::string& bytes) {
    int changed = 0;
    for (std::size_t byte = 0; byte < bytes.size(); ++byte) {
      for (int bit = 0; bit < 8; ++bit) {
        std::string damaged = bytes;
        damaged[byte] = static_cast<char>(damaged[byte] ^ (1 << bit));
        THXFile f;
        try {
          f.LoadFromString(damaged);
        } catch (const EHXFileReadError&) {
          continue;
        }
        TByteWriter loaded;
        f.Document().SaveToStream(loaded);
        changed += loaded.Data() != original.Data();
      }
    }
    return changed;
  };
  EXPECT_EQ(changedLoads(file), 0);
  // The same file as a writer without the check saves it: damage passes.
  const std::string withoutCheck = kFileHeader + Flags(HXFlagCompressed) + file.substr(21, file.size() - 21 - 11);
  EXPECT_GT(changedLoads(withoutCheck), 0);

  // Such a file (no flag, no trailer) still opens; a trailer is verified
  // even when a damaged flag no longer announces it.
  THXFile old;
  old.LoadFromString(withoutCheck);
  EXPECT_EQ(old.GetIdentifier(), "FV-101");
  EXPECT_EQ(old.GetLoadedFlags(), HXFlagCompressed);
  std::string flagLost = file;
  flagLost[17] = static_cast<char>(HXFlagCompressed);
  EXPECT_NO_THROW(THXFile().LoadFromString(flagLost));
  std::string crcWrong = flagLost;
  crcWrong.back() = static_cast<char>(crcWrong.back() ^ 0x01);
  EXPECT_THROW(THXFile().LoadFromString(crcWrong), EHXFileReadError);
}

// A small file that inflates without end stops at the document limit, one
// that inflates to countless tags at a limit set by its size.
TEST(HXFile, DeflateBombStopsAtTheDocumentLimit) {
  EXPECT_THROW(RawInflate(RawDeflate(std::string(100000, 'a')), 99999), EStreamReadError);
  EXPECT_EQ(RawInflate(RawDeflate(std::string(100000, 'a')), 100000).size(), 100000u);

  // 257 MiB of zeros deflate to about 250 KiB.
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  const std::string zeros(1 << 20, '\0');
  std::string bomb = kFileHeader + Flags(HXFlagCompressed);
  std::string out(1 << 16, '\0');
  for (int i = 0; i <= 257; ++i) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = i < 257 ? static_cast<uInt>(zeros.size()) : 0;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, i < 257 ? Z_NO_FLUSH : Z_FINISH);
      bomb.append(out.data(), out.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  ASSERT_LT(bomb.size(), 2u << 20);
  THXFile f;
  EXPECT_THROW(f.LoadFromString(bomb), EHXFileReadError);

  // Empty item tags of one name, 10 bytes each inflated, a thousand to a
  // byte of the file: the tags a file may hold go by its size.
  THXFile tags;
  for (int i = 0; i < 200000; ++i) tags.GetItemsTag().AddTag("x");
  const std::string many = tags.SaveToString();
  ASSERT_LT(many.size(), 8u << 10);
  EXPECT_THROW(f.LoadFromString(many), EHXFileReadError);
}

// The inflater of a thread serves one stream after another: bytes left
// after the end of one stream (a file's trailer), or a stream that broke
// off, must not leak into the next; and a document several times the first
// guess of its size grows to it.
TEST(HXFile, ChecksumIsZlibsAtEveryLengthAndAlignment) {
  std::string data(4200, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
  for (std::size_t size : {0, 1, 15, 63, 64, 65, 79, 80, 127, 128, 129, 200, 1000, 4097})
    for (std::size_t offset : {0, 1, 3, 8}) {
      const std::string_view piece = std::string_view(data).substr(offset, size);
      EXPECT_EQ(Crc32(piece), crc32(0L, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(size)))
          << size << " bytes from " << offset;
    }
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);  // the published check value of CRC-32
}

TEST(HXFile, InflaterStartsCleanForEveryStream) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += std::to_string(i * 7919 % 100003) + ";";
  const std::string first = RawDeflate("first document"), second = RawDeflate(text);
  std::size_t consumed = 0;
  EXPECT_EQ(RawInflate(first + "HXCRC32\x01\x02\x03\x04", 1000, &consumed), "first document");
  EXPECT_EQ(consumed, first.size());
  EXPECT_EQ(RawInflate(second, text.size(), &consumed), text);
  EXPECT_EQ(consumed, second.size());
  EXPECT_THROW(RawInflate(second.substr(0, second.size() / 2), text.size()), EStreamReadError);
  EXPECT_THROW(RawInflate(second, text.size() - 1), EStreamReadError);
  EXPECT_EQ(RawInflate(first, 14), "first document");
}

class HXFileOnDisk : public TempFolderTest {};

TEST_F(HXFileOnDisk, SavesAtomically) {
  const std::string path = Path("calc.hx");
  THXFile f;
  test::WriteSampleCalculation(f);
  f.SaveToFile(path);
  EXPECT_TRUE(IsHX7File(path));
  EXPECT_EQ(f.GetFileName(), path);
  EXPECT_EQ(f.GetSaveCounter(), 1);

  THXFile g;
  g.Load(path);
  EXPECT_EQ(g.GetFileName(), path);
  EXPECT_EQ(g.GetIdentifier(), "FV-101");
  EXPECT_EQ(g.GetInfoTag().AttributeAsString("FileName"), path);
  g.Load();  // the stored name
  EXPECT_EQ(g.GetSaveCounter(), 1);
  EXPECT_EQ(fs::file_size(path), f.GetCompressedFileSize());

  // A target that cannot be replaced (a folder of that name) stays as it
  // was; so do the object's name and counter.
  const std::string blocked = Path("blocked.hx");
  fs::create_directory(blocked);
  Write("blocked.hx/inside", "keep");
  try {
    f.SaveToFile(blocked);
    ADD_FAILURE() << "saved over a folder";
  } catch (const EHXFileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("blocked.hx"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Read("blocked.hx/inside"), "keep");
  EXPECT_EQ(f.GetFileName(), path);
  EXPECT_EQ(f.GetSaveCounter(), 1);
  // A missing folder: nothing is created.
  EXPECT_THROW(f.SaveToFile(Path("missing/calc.hx")), EHXFileWriteError);
  EXPECT_FALSE(fs::exists(Path("missing")));
  // No stray temporary files are left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 2);

  // Missing and unreadable files are open errors, not file errors.
  EXPECT_THROW(g.Load(Path("nothing.hx")), EHXFileOpenError);
  EXPECT_THROW(g.Load(blocked), EHXFileOpenError);
  Write("junk.hx", "HYDRIXbyQUENT junk");
  EXPECT_THROW(g.Load(Path("junk.hx")), EHXFileReadError);
}

TEST_F(HXFileOnDisk, RecognisesCalculationFiles) {
  struct Case { const char* name; const char* bytes; bool isFile; };  // nullptr: not written
  const Case cases[] = {
      {"missing.hx", nullptr, false},          {"empty.hx", "", false},
      {"short.hx", "HYDRIXbyQUEN", false},     {"other.hx", "PK\x03\x04 something else", false},
      {"lower.hx", "hydrixbyquent\x01", false}, {"signature.hx", "HYDRIXbyQUENT", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.bytes) Write(c.name, c.bytes);
    EXPECT_EQ(IsHX7File(Path(c.name)), c.isFile);
  }
}

TEST(HXFile, ListFindsFilesByGUID) {
  THXFileList list;
  const TGUID a = TGUID::NewGUID(), b = TGUID::NewGUID();
  EXPECT_NE(a, b);
  EXPECT_EQ(list.FileOfGUID(a, false), nullptr);
  THXFile* fa = list.FileOfGUID(a, true);
  ASSERT_NE(fa, nullptr);
  EXPECT_EQ(fa->GetGUID(), a);
  EXPECT_EQ(list.FileOfGUID(a, true), fa);
  fa->SetFileName("a.hx");
  THXFile& fb = list.Insert(0, std::make_unique<THXFile>(b));
  EXPECT_EQ(list.GetCount(), 2u);
  EXPECT_EQ(list.IndexOf(&fb), 0);
  EXPECT_EQ(list.IndexOfGUID(a), 1);
  EXPECT_EQ(list.IndexOfName("a.hx"), 1);
  EXPECT_EQ(list.IndexOfName("b.hx"), -1);
  list.Delete(0);
  EXPECT_EQ(list.IndexOfGUID(b), -1);
  EXPECT_EQ(&list.GetItems(0), fa);
}

TEST(HXFile, GUIDText) {
  TGUID g;
  for (std::size_t i = 0; i < 16; ++i) g.Bytes[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(g.ToString(), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
}

// Files written by earlier builds (the fuzz seeds) still read.
TEST(HXFile, ReadsCommittedSampleFiles) {
  const fs::path dir = fs::path(TORVACALC_SOURCE_DIR) / "tests/fuzz/corpus/hx_file";
  int count = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    SCOPED_TRACE(e.path().filename().string());
    THXFile f;
    f.Load(e.path().string());
    EXPECT_GE(f.GetSaveCounter(), 1);
    if (f.GetItemsTag().TagCount() > 0) {
      EXPECT_EQ(f.GetIdentifier(), "FV-101");
    }
    ++count;
  }
  EXPECT_GE(count, 4);
}

// Items are found by name through an index; tags added, removed or renamed
// after it was built are found as a search would find them.
TEST(HXFile, ItemsAreFoundAfterTheirTagsChange) {
  THXFile f;
  TBixBinaryTag& items = f.GetItemsTag();
  for (const char* name : {"qm", "p1", "p2", "kv"}) items.AddTag(name);
  ASSERT_EQ(f.GetParameterTag("KV"), &items.Tag(3));  // ignoring case
  items.AddTag("Kvs");
  items.Tag(1).TagName = "p0";
  items.DeleteTag(0);  // every position moves
  struct Case { const char* name; int index; };
  const Case cases[] = {{"p1", -1}, {"P0", 0}, {"p2", 1}, {"kv", 2}, {"kvs", 3}, {"qm", -1}, {"", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f.GetParameterTag(c.name), c.index < 0 ? nullptr : &items.Tag(static_cast<std::size_t>(c.index)));
  }
  // Another document under the same object.
  THXFile g;
  g.GetItemsTag().AddTag("x");
  f.LoadFromString(g.SaveToString());
  EXPECT_EQ(f.GetParameterTag("kv"), nullptr);
  ASSERT_NE(f.GetParameterTag("X"), nullptr);
  EXPECT_EQ(f.GetParameterTag("X")->TagName, "x");
}

