// The store's restore and save against an in-memory file, without a window:
// the placement record round trip through the file's text, refused and
// garbled placements, the start states, and the stored inputs.

#include "stored_form.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace wendra {
namespace {

const QString kFile = QStringLiteral(".\\wendra.ini");
const QString kSection = QStringLiteral("first");
const StoredScreen kScreen{QSize(800, 600), 96};

class StoredFormTest : public ::testing::Test {
 protected:
  void put(const QByteArray& text) { files.files[kFile] = text; }
  QByteArray file() { return files.files[kFile]; }

  MemoryFileSystem files;
  IniFile ini{files, kFile};
};

PlacementRecord designed() {
  PlacementRecord record;
  record.normalPosition = {238, 106, 943, 626};
  return record;
}

bool operator==(const PlacementRect& a, const PlacementRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(StoredFormTest, SavedRecordReadsBack) {
  PlacementRecord record;
  record.flags = 2;
  record.showCmd = kShowMinimized;
  record.minPosition = QPoint(-7, 8);
  record.maxPosition = QPoint(-2, -2);
  record.normalPosition = {-10, 20, 2147483647, 600};
  writeStoredPlacement(ini, kSection, 0, kScreen, record, true);
  EXPECT_EQ(file(),
            "[first]\nFormVersion=0\nFlags=2\nShowCmd=2\nPixelsPerInch=96\n"
            "MinMaxPos(800x600)=-7,8,-2,-2\nMinMaxPos=-7,8,-2,-2\n"
            "NormPos(800x600)=-10,20,2147483647,600\nNormPos=-10,20,2147483647,600\n"
            "Visible=1\n");
  const auto read = readStoredPlacement(ini, kSection, kScreen, designed());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->flags, 2);
  EXPECT_EQ(read->showCmd, kShowHidden);
  EXPECT_EQ(read->minPosition, record.minPosition);
  EXPECT_EQ(read->maxPosition, record.maxPosition);
  EXPECT_TRUE(read->normalPosition == record.normalPosition);
  EXPECT_EQ(readStartState(ini, kSection), StartState::kMinimized);
}

TEST_F(StoredFormTest, PlacementsThatAreNotApplied) {
  const struct {
    const char* what;
    QByteArray text;
  } cases[] = {
      {"no file", QByteArray()},
      {"no position key", "[first]\nFlags=2\nShowCmd=3\n"},
      {"empty positions", "[first]\nMinMaxPos=\nNormPos=\n"},
      {"other pixels per inch", "[first]\nPixelsPerInch=120\nNormPos=1,2,300,400\n"},
      {"right not beyond left", "[first]\nNormPos=300,2,300,400\n"},
      {"no height", "[first]\nNormPos=1,400,300,400\n"},
      {"other section", "[second]\nNormPos=1,2,300,400\n"},
  };
  for (const auto& c : cases) {
    put(c.text);
    EXPECT_FALSE(readStoredPlacement(ini, kSection, kScreen, designed())) << c.what;
  }
}

TEST_F(StoredFormTest, GarbledWordsKeepTheCurrentValues) {
  put("[first]\nPixelsPerInch=x\nMinMaxPos(800x600)=5\nMinMaxPos=1,2,3,4\n"
      "NormPos=$64,, 0x32 abc\n");
  const auto read = readStoredPlacement(ini, kSection, kScreen, designed());
  ASSERT_TRUE(read);  // malformed pixels per inch count as the screen's
  EXPECT_EQ(read->minPosition, QPoint(5, 0));  // the suffixed key wins, missing words are 0
  EXPECT_EQ(read->maxPosition, QPoint(0, 0));
  EXPECT_TRUE(read->normalPosition == (PlacementRect{100, 50, 943, 626}));
  // The suffix names this screen only.
  const auto other = readStoredPlacement(ini, kSection, {QSize(1024, 768), 96}, designed());
  ASSERT_TRUE(other);
  EXPECT_EQ(other->minPosition, QPoint(1, 2));
}

TEST_F(StoredFormTest, VersionAndStartState) {
  const struct {
    QByteArray text;
    bool accepted;
    StartState state;
  } cases[] = {
      {"[first]\n", true, StartState::kNormal},
      {"[first]\nFormVersion=-1\nShowCmd=3\n", false, StartState::kMaximized},
      {"[first]\nFormVersion=zero\nShowCmd=0x3\n", true, StartState::kMaximized},
      {"[first]\nShowCmd=6\n", true, StartState::kMinimized},
      {"[first]\nShowCmd=7\n", true, StartState::kMinimized},
      {"[first]\nShowCmd=4\n", true, StartState::kNormal},
      {"[first]\nShowCmd=abc\n", true, StartState::kNormal},
  };
  for (const auto& c : cases) {
    put(c.text);
    EXPECT_EQ(storedVersionAccepted(ini, kSection, 0), c.accepted) << c.text.constData();
    EXPECT_EQ(readStartState(ini, kSection), c.state) << c.text.constData();
  }
  put("[first]\nFormVersion=2\n");
  EXPECT_TRUE(storedVersionAccepted(ini, kSection, 2));
  EXPECT_FALSE(storedVersionAccepted(ini, kSection, 3));
}

TEST_F(StoredFormTest, InputsRestoreAndSave) {
  long double pop = 100;
  long double width = 10;
  ComponentTable components;
  components.addProperty("PopEdit", {"Value", [&] { return pop; }, [&](long double v) { pop = v; }});
  components.addProperty("WidthEdit",
                         {"Value", [&] { return width; }, [&](long double v) { width = v; }});
  components.addProperty("Broken", {"Value", [] { return 1.0L; },
                                    [](long double) { throw std::runtime_error("refused"); }});
  const StoredInputs inputs(std::move(components),
                            {"Broken.Value", " popedit . value", "WidthEdit.Missing", "NoDot",
                             "Gone.Value", "widthedit.VALUE"});
  EXPECT_EQ(inputs.items(), (QStringList{"Broken.Value", " popedit . value", "WidthEdit.Missing",
                                         "widthedit.VALUE"}));

  put("[first]\nBroken_Value=5\nPopEdit_Value=0,5\nWidthEdit_Value=2,5E1\n");
  inputs.restore(ini, kSection, u',');  // a setter that throws stops no other
  EXPECT_EQ(pop, 0.5L);
  EXPECT_EQ(width, 25.0L);
  put("[first]\nPopEdit_Value=0,5\nWidthEdit_Value=abc\n");
  inputs.restore(ini, kSection, u'.');
  EXPECT_EQ(pop, 0.5L);  // malformed under ".": kept
  EXPECT_EQ(width, 25.0L);

  put(QByteArray());
  pop = 0.07L;
  inputs.save(ini, kSection);
  EXPECT_EQ(file(), "[first]\nBroken_Value=1\nPopEdit_Value=0.07\nWidthEdit_Value=25\n");
}

TEST_F(StoredFormTest, FailedWriteEndsTheSaveAtThatKey) {
  FailingFileSystem failing(2);
  IniFile target(failing, kFile);
  EXPECT_THROW(writeStoredPlacement(target, kSection, 0, kScreen, designed(), false),
               IniWriteError);
  EXPECT_EQ(failing.attempts, 3);
  EXPECT_EQ(failing.files[kFile], "[first]\nFormVersion=0\nFlags=0\n");
}

}  // namespace
}  // namespace wendra
