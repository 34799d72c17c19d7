// Text to phonetic string: the character map, words, exceptions, stress
// marking, spelling and the rules with every context character.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/testenv.h"
#include "translator/files.h"
#include "translator/phonetic.h"

namespace {

class Phonetic : public ::testing::Test {
 protected:
  void SetUp() override { ResetTranslator(); }
  void TearDown() override { ResetTranslator(); }
  void Load(const std::string& rules, const std::string& exceptions = "") {
    ASSERT_TRUE(LoadTranslatorRules(dir_.Write("r.rgr", rules)));
    ASSERT_TRUE(LoadTranslatorExceptions(dir_.Write("e.exc", exceptions)));
  }
  // The word as NextWord, LookUpException and MarkStress leave it.
  static WordBuffer Word(const std::string& text) {
    std::string prepared = PrepareText(text);
    size_t pos = 0;
    WordBuffer w;
    EXPECT_TRUE(NextWord(prepared, pos, w));
    LookUpException(w);
    MarkStress(w);
    return w;
  }
  static std::string Stressed(const std::string& text) { return Word(text).chars; }
  TempDir dir_;
};

TEST_F(Phonetic, WorkedExampleCasas) {
  Load("(C)=k|\n(A)=a|\n#(S)#=z|\n(S)=s|\n");
  EXPECT_EQ(TextToPhonetic("Casas"), "[k/A/z/a/s]");
  EXPECT_EQ(TextToPhonetic("Casas casas"), "[k/A/z/a/s][k/A/z/a/s]");
}

TEST_F(Phonetic, EmptyAndBlankTextsGiveNothing) {
  Load("(A)=a|\n");
  EXPECT_EQ(TextToPhonetic(""), "");
  EXPECT_EQ(TextToPhonetic("     "), "");
}

TEST_F(Phonetic, CharacterMapWritesAccentsAfterTheirVowels) {
  EXPECT_EQ(PrepareText("Voc\xEA"), "Voce^");
  EXPECT_EQ(PrepareText("d'\xE1gua"), "da'gua");
  EXPECT_EQ(PrepareText("D'a x'y"), "Da x'y");
  EXPECT_EQ(PrepareText("\xE7\xC7"), "ssss");
  EXPECT_EQ(PrepareText("\x87\x80"), "ssss");  // the DOS code points too
  EXPECT_EQ(PrepareText("\xE3\xF5\xFC\xF1\xE0\xEF"), "a~o~unha`i\"");
  EXPECT_EQ(PrepareText("\xC6\xD7\xD8\xBF\xAB\xBB\xA7"), "aex0?\xAA\xBA\xA7");
  EXPECT_EQ(PrepareText("a\x05" "b"), "a \x01 b");
  EXPECT_EQ(PrepareText("\xB0\xFF"), " \x01  \x01 ");
}

TEST_F(Phonetic, WAndYNearLettersBecomeVowels) {
  EXPECT_EQ(PrepareText("Wagner"), "uagner");
  EXPECT_EQ(PrepareText("Kyoto"), "Kioto");
  EXPECT_EQ(PrepareText("y"), "i");
  EXPECT_EQ(PrepareText("a y b"), "a i b");
  EXPECT_EQ(PrepareText("W"), "W");
  EXPECT_EQ(PrepareText("y."), "y.");
  EXPECT_EQ(PrepareText("ww"), "uu");  // the second sees the first as changed
}

TEST_F(Phonetic, WordsAndTheirFlags) {
  std::string p = PrepareText("Voc\xEA, 5a");
  size_t pos = 0;
  WordBuffer w;
  ASSERT_TRUE(NextWord(p, pos, w));
  EXPECT_EQ(w.chars, "voce^");
  EXPECT_EQ(w.vowels, 2);
  EXPECT_TRUE(w.accented);
  ASSERT_TRUE(NextWord(p, pos, w));
  EXPECT_EQ(w.chars, ",");
  ASSERT_TRUE(NextWord(p, pos, w));
  EXPECT_EQ(w.chars, "5");
  ASSERT_TRUE(NextWord(p, pos, w));
  EXPECT_EQ(w.chars, "a");
  EXPECT_FALSE(NextWord(p, pos, w));
  pos = 0;
  ASSERT_TRUE(NextWord(PrepareText("lu\"a"), pos, w));
  EXPECT_FALSE(w.accented);  // the diaeresis is not an accent here
}

TEST_F(Phonetic, ControlCharacterIsSpelledAsItsOwnWord) {
  Load("(A)=a|\n(B)=b|\n");
  EXPECT_EQ(TextToPhonetic("a\x05" "b"), "[a][ /_\x01][ /_b]");
}

TEST_F(Phonetic, CedillaIsLookedUpAsDoubleS) {
  Load("(C)=k|\n(A)=a|\n(X)=x|\n(S)=s|\n", "cassa=xa\n");
  EXPECT_EQ(TextToPhonetic("ca\xE7" "a"), "[x/a]");
  EXPECT_EQ(TextToPhonetic("CA\xC7" "A"), "[x/a]");
}

TEST_F(Phonetic, WordsWithoutVowelsAreSpelled) {
  Load("(C)=k|\n");
  EXPECT_EQ(TextToPhonetic("cpf"), "[ /_c][ /_p][ /_f]");
  EXPECT_EQ(TextToPhonetic("."), "[ /_.]");
}

TEST_F(Phonetic, ExceptionsWithSuffixStripping) {
  Load("(A)=a|\n(S)=s|\n(M)=m|\n(Z)=z|\n(E)=e|\n(X)=x|\n", "casa=zaza\nexame=ezame\nmas=xx\nvazio=\n");
  WordBuffer w = Word("casas");
  EXPECT_EQ(w.chars, "zAzas");  // the entry for casa, its s kept, then stress
  EXPECT_EQ(Word("casasm").chars, "zAzasm");
  EXPECT_EQ(Word("mas").chars, "xx");  // an entry itself is replaced even ending in s
  EXPECT_EQ(Word("exame").chars, "ezAme");
  EXPECT_EQ(Word("ss").chars, "ss");  // stripped to nothing: unchanged
  EXPECT_EQ(TextToPhonetic("vazio a"), "[a]");  // an empty replacement says nothing
}

TEST_F(Phonetic, StressMarks) {
  Load("");
  EXPECT_EQ(Stressed("casa"), "cAsa");
  EXPECT_EQ(Stressed("cantar"), "cantAr");
  EXPECT_EQ(Stressed("jovem"), "jOvem");
  EXPECT_EQ(Stressed("papai"), "papAi");
  EXPECT_EQ(Stressed("caju"), "cajU");
  EXPECT_EQ(Stressed("aqui"), "aquI");
  EXPECT_EQ(Stressed("maria"), "marIa");
  EXPECT_EQ(Stressed("rainha"), "raInha");
  EXPECT_EQ(Stressed("asa"), "Asa");
  EXPECT_EQ(Stressed("sol"), "sOl");
  EXPECT_EQ(Stressed("mar"), "mar");
  EXPECT_EQ(Stressed("isso"), "isso");
}

TEST_F(Phonetic, StressMarksOtherStates) {
  Load("");
  EXPECT_EQ(Stressed("falam"), "fAlam");     // state 2 to 5
  EXPECT_EQ(Stressed("bom"), "bom");         // one vowel, no final l
  EXPECT_EQ(Stressed("batom"), "batOm");     // state 2 marks o
  EXPECT_EQ(Stressed("jardim"), "jardIm");   // state 2 to 3, consonant before
  EXPECT_EQ(Stressed("lapis"), "lapIs");     // state 4 to 3
  EXPECT_EQ(Stressed("casos"), "cAsos");     // state 4 to 5
  EXPECT_EQ(Stressed("ideia"), "idEia");     // state 8, vowel before the i
  EXPECT_EQ(Stressed("saia"), "sAia");
  EXPECT_EQ(Stressed("sairmos"), "saIrmos"); // state 8: r and a consonant after the i
  EXPECT_EQ(Stressed("sequoia"), "sequOia");
  EXPECT_EQ(Stressed("agua"), "agUa");       // state 8: a consonant before the u
  EXPECT_EQ(Stressed("caiu"), "caIu");       // state 3 marks a vowel before
  EXPECT_EQ(Stressed("contribuirra"), "contribuIrra");  // y = r, z = r
  EXPECT_EQ(Stressed("voce^"), "voce^");     // accents decide
  EXPECT_EQ(Stressed("ciume"), "cIume");     // state 8: a vowel before, m then a vowel
  EXPECT_EQ(Stressed("guia"), "guIa");       // state 8: the u after g is silent
  EXPECT_EQ(Stressed("aquia"), "aquIa");     // and after q
  EXPECT_EQ(Stressed("raiz"), "raIz");       // state 1 marks the last vowel
}

TEST_F(Phonetic, RulesWithLeftContexts) {
  Load("#(B)=V|\n%(B)=E|\n](B)=K|\n|(B)=N|\nX(B)=X|\n(B)=b|\n_(C)=u|\n(C)=c|\n(A)=a|\n(E)=e|\n(N)=n|\n(X)=x|\n(')='|\n");
  EXPECT_EQ(TextToPhonetic("b"), "[ /_b]");  // no vowel: spelled
  EXPECT_EQ(TextToPhonetic("ba"), "[E/a]");
  EXPECT_EQ(TextToPhonetic("eeba"), "[e/E/V/a]");
  EXPECT_EQ(TextToPhonetic("nba"), "[n/N/a]");
  EXPECT_EQ(TextToPhonetic("xba"), "[x/X/a]");
  EXPECT_EQ(TextToPhonetic("a'xba"), "[a/'/x/X/a]");
  EXPECT_EQ(TextToPhonetic("ca"), "[u/a]");     // "_" holds at the edge
  EXPECT_EQ(TextToPhonetic("aca"), "[A/u/a]");
  EXPECT_EQ(TextToPhonetic("a'ca"), "[a/'/u/a]");
  EXPECT_EQ(TextToPhonetic("nca"), "[n/c/a]");
}

TEST_F(Phonetic, BracketLeftNeedsABackVowel) {
  Load("](B)=K|\n(B)=b|\n(A)=a|\n(E)=e|\n(O)=o|\n(')='|\n");
  EXPECT_EQ(TextToPhonetic("ab"), "[a/K]");
  EXPECT_EQ(TextToPhonetic("o'be"), "[o/'/K/e]");
  EXPECT_EQ(TextToPhonetic("eb"), "[e/b]");
}

TEST_F(Phonetic, RulesWithRightContexts) {
  Load("(B)#=V|\n(B)%=E|\n(B)&=L|\n(B)*=C|\n(B)+=F|\n(B)[=H|\n(B)\\X=S|\n(B)=b|\n"
       "(A)=a|\n(E)=e|\n(I)=i|\n(L)=l|\n(R)=r|\n(T)=t|\n(H)=h|\n(S)=s|\n(X)=x|\n(')='|\n");
  EXPECT_EQ(TextToPhonetic("aba"), "[A/V/a]");
  EXPECT_EQ(TextToPhonetic("ab"), "[a/E]");
  EXPECT_EQ(TextToPhonetic("abl"), "[A/L/l]");
  EXPECT_EQ(TextToPhonetic("abt"), "[a/C/t]");
  EXPECT_EQ(TextToPhonetic("abr"), "[a/L/r]");  // r: "&" holds, "*" would not
  EXPECT_EQ(TextToPhonetic("abh"), "[a/C/h]");  // h is a consonant for "*"
  EXPECT_EQ(TextToPhonetic("absx"), "[a/C/s/x]");
  EXPECT_EQ(TextToPhonetic("abx"), "[a/C/x]");
}

TEST_F(Phonetic, BracketRightHoldsAtTheEdgeOrBeforeAConsonantOtherThanH) {
  Load("(B)[=H|\n(B)=b|\n(A)=a|\n(T)=t|\n(H)=h|\n");
  EXPECT_EQ(TextToPhonetic("ab"), "[a/H]");
  EXPECT_EQ(TextToPhonetic("abt"), "[a/H/t]");
  EXPECT_EQ(TextToPhonetic("abh"), "[a/b/h]");
  EXPECT_EQ(TextToPhonetic("aba"), "[A/b/a]");
}

TEST_F(Phonetic, RightContextsMoveTheirCursor) {
  Load("(B)+T=F|\n(B)\\T=S|\n(B)#T=V|\n(B)=b|\n(A)=a|\n(E)=e|\n(T)=t|\n(S)=s|\n(')='|\n");
  EXPECT_EQ(TextToPhonetic("abet"), "[A/F/e/t]");
  EXPECT_EQ(TextToPhonetic("abe't"), "[a/F/e/'/t]");  // an accent after the front vowel is passed
  EXPECT_EQ(TextToPhonetic("abst"), "[a/S/s/t]");
  EXPECT_EQ(TextToPhonetic("abt"), "[a/S/t]");
  EXPECT_EQ(TextToPhonetic("abaat"), "[a/V/A/a/t]");
}

TEST_F(Phonetic, PercentHoldsOnlyAtTheEdges) {
  Load("%(A)=I|\n(A)%=F|\n(A)=a|\n(B)=b|\n");
  EXPECT_EQ(TextToPhonetic("aba"), "[I/b/F]");
  EXPECT_EQ(TextToPhonetic("bab"), "[b/a/b]");
  EXPECT_EQ(TextToPhonetic("a"), "[I]");
}

TEST_F(Phonetic, CharacterWithoutRulesTakesTheDefaultPiece) {
  Load("(A)=a|\n(B)=b|\n");
  EXPECT_EQ(TextToPhonetic("\xE0" "b"), "[a/ /_`/b]");
  EXPECT_EQ(TextToPhonetic("b\xE3"), "[b/a/ /_~]");
  EXPECT_EQ(TextToPhonetic("bc"), "[ /_b][ /_c]");
  EXPECT_EQ(TextToPhonetic("abc"), "[a/b/ /_C]");
}

TEST_F(Phonetic, StressTransferAndAMarkLostInsideALongerMatch) {
  Load("(C)=k|\n(A)=ya|\n(S)=s|\n");
  EXPECT_EQ(TextToPhonetic("casa"), "[k/yA/s/ya]");
  Load("(CA)=ka|\n(A)=a|\n(S)=s|\n");
  EXPECT_EQ(TextToPhonetic("casa"), "[ka/s/a]");
  Load("(C)=k|\n(A)=|\n(S)=s|\n");
  EXPECT_EQ(TextToPhonetic("casa"), "[k//s/]");
}

TEST_F(Phonetic, LongWordsAndLongTextsAreSafe) {
  Load("(A)=a|\n(B)=b|\n");
  std::string word(300, 'a');
  std::string out = TextToPhonetic(word);
  EXPECT_EQ(out.substr(0, 3), "[a/");
  EXPECT_NE(out.find("]["), std::string::npos);  // split after 256 letters
  std::string any;
  for (int i = 0; i < 100000; ++i) any += char((i * 37) & 0xFF);
  EXPECT_FALSE(TextToPhonetic(any).empty());
}

TEST_F(Phonetic, OddRulesAndExceptionsAreSafe) {
  std::string rules, exceptions;
  uint32_t seed = 99;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  const char parts[] = "#%]_|&*+[\\()=ABCSE'~^ \r";
  for (int line = 0; line < 400; ++line) {
    for (int i = 0, n = next() % 24; i < n; ++i) rules += parts[next() % (sizeof parts - 1)];
    rules += '\n';
    for (int i = 0, n = next() % 300; i < n; ++i) exceptions += static_cast<char>(next() >> 24 | 1);
    exceptions += '\n';
  }
  Load(rules + "(A)=a|\n", exceptions);
  std::string text;
  for (int i = 0; i < 5000; ++i) text += static_cast<char>(next() >> 24);
  TextToPhonetic(text);
  EXPECT_EQ(TextToPhonetic("   "), "");
}

TEST_F(Phonetic, TheVoiceRulesReadPortuguese) {
  ASSERT_TRUE(LoadTranslatorRules(std::string(ZELNAR_SOURCE_DIR) + "/voice/regras.rgr"));
  ASSERT_TRUE(LoadTranslatorExceptions(std::string(ZELNAR_SOURCE_DIR) + "/voice/portug.exc"));
  struct Case { const char* text; const char* phonetic; } cases[] = {
      {"casa", "[ k/A/ z/a^]"},         {"p\xE3o", "[ p/A~w]"},          {"m\xE3" "e", "[ m/A~y]"},
      {"p\xF5" "e", "[ p/O~y]"},        {"tia", "[ tch/I/ a^]"},         {"dia", "[ dj/I/ a^]"},
      {"filho", "[ f/I/ lh/u]"},        {"ninho", "[ n/I~/ nh/u]"},       {"chuva", "[ x/U/ v/a^]"},
      {"quando", "[ kw/A~/ d/u]"},      {"guerra", "[ g/E^/ rr/a^]"},    {"rato", "[ rr/A/ t/u]"},
      {"porta", "[ p/O^/r/ t/a^]"},     {"prato", "[ p/r/A/ t/u]"},      {"exame", "[e^/ z/A^/ m/i]"},
      {"texto", "[ t/E^/s/ t/u]"},      {"caixa", "[ k/A/y/ x/a^]"},     {"sol", "[ s/O/w]"},
      {"voc\xEA", "[ v/o^/ s/E^]"},     {"jovem", "[ j/O^/ v/e~y]"},     {"homem", "[/O^/ m/e~y]"},
      {"cantar", "[ k/a~/ t/A/r]"},     {"ca\xE7" "a", "[ k/A/ s/a^]"},  {"gente", "[ j/E~/ tch/i]"},
      {"que", "[ k/i]"},                {"\xE1gua", "[A/ gw/a^]"},       {"luz", "[ l/u/s]"},
      {"nascer", "[ n/a/ s/E^/r]"},     {"honra", "[/O~/ rr/a^]"},       {"muito", "[ m/u~/y/ t/u]"},
      // an accented vowel before m or n and a consonant is nasal; before a vowel it is not
      {"t\xEAm", "[ t/E~y]"},             {"ci\xEAncia", "[ s/i/ E~/ s/i/ a^]"}, {"l\xE2mpada", "[ l/A~/ p/a/ d/a^]"},
      {"c\xF4nsul", "[ k/O~/ s/u/w]"},    {"\xEDndio", "[I~/ dj/i/ u]"},        {"c\xFAmplice", "[ k/U~/ p/l/i/ s/i]"},
      {"t\xEAnis", "[ t/E^/ n/i/s]"},
      // x read as s or ks, found under the words' accented forms
      {"pr\xF3ximo", "[ p/r/O/ s/i/ m/u]"}, {"m\xE1xima", "[ m/A/ s/i/ m/a^]"}, {"aux\xEDlio", "[a/w/ s/I/ l/i/ u]"},
      {"t\xE1xi", "[ t/A/ ks/i]"},        {"trouxe", "[ t/r/O^w/ s/i]"},      {"\xEAxito", "[E^/ z/i/ t/u]"},
      {"tchau", "[ tch/A/w]"},            {"ao", "[A/w]"},                      {"aos", "[A/w/s]"},
      // names typed without their accents, as network names often are
      {"Joao", "[ j/o^/ A~w]"},            {"Sao", "[ s/A~w]"},                  {"nao", "[ n/A~w]"},
      {"Ze", "[ z/E]"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToPhonetic(c.text), c.phonetic) << c.text;
}

}  // namespace
