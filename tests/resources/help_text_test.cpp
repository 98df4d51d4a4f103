// The Help menu texts: the instructions line by line, their spacing rules, the key
// lines against the boards the engine plays, and one version number everywhere.
#include "resources/help_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/tables.h"

namespace {

const char* const kDocumentedLines[] = {
    "The Game of Rudoz",
    "",
    "Rudoz is a memory game.  The computer will flash a sequence of squares, then you must play "
    "it back.  If you succeed, the sequence is extended.",
    "",
    "First, choose the board and skill you wish to play: choose \"Level\"from the Game menu, or "
    "press F3.  There are 7 boards and 12 skill levels: each board adds more squares into the "
    "playing board, the higher the skill, the longer the target sequence length.",
    "",
    "To start the game choose \"New\" from the Game menu or press F2.",
    "",
    "The computer will flash one of the squares on the play board.  When finished, you must play "
    "it back.  You can use either the mouse or the keys on the keyboard (see below).  If you are "
    "successful, the computer will add a square to the end to make a sequence of two.  When the "
    "computer has played it, you play it back.  The computer will add another note ... and so on.",
    "",
    "Play continues until either you make a mistake or you reach your target sequence length ... "
    "thinking time is short.",
    "",
    "If you just want to play with the board rather than play a full game, choose the Free Play "
    "option.  This allows you to experiment with the board.  When you are ready, choose New Game "
    "to start.",
    "",
    "",
    "Playing Keys:",
    "",
    "If you want to use the computer keyboard for your moves, use the following keys:",
    "",
    "Board 1: 2 squares: DF",
    "Board 2: 4 squares: ER | DF",
    "Board 3: 6 squares: WER | SDF",
    "Board 4: 9 squares: WER | SDF | XCV",
    "Board 5: 12 squares: QWER | ASDF |  ZXCV",
    "Board 6: 16 squares: 1234 | QWER | ASDF | ZXCV",
    "Board 7: 20 squares: 12345 | QWERT | ASDFG | ZXCVB",
    "",
    "",
};
constexpr size_t kDocumentedCount = sizeof(kDocumentedLines) / sizeof(kDocumentedLines[0]);
constexpr size_t kFirstKeyLine = 19;  // zero-based index of "Board 1: ..."

// The lines of a CR LF text; a text that does not end in CR LF yields a last line
// holding the unterminated rest, marked by a trailing '?' so no comparison passes.
std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "?");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream in(std::string(ZIRIRAR_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The characters after the first `marker` in `text` up to the first of `stops`,
// or "" when the marker does not occur.
std::string TextAfter(const std::string& text, const std::string& marker, const char* stops) {
  const size_t start = text.find(marker);
  if (start == std::string::npos) return std::string();
  const size_t from = start + marker.size();
  return text.substr(from, text.find_first_of(stops, from) - from);
}

}  // namespace

TEST(HelpText, BreaksEveryLineWithCrLfAndNothingElse) {
  const std::string text = kHelpText;
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      EXPECT_EQ(text[i + 1], '\n') << "bare CR at " << i;
    }
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
    EXPECT_TRUE(text[i] == '\r' || text[i] == '\n' || (text[i] >= ' ' && text[i] <= '~'))
        << "unexpected character code " << static_cast<int>(text[i]) << " at " << i;
  }
}

TEST(HelpText, HoldsTheDocumentedLinesThenOneCreditLine) {
  const std::vector<std::string> lines = SplitCrLf(kHelpText);
  ASSERT_EQ(lines.size(), kDocumentedCount + 1);
  for (size_t i = 0; i < kDocumentedCount; ++i) {
    EXPECT_EQ(lines[i], kDocumentedLines[i]) << "line " << i + 1;
  }
  const std::string& credit = lines.back();
  EXPECT_NE(credit.find("Zirirar Aduzo"), std::string::npos) << credit;
  EXPECT_NE(credit.find("1.03"), std::string::npos) << credit;
}

TEST(HelpText, KeepsItsSpacingRules) {
  std::vector<std::string> lines = SplitCrLf(kHelpText);
  ASSERT_GT(lines.size(), kDocumentedCount);
  lines.resize(kDocumentedCount);  // the credit line is free-form
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    EXPECT_NE(line.front(), ' ') << line;
    EXPECT_NE(line.back(), ' ') << line;
    EXPECT_EQ(line.find("   "), std::string::npos) << line;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      if (line.compare(i, 3, "...") == 0) {
        // An ellipsis stands inside a line with one blank on each side.
        ASSERT_TRUE(i >= 2 && i + 4 < line.size()) << line;
        EXPECT_TRUE(line[i - 1] == ' ' && line[i - 2] != ' ') << line;
        EXPECT_TRUE(line[i + 3] == ' ' && line[i + 4] != ' ') << line;
        i += 2;
        continue;
      }
      // A full stop that ends a sentence inside a line is followed by exactly two blanks.
      if (line[i] == '.') {
        EXPECT_EQ(line.compare(i, 3, ".  "), 0) << line << " at " << i;
      }
      // Two blanks occur only after a full stop, or before the last key row of board 5.
      if (line.compare(i, 2, "  ") == 0 && (i == 0 || line[i - 1] != '.')) {
        EXPECT_EQ(line, "Board 5: 12 squares: QWER | ASDF |  ZXCV");
      }
    }
  }
}

TEST(HelpText, KeyLinesNameTheKeysAndSizesOfEveryBoard) {
  const std::vector<std::string> lines = SplitCrLf(kHelpText);
  ASSERT_GE(lines.size(), kFirstKeyLine + kBoardCount);
  for (int16_t board = 0; board < kBoardCount; ++board) {
    const std::string& line = lines[kFirstKeyLine + board];
    const std::string head = "Board " + std::to_string(board + 1) + ": " +
                             std::to_string(BoardSquares(board)) + " squares: ";
    ASSERT_EQ(line.compare(0, head.size(), head), 0) << line;

    // The rows as the engine maps keys to squares, top row first, in capitals.
    std::string wanted;
    const std::string keys = BoardKeyMap(board);
    ASSERT_EQ(keys.size(), static_cast<size_t>(BoardSquares(board)));
    for (size_t i = 0; i < keys.size(); ++i) {
      if (i > 0 && i % BoardColumns(board) == 0) wanted += '|';
      wanted += static_cast<char>(std::toupper(static_cast<unsigned char>(keys[i])));
    }
    std::string shown;
    for (char c : line.substr(head.size())) {
      if (c != ' ') shown += c;
    }
    EXPECT_EQ(shown, wanted) << line;
  }
}

TEST(AboutText, NamesTheGameAndItsVersionInPlainText) {
  const std::string text = kAboutText;
  EXPECT_EQ(text.rfind("Zirirar Aduzo", 0), 0u) << text;
  EXPECT_NE(text.find("1.03"), std::string::npos) << text;
  EXPECT_NE(text.find("memory game"), std::string::npos) << text;
  for (char c : text) EXPECT_TRUE(c == '\n' || (c >= ' ' && c <= '~')) << static_cast<int>(c);
  EXPECT_STRNE(kAboutCaption, "");
}

TEST(VersionNumber, IsTheSameInTheBuildTheVersionRecordAndTheTexts) {
  const std::string rc = ReadSourceFile("win32/resources/ui.rc");
  const std::string cmake = ReadSourceFile("CMakeLists.txt");
  const std::string project = TextAfter(cmake, "project(ZirirarAduzo VERSION ", " )");
  ASSERT_FALSE(project.empty()) << "no project version in CMakeLists.txt";
  EXPECT_EQ(TextAfter(rc, "VALUE \"FileVersion\", \"", "\""), project);
  EXPECT_EQ(TextAfter(rc, "VALUE \"ProductVersion\", \"", "\""), project);
  EXPECT_NE(SplitCrLf(kHelpText).back().find(project), std::string::npos);
  EXPECT_NE(std::string(kAboutText).find("Version " + project), std::string::npos);
}

TEST(ResourceScript, IsPlainAsciiAndDeclaresTheCodePageOfItsEscapes) {
  // Both resource compilers read bytes above 0x7F by the build machine's code page
  // unless told otherwise; escapes read under the declared page come out the same. The
  // texts (and their one escape) are macros of ui_texts.h, which the script uses only
  // after its pragma.
  const std::string rc = ReadSourceFile("win32/resources/ui.rc");
  const std::string texts = ReadSourceFile("resources/ui_texts.h");
  ASSERT_FALSE(rc.empty());
  ASSERT_FALSE(texts.empty());
  for (const std::string* file : {&rc, &texts}) {
    for (size_t i = 0; i < file->size(); ++i) {
      ASSERT_LT(static_cast<unsigned char>((*file)[i]), 0x80u) << "byte " << i;
    }
  }
  const size_t pragma = rc.find("#pragma code_page(1252)");
  const size_t firstText = rc.find("TEXT_", rc.find("DIALOG"));
  ASSERT_NE(pragma, std::string::npos);
  ASSERT_NE(firstText, std::string::npos);
  EXPECT_LT(pragma, firstText);
  EXPECT_NE(texts.find("\\351"), std::string::npos);
}
