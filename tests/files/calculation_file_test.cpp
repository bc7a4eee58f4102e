// Whole calculations saved to calculation files and opened again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "files/calculation_file.h"
#include "files/hx_file.h"
#include "framework/calc_switch.h"
#include "temp_folder.h"

using namespace torvacalc;
namespace fs = std::filesystem;

namespace {

// A calculation with a parameter of each kind, a text and switches.
class TSample : public TSuperCalcModule {
 public:
  TSample() : TSuperCalcModule("Probe") {
    norm->SetValueList({"IEC 60534", "ISA 75.01", "VDI/VDE 2173"});
    SetActive(true);
  }
  std::string FileExtension() const override { return "cvc"; }
  std::string ModuleName() const override { return "Stellventil"; }
  TMainCalcModule* mainModule = GetMainCalcModule();
  TInputParameter* p1 = mainModule->AddItem<TInputParameter>("p1", qPressureBar);
  TOverruleParameter* kv = mainModule->AddItem<TOverruleParameter>("kv", qKvCv);
  TInputParameter* n = mainModule->AddItem<TInputParameter>("n", qInteger);
  TCalcSwitch* liquid = mainModule->AddItem<TCalcSwitch>("Liquid");
  TCalcListSwitch* norm = mainModule->AddItem<TCalcListSwitch>("Norm");
  TCalcRelevantString* fluid = mainModule->AddItem<TCalcRelevantString>("Fluidname");
};

class CalculationFile : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    RegisterCalculationFiles();
  }
};

TEST_F(CalculationFile, SavedCalculationOpensWithTheSameState) {
  TSample a;
  a.p1->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, "bar(g)"));
  a.p1->SetText("5,5");
  a.p1->SetStringListNotes({"from the P&ID", "Rev. B"});
  a.kv->OverruleValue(false, 1.0L / 3);
  a.n->SetText("zwei");  // unreadable: kept as typed
  a.liquid->SetChecked(true);
  a.norm->SetText("ISA 75.01");
  a.fluid->SetText("Wasser – entgast");  // not ASCII
  a.Author()->SetText("Jürgen Groß");
  a.SaveToFile(Path("probe.cvc"));
  ASSERT_TRUE(IsHX7File(Path("probe.cvc")));

  TSample b;
  std::vector<std::string> notices;
  b.ReadFromFile(Path("probe.cvc"), &notices);
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(b.p1->GetValue(), a.p1->GetValue());
  EXPECT_EQ(b.p1->GetCalcUnitName(), "bar(g)");
  EXPECT_EQ(b.p1->GetDisplayText(), "5.5");
  EXPECT_EQ(b.p1->NotesList(), (std::vector<std::string>{"from the P&ID", "Rev. B"}));
  EXPECT_EQ(b.kv->GetValue(), 1.0L / 3);  // 80-bit exact
  EXPECT_TRUE(b.kv->GetOverruled());
  EXPECT_EQ(b.n->GetValueState(), vsFaulty);
  EXPECT_EQ(b.n->GetText(), "zwei");
  EXPECT_TRUE(b.liquid->GetChecked());
  EXPECT_EQ(b.norm->GetSwitchIndex(), 1);
  EXPECT_EQ(b.fluid->GetText(), "Wasser – entgast");
  EXPECT_EQ(b.Author()->GetText(), "Jürgen Groß");
  EXPECT_EQ(b.GUIDAsStr().size(), 38u);

  // What a file list reads without rebuilding the calculation.
  THXFile file;
  file.Load(Path("probe.cvc"));
  EXPECT_EQ(file.GetParamText("Fluidname"), "Wasser – entgast");
  EXPECT_EQ(file.GetParamCalcUnit("p1"), a.p1->GetCalcUnitNo());
  EXPECT_EQ(file.GetParamDisplayText("p1"), "5.5");
  EXPECT_EQ(ReadCalculationInfos(file, file.GetCalculationTag()).ClassName, "TSuperCalcModule");
}

TEST_F(CalculationFile, SavingAgainUpdatesTheFileAndKeepsOneCopy) {
  TSample a;
  a.p1->SetValue(3);
  a.SaveToFile(Path("x.cvc"));
  a.p1->SetValue(4);
  a.SaveToFile(Path("x.cvc"));
  TSample b;
  b.ReadFromFile(Path("x.cvc"));
  EXPECT_EQ(b.p1->GetValue(), 4);
  int files = 0;
  for (auto& e : fs::directory_iterator(dir_)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary file left behind
  // The process keeps the file of an open calculation (to save it again
  // with what this program does not read) and lets it go with the
  // calculation; a file that cannot be read is not kept at all.
  const std::size_t kept = HXFileList().GetCount();
  {
    TSample open;
    open.ReadFromFile(Path("x.cvc"));
    EXPECT_EQ(HXFileList().GetCount(), kept + 1);
  }
  for (int i = 0; i < 20; ++i) TSample().ReadFromFile(Path("x.cvc"));
  Write("bad.cvc", "HYDRIXbyQUENT garbage");
  EXPECT_THROW(TSample().ReadFromFile(Path("bad.cvc")), ECalculationFile);
  EXPECT_EQ(HXFileList().GetCount(), kept);
}

TEST_F(CalculationFile, WrongExtensionAndUnreadableFilesAreRefused) {
  TSample a;
  try {
    a.SaveToFile(Path("probe.txt"));
    FAIL();
  } catch (const ECalculationFile& e) {
    EXPECT_STREQ(e.what(), "Falsche Endung: probe.txt ist nicht vom Format .cvc");
  }
  Write("bad.cvc", "HYDRIXbyQUENT garbage");
  Write("other.txt", "x");
  a.p1->SetValue(7);
  a.p1->SetStringListNotes({"kept"});
  for (const char* name : {"bad.cvc", "missing.cvc", "other.txt"}) {
    SCOPED_TRACE(name);
    try {
      a.ReadFromFile(Path(name));
      FAIL();
    } catch (const ECalculationFile& e) {
      EXPECT_EQ(std::string(e.what()), std::string(name) + " ist keine gültige Stellventil-Berechnung");
    }
    // The calculation is as it was.
    EXPECT_EQ(a.p1->GetValue(), 7);
    EXPECT_EQ(a.p1->NotesList(), std::vector<std::string>{"kept"});
    EXPECT_TRUE(a.GetActive());
  }
}

// A write-protected file and a folder of the file's name are refused and
// stay as they were.
TEST_F(CalculationFile, UnwritableTargetsAreLeftAsTheyWere) {
  TSample a;
  a.p1->SetValue(1);
  if (::geteuid() != 0) {  // root may write anything
    a.SaveToFile(Path("ro.cvc"));
    fs::permissions(Path("ro.cvc"), fs::perms::owner_read, fs::perm_options::replace);
    a.p1->SetValue(2);
    EXPECT_THROW(a.SaveToFile(Path("ro.cvc")), ECalculationFile);
    TSample b;
    b.ReadFromFile(Path("ro.cvc"));
    EXPECT_EQ(b.p1->GetValue(), 1);
  }
  fs::create_directories(Path("folder.cvc"));
  EXPECT_THROW(a.SaveToFile(Path("folder.cvc")), ECalculationFile);
  EXPECT_TRUE(fs::is_directory(Path("folder.cvc")));
}

TEST_F(CalculationFile, AutomaticBackupWritesACalculationFile) {
  TSample a;
  a.AutoBackup = true;
  a.BackupDir = Path("backup");
  a.p1->SetValue(9);
  const std::string backup = a.AutoSaveFileName();
  ASSERT_TRUE(fs::exists(backup));
  TSample b;
  b.ReadFromFile(backup);
  EXPECT_EQ(b.p1->GetValue(), 9);
  a.SaveToFile(Path("saved.cvc"));  // saving removes the backup
  EXPECT_FALSE(fs::exists(backup));
}

TEST_F(CalculationFile, NewerFilesAreReportedAndNotOverwrittenSilently) {
  TSample a;
  a.VersionNo = 900;  // written by a newer program
  a.p1->SetValue(1);
  a.SaveToFile(Path("new.cvc"));
  TSample b;
  // Saving another calculation over it: a notice to show first.
  EXPECT_NE(NewerFileNotice(b, Path("new.cvc")).find("neueren Torvacalc-Version"), std::string::npos);
  EXPECT_EQ(NewerFileNotice(a, Path("new.cvc")), "");
  EXPECT_EQ(NewerFileNotice(b, Path("absent.cvc")), "");
  // Every save dates the change.
  b.Now = [] { return 46000.5; };
  b.SaveToFile(Path("dated.cvc"));
  EXPECT_EQ(b.WhenModified()->GetValue(), 46000.5L);
  TSample dated;
  dated.ReadFromFile(Path("dated.cvc"));
  EXPECT_EQ(dated.WhenModified()->GetValue(), 46000.5L);
  std::vector<std::string> notices;
  b.ReadFromFile(Path("new.cvc"), &notices);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("neueren Torvacalc-Version"), std::string::npos);
  EXPECT_THROW(b.SaveToFile(Path("new.cvc")), ECalculationFile);
  // The caller may allow it.
  CalculationFileOptions().SaveOverNewerFiles = true;
  EXPECT_NO_THROW(b.SaveToFile(Path("new.cvc")));
  CalculationFileOptions().SaveOverNewerFiles = false;
  // Older files are reported too, unless switched off.
  TSample old;
  old.VersionNo = 700;
  old.SaveToFile(Path("old.cvc"));
  notices.clear();
  b.ReadFromFile(Path("old.cvc"), &notices);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("älteren Torvacalc-Version"), std::string::npos);
  CalculationFileOptions().NoticeOlderFiles = false;
  notices.clear();
  b.ReadFromFile(Path("old.cvc"), &notices);
  EXPECT_TRUE(notices.empty());
  CalculationFileOptions().NoticeOlderFiles = true;
}

}  // namespace
