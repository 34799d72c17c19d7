// The translator's files: rules and exceptions loaders, the diphone index,
// and the start-up codes with their directories.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>

#include "tests/support/testenv.h"
#include "translator/files.h"

namespace {

class TranslatorFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTranslator();
    dir_.Write("windows/keep", "");
    dir_.Write("letras/keep", "");
    dir_.Write("dif/keep", "");
  }
  void TearDown() override { ResetTranslator(); }

  std::string Rules(const std::string& text) {
    std::string p = dir_.Write("r.rgr", text);
    EXPECT_TRUE(LoadTranslatorRules(p));
    return p;
  }
  std::string Exceptions(const std::string& text) {
    std::string p = dir_.Write("e.exc", text);
    EXPECT_TRUE(LoadTranslatorExceptions(p));
    return p;
  }
  // A settings file naming the two directories, and a complete installation.
  void Settings(const std::string& letters, const std::string& diphones) {
    dir_.Write("windows/TAVIRO.INI", "[TRADUTOR]\r\ndirLetras=" + letters + "\r\nDIRDIFONES=" + diphones + "\r\n");
  }
  void Installation(const std::string& name = "VOZ") {
    Settings(dir_.path() + "/letras", dir_.path() + "/dif\\");
    dir_.Write("dif/" + name + ".IND", Record("$A", 3, 0));
    dir_.Write("dif/" + name + ".DIF", "abc");
    dir_.Write("dif/regras.rgr", "(A)=a|\n");
    dir_.Write("dif/portug.exc", "casa=kaza\n");
    SetDatabaseName(name);
  }
  static std::string Record(const std::string& name, unsigned length, unsigned offset) {
    std::string r(15, '\0');
    r[0] = char(name.size());
    for (size_t i = 0; i < name.size() && i < 8; ++i) r[1 + i] = name[i];
    r[9] = char(length & 0xFF);
    r[10] = char(length >> 8);
    for (int i = 0; i < 4; ++i) r[size_t(11 + i)] = char(offset >> (8 * i));
    return r;
  }
  std::string Cwd() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? buf : "";
  }

  TempDir dir_;
  ScopedEnv windir_{"WINDIR", dir_.path() + "/windows"};
};

TEST_F(TranslatorFiles, RulesAreFiledByFirstCharacterInFileOrder) {
  Rules("(CH)=x|\n(C)+=s|\n(C)=k|\n(A)=a|\n");
  const auto& c = RuleList('C');
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].match, "CH");
  EXPECT_EQ(c[1].match, "C");
  EXPECT_EQ(c[1].right, "+");
  EXPECT_EQ(c[2].output, "k");
  ASSERT_EQ(RuleList('A').size(), 1u);
  EXPECT_TRUE(RuleList('B').empty());
}

TEST_F(TranslatorFiles, RulesOutOfGroupStillJoinTheirOwnList) {
  Rules("(A)=a|\n(B)=b|\n(A)=x|\n");
  ASSERT_EQ(RuleList('A').size(), 2u);
  EXPECT_EQ(RuleList('A')[1].output, "x");
  EXPECT_EQ(RuleList('B').size(), 1u);
}

TEST_F(TranslatorFiles, MissingDelimitersLeaveLaterPartsEmpty) {
  Rules("(QUE=k|\nAB(C)DE\nXY(Z)W=\n");
  ASSERT_EQ(RuleList('Q').size(), 1u);
  const TranslatorRule& q = RuleList('Q')[0];
  EXPECT_EQ(q.match, "QUE=k");  // the first 5 characters after "("
  EXPECT_EQ(q.right, "");
  EXPECT_EQ(q.output, "");
  ASSERT_EQ(RuleList('C').size(), 1u);
  EXPECT_EQ(RuleList('C')[0].left, "AB");
  EXPECT_EQ(RuleList('C')[0].right, "DE");
  EXPECT_EQ(RuleList('C')[0].output, "");
  ASSERT_EQ(RuleList('Z').size(), 1u);
  EXPECT_EQ(RuleList('Z')[0].right, "W");
}

TEST_F(TranslatorFiles, PartsAreCutAndTheNextSeparatorIsStillFound) {
  Rules("1234567(ABCDEFG)RSTUVWX=abcdefghijklmnop|comment\n");
  ASSERT_EQ(RuleList('A').size(), 1u);
  const TranslatorRule& r = RuleList('A')[0];
  EXPECT_EQ(r.left, "12345");
  EXPECT_EQ(r.match, "ABCDE");
  EXPECT_EQ(r.right, "RSTUV");
  EXPECT_EQ(r.output, "abcdefghijk");
}

TEST_F(TranslatorFiles, BlanksCountAndLineEndsOfBothKindsAreDropped) {
  Rules("( )= |\r\n(B)= b\r\n(D)=d|x\n");
  ASSERT_EQ(RuleList(' ').size(), 1u);
  EXPECT_EQ(RuleList(' ')[0].output, " ");
  EXPECT_EQ(RuleList('B')[0].output, " b");  // no "|": to the end of the line, CR excluded
  EXPECT_EQ(RuleList('D')[0].output, "d");
}

TEST_F(TranslatorFiles, UnusableLinesAreSkipped) {
  Rules("\n\n()=x|\nno parenthesis\n(a)=lower|\n(\xC7)=s|\n(~)=t|\n(A)=a|");
  int total = 0;
  for (int c = 0; c < 256; ++c) total += static_cast<int>(RuleList(c).size());
  EXPECT_EQ(total, 1);
  EXPECT_EQ(RuleList('A')[0].output, "a");
  EXPECT_TRUE(RuleList('a').empty());
  EXPECT_TRUE(RuleList(0xC7).empty());
}

TEST_F(TranslatorFiles, LoadingRulesEmptiesExceptionsAndMissingFileFails) {
  Exceptions("casa=kaza\n");
  ASSERT_EQ(ExceptionTable().size(), 1u);
  Rules("(A)=a|\n");
  EXPECT_TRUE(ExceptionTable().empty());
  EXPECT_FALSE(LoadTranslatorRules(dir_.path() + "/none.rgr"));
  EXPECT_FALSE(LoadTranslatorExceptions(dir_.path() + "/none.exc"));
}

TEST_F(TranslatorFiles, ExceptionsAreStoredAsWrittenAndSorted) {
  Exceptions("exame=ezame\nexame\n\n\xE1gua=agua|x\nabc=ABC\r\nzz=y=z\n");
  const auto& t = ExceptionTable();
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].word, "abc");
  EXPECT_EQ(t[0].replacement, "ABC");  // no case change, CR dropped
  EXPECT_EQ(t[1].word, "exame");
  EXPECT_EQ(t[1].replacement, "ezame");
  EXPECT_EQ(t[2].word, "exame|");  // a line without "=" never matches
  EXPECT_EQ(t[2].replacement, "");
  EXPECT_EQ(t[3].word, "zz");
  EXPECT_EQ(t[3].replacement, "y=z");  // up to the next "|"
  EXPECT_EQ(t[4].word, "\xE1gua");  // byte order: 0xE1 after every ASCII letter
  EXPECT_EQ(t[4].replacement, "agua");
}

TEST_F(TranslatorFiles, LongExceptionLinesAreCutAndSplitWithinThemselves) {
  std::string word(250, 'w');
  Exceptions(word + "=abcdefghij\n" + std::string(300, 'x') + "\nok=1\n");
  const auto& t = ExceptionTable();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].word, "ok");
  EXPECT_EQ(t[1].word, word);
  EXPECT_EQ(t[1].replacement, "abcd");  // the line keeps 255 characters
  EXPECT_EQ(t[2].word, std::string(255, 'x') + "|");
  EXPECT_EQ(t[2].replacement, "");
}

TEST_F(TranslatorFiles, AtMost15000Exceptions) {
  std::string text;
  for (int i = 15005; i > 0; --i) text += "w" + std::to_string(i) + "=r\n";
  Exceptions(text);
  const auto& t = ExceptionTable();
  ASSERT_EQ(t.size(), 15000u);
  for (size_t i = 1; i < t.size(); ++i) ASSERT_LT(t[i - 1].word, t[i].word);
  // The first lines of the file are the ones kept.
  EXPECT_NE(std::find_if(t.begin(), t.end(), [](const WordAlias& a) { return a.word == "w15005"; }), t.end());
  EXPECT_EQ(std::find_if(t.begin(), t.end(), [](const WordAlias& a) { return a.word == "w5"; }), t.end());
}

TEST_F(TranslatorFiles, StartsWithEveryFileInPlace) {
  Installation();
  std::string before = Cwd();
  EXPECT_EQ(StartTranslator(), 0);
  EXPECT_EQ(Cwd(), before);
  EXPECT_EQ(TranslatorLettersDirectory(), dir_.path() + "/letras\\");
  EXPECT_EQ(DiphoneDirectory(), dir_.path() + "/dif\\");  // already ended in a backslash
  ASSERT_NE(SpeechBuffer(), nullptr);
  EXPECT_EQ(RuleList('A').size(), 1u);
  EXPECT_EQ(ExceptionTable().size(), 1u);
  ASSERT_NE(FindDiphone("$A"), nullptr);
  uint8_t data[8] = {};
  EXPECT_EQ(ReadDiphoneData(0, 3, data), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 3), "abc");
  EndTranslator();
  EXPECT_EQ(SpeechBuffer(), nullptr);
  EXPECT_TRUE(DiphoneIndex().empty());
  EXPECT_TRUE(RuleList('A').empty());
  EXPECT_EQ(ReadDiphoneData(0, 3, data), 0u);  // the data file is closed
}

TEST_F(TranslatorFiles, MissingLettersDirectoryGivesOneAndKeepsTheCurrentDirectory) {
  Installation();
  Settings(dir_.path() + "/nowhere", dir_.path() + "/dif");
  std::string before = Cwd();
  EXPECT_EQ(StartTranslator(), 1);
  EXPECT_EQ(Cwd(), before);
  EndTranslator();  // safe after a failed start
  EndTranslator();
}

TEST_F(TranslatorFiles, EachMissingPieceGivesItsCode) {
  Installation();
  Settings(dir_.path() + "/letras", dir_.path() + "/nowhere");
  EXPECT_EQ(StartTranslator(), 1);
  Settings(dir_.path() + "/letras", dir_.path() + "/dif");
  SetDatabaseName("OTHER");
  EXPECT_EQ(StartTranslator(), 1);  // no index
  dir_.Write("dif/OTHER.DIF", "abc");
  dir_.Write("dif/OTHER.IND", "");
  EXPECT_EQ(StartTranslator(), 1);  // an empty index: a voice without a sound
  dir_.Write("dif/OTHER.IND", Record("$A", 3, 0).substr(0, 14));
  EXPECT_EQ(StartTranslator(), 1);  // no whole record either
  std::remove((dir_.path() + "/dif/OTHER.DIF").c_str());
  dir_.Write("dif/OTHER.IND", Record("$A", 3, 0));
  EXPECT_EQ(StartTranslator(), 1);  // no data file
  dir_.Write("dif/OTHER.DIF", "abc");
  EXPECT_EQ(StartTranslator(), 0);
  EndTranslator();
  std::remove((dir_.path() + "/dif/portug.exc").c_str());
  EXPECT_EQ(StartTranslator(), 2);
  std::remove((dir_.path() + "/dif/regras.rgr").c_str());
  EXPECT_EQ(StartTranslator(), 2);
}

TEST_F(TranslatorFiles, DirectoriesWithoutFinalBackslashGetOne) {
  Installation();
  Settings(dir_.path() + "/letras", dir_.path() + "/dif");
  EXPECT_EQ(StartTranslator(), 0);
  EXPECT_EQ(DiphoneDirectory(), dir_.path() + "/dif\\");
}

TEST_F(TranslatorFiles, DefaultsApplyWhenTheKeysAreAbsent) {
  dir_.Write("windows/TAVIRO.INI", "[OUTRO]\nX=1\n");
  dir_.Write("drives/c/kelmar/som/letras/keep", "");
  dir_.Write("drives/c/kelmar/som/difones/DIFONES2.IND", Record("$A", 0, 0));
  dir_.Write("drives/c/kelmar/som/difones/DIFONES2.DIF", "");
  dir_.Write("drives/c/kelmar/som/difones/regras.rgr", "");
  dir_.Write("drives/c/kelmar/som/difones/portug.exc", "");
  ScopedEnv drives("ZELNAR_DRIVES", dir_.path() + "/drives");
  EXPECT_EQ(DatabaseName(), "DIFONES2");
  EXPECT_EQ(StartTranslator(), 0);
  EXPECT_EQ(TranslatorLettersDirectory(), "c:\\kelmar\\som\\letras\\");
  EXPECT_EQ(DiphoneDirectory(), "c:\\kelmar\\som\\difones\\");
}

TEST_F(TranslatorFiles, EmptyDatabaseNameNamesDotFiles) {
  Installation("");
  EXPECT_EQ(DatabaseName(), "");
  EXPECT_EQ(StartTranslator(), 0);
  SetDatabaseName("ABCDEFGHIJ");
  EXPECT_EQ(DatabaseName(), "ABCDEFGH");
}

TEST_F(TranslatorFiles, IndexOf31BytesHoldsTwoRecords) {
  Installation();
  dir_.Write("dif/VOZ.IND", Record("$A", 2, 0) + Record("$B", 1, 2) + "x");
  dir_.Write("dif/VOZ.DIF", "aab");
  ASSERT_EQ(StartTranslator(), 0);
  ASSERT_EQ(DiphoneIndex().size(), 2u);
  const IndexRecord* b = FindDiphone("$B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->length, 1u);
  EXPECT_EQ(b->offset, 2u);
  EXPECT_EQ(FindDiphone("$"), nullptr);
  EXPECT_EQ(FindDiphone("$AB"), nullptr);
}

TEST_F(TranslatorFiles, IndexBisectionFindsEveryNameAndOddRecordsAreSafe) {
  Installation();
  // Sorted, a prefix before its longer names; one record claims 12 name
  // bytes, one points past the end of the data file.
  std::string index = Record("$", 1, 0) + Record("$A", 1, 0) + Record("$AB", 1, 1) + Record("$B", 1, 2) +
                      Record("$BA", 5000, 1000000);
  std::string odd = Record("$ZZZZZZZ", 1, 0);
  odd[0] = 12;
  index += odd;
  dir_.Write("dif/VOZ.IND", index);
  dir_.Write("dif/VOZ.DIF", "xyz");
  ASSERT_EQ(StartTranslator(), 0);
  for (const char* n : {"$", "$A", "$AB", "$B", "$BA", "$ZZZZZZZ"}) EXPECT_NE(FindDiphone(n), nullptr) << n;
  EXPECT_EQ(FindDiphone("$C"), nullptr);
  std::vector<uint8_t> data(5000);
  EXPECT_EQ(ReadDiphoneData(FindDiphone("$BA")->offset, data.size(), data.data()), 0u);
  EXPECT_EQ(ReadDiphoneData(1, data.size(), data.data()), 2u);  // a short read gives what is there
}

TEST_F(TranslatorFiles, TimingValuesStartAtTheirInitialValues) {
  EXPECT_EQ(SegmentCut(), 400);
  EXPECT_EQ(SegmentFloor(), 0);
  EXPECT_EQ(WordPause(), 100);
  SetDiphoneTiming(1, 2, 3);
  EXPECT_EQ(SegmentCut(), 1);
  EXPECT_EQ(SegmentFloor(), 2);
  EXPECT_EQ(WordPause(), 3);
}

}  // namespace
